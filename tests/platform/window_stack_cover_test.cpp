#include "platform/window_stack_cover.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace glimora {
namespace {

constexpr ScreenArea left{0, 0, 1920, 1080};
constexpr ScreenArea right{1920, 0, 2560, 1440};

// A viewable normal window on desktop 0, full screen on the left monitor.
ClientWindowState fullScreenOnLeft() {
    ClientWindowState window;
    window.viewable = true;
    window.fullScreen = true;
    window.desktop = 0;
    window.area = left;
    return window;
}

TEST(WindowStackCover, AFullScreenWindowOnTheMonitorCoversIt) {
    const ClientWindowState window = fullScreenOnLeft();
    EXPECT_TRUE(coversMonitor(window, 0, left));
    // The window manager may still be fitting it: its centre decides.
    ClientWindowState fitting = window;
    fitting.area = {600, 300, 640, 480};
    EXPECT_TRUE(coversMonitor(fitting, 0, left));
    // Full screen on the other monitor hides nothing of this one.
    EXPECT_FALSE(coversMonitor(window, 0, right));
    ClientWindowState onRight = window;
    onRight.area = right;
    EXPECT_FALSE(coversMonitor(onRight, 0, left));
    EXPECT_TRUE(coversMonitor(onRight, 0, right));
}

TEST(WindowStackCover, AWindowThatIsNotFullScreenCoversOnlyWithItsWholeArea) {
    ClientWindowState window = fullScreenOnLeft();
    window.fullScreen = false;
    EXPECT_TRUE(coversMonitor(window, 0, left));
    // Larger than the monitor on every side still hides all of it.
    window.area = {-10, -40, 1940, 1130};
    EXPECT_TRUE(coversMonitor(window, 0, left));
    // A maximised window leaves its title bar's or a panel's strip showing.
    window.area = {0, 24, 1920, 1056};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window.area = {0, 0, 1919, 1080};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window.area = {1, 0, 1920, 1080};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    // Spanning both monitors covers both.
    window.area = {0, 0, 4480, 1440};
    EXPECT_TRUE(coversMonitor(window, 0, left));
    EXPECT_TRUE(coversMonitor(window, 0, right));
}

TEST(WindowStackCover, HiddenUnmappedShadedOrOutOfLayerWindowsCoverNothing) {
    ClientWindowState window = fullScreenOnLeft();
    window.viewable = false;
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window = fullScreenOnLeft();
    window.hidden = true;
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window = fullScreenOnLeft();
    window.shaded = true;
    EXPECT_FALSE(coversMonitor(window, 0, left));
    // Another desktop window or a window kept below sits under ours or beside it.
    window = fullScreenOnLeft();
    window.normalLayer = false;
    EXPECT_FALSE(coversMonitor(window, 0, left));
    // Without the full-screen state the whole-area rule is held to the same checks.
    window.fullScreen = false;
    EXPECT_FALSE(coversMonitor(window, 0, left));
}

TEST(WindowStackCover, OnlyWindowsOnTheCurrentDesktopCount) {
    ClientWindowState window = fullScreenOnLeft();
    window.desktop = 2;
    EXPECT_FALSE(coversMonitor(window, 0, left));
    EXPECT_TRUE(coversMonitor(window, 2, left));
    window.desktop = allDesktops;
    EXPECT_TRUE(coversMonitor(window, 0, left));
    EXPECT_TRUE(coversMonitor(window, 5, left));
    // Left unsaid on either side: taken as shown, which the map state already tells.
    window.desktop.reset();
    EXPECT_TRUE(coversMonitor(window, 3, left));
    window.desktop = 4;
    EXPECT_TRUE(coversMonitor(window, std::nullopt, left));
}

TEST(WindowStackCover, EmptyAreasAndExtremeCoordinatesNeverCover) {
    ClientWindowState window = fullScreenOnLeft();
    EXPECT_FALSE(coversMonitor(window, 0, ScreenArea{0, 0, 0, 1080}));
    EXPECT_FALSE(coversMonitor(window, 0, ScreenArea{0, 0, 1920, -1}));
    window.area = {0, 0, 0, 0};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window.area = {0, 0, -1920, 1080};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    // Far-off coordinates neither overflow nor land on the monitor.
    constexpr auto huge = std::numeric_limits<std::int64_t>::max() / 2;
    window.area = {huge, huge, huge, huge};
    EXPECT_FALSE(coversMonitor(window, 0, left));
    window.fullScreen = false;
    window.area = {-huge, -huge, huge, huge};
    EXPECT_FALSE(coversMonitor(window, 0, left));
}

TEST(WindowStackCover, AnyOfTheStackDecides) {
    ClientWindowState partial = fullScreenOnLeft();
    partial.fullScreen = false;
    partial.area = {100, 100, 800, 600};
    ClientWindowState minimised = fullScreenOnLeft();
    minimised.hidden = true;
    std::vector<ClientWindowState> stack{partial, minimised};
    EXPECT_FALSE(anyCoversMonitor(stack, 0, left));
    EXPECT_FALSE(anyCoversMonitor({}, 0, left));
    stack.push_back(fullScreenOnLeft());
    EXPECT_TRUE(anyCoversMonitor(stack, 0, left));
    EXPECT_FALSE(anyCoversMonitor(stack, 0, right));
}

}  // namespace
}  // namespace glimora
