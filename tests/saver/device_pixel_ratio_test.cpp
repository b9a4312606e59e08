#include "saver/device_pixel_ratio.hpp"

#include <gtest/gtest.h>

namespace glimora::test {
namespace {

TEST(DevicePixelRatio, FollowsTheResourceAndTheVariablesAsQtDoes) {
    ScaleSources sources;
    EXPECT_EQ(devicePixelRatio(sources), 1);
    sources.xftDpi = "192";
    EXPECT_EQ(devicePixelRatio(sources), 2);
    sources.xftDpi = "144";
    EXPECT_EQ(devicePixelRatio(sources), 1.5);
    sources.roundingPolicy = "Round";
    EXPECT_EQ(devicePixelRatio(sources), 2);
    sources.roundingPolicy = "RoundPreferFloor";
    EXPECT_EQ(devicePixelRatio(sources), 1);
    sources.roundingPolicy.reset();
    // QT_FONT_DPI stands in for the resource; the switch at 0 leaves both out.
    sources.fontDpi = "120";
    EXPECT_EQ(devicePixelRatio(sources), 1.25);
    sources.enableHighDpiScaling = "0";
    EXPECT_EQ(devicePixelRatio(sources), 1);
    sources.enableHighDpiScaling = "yes";  // no number: on
    EXPECT_EQ(devicePixelRatio(sources), 1.25);
    sources.fontDpi.reset();
    sources.enableHighDpiScaling.reset();

    // The global factor multiplies; the screen's entry replaces the resource.
    sources.scaleFactor = "2";
    EXPECT_EQ(devicePixelRatio(sources), 3);
    sources.screenScaleFactors = "1.25;3";
    EXPECT_EQ(devicePixelRatio(sources), 2.5);
    sources.screenIndex = 1;
    EXPECT_EQ(devicePixelRatio(sources), 6);
    sources.screenName = "DP-1";
    sources.screenScaleFactors = "HDMI-1=3;DP-1=1.5";
    EXPECT_EQ(devicePixelRatio(sources), 3);
    sources.screenScaleFactors = "HDMI-1=3";  // no entry for this screen
    EXPECT_EQ(devicePixelRatio(sources), 3);  // 1.5 x 2

    // What Qt would not take counts as unset.
    sources = {};
    for (const char* bad : {"", "two", "-2", "0", "nan", "inf", "2x", "1e999"}) {
        sources.scaleFactor = bad;
        sources.xftDpi = bad;
        sources.screenScaleFactors = bad;
        EXPECT_EQ(devicePixelRatio(sources), 1) << bad;
    }
    sources.xftDpi = "96.5";  // a whole number or nothing
    EXPECT_EQ(devicePixelRatio(sources), 1);
}

}  // namespace
}  // namespace glimora::test
