#include <gtest/gtest.h>

#include <cmath>

#include "geometry/notch_metrics_measurement.hpp"

namespace glimora {
namespace {

ScreenDescription screen(double inset) {
    ScreenDescription description;
    description.frame = {0, 0, 1920, 1080};
    description.visibleFrame = description.frame;
    description.topSafeInset = inset;
    return description;
}

TEST(NotchMetricsMeasurement, ALinuxScreenHasNoNotch) {
    EXPECT_EQ(measureNotchMetrics(screen(0)), (NotchMetrics{8, 0, false, 1920, 1080}));
    // No screen at all: the fallback.
    EXPECT_EQ(measureNotchMetrics(std::nullopt), (NotchMetrics{8, 0, false, 1200, 800}));
}

TEST(NotchMetricsMeasurement, ANotchedScreenReportsTheGapBetweenItsTopAreas) {
    ScreenDescription notched = screen(32);
    notched.frame = {0, 0, 1920, 1200};
    notched.auxiliaryTopLeftArea = PanelRect{0, 0, 860, 32};
    notched.auxiliaryTopRightArea = PanelRect{1060, 0, 860, 32};
    EXPECT_EQ(measureNotchMetrics(notched), (NotchMetrics{32, 200, true, 1920, 1200}));

    // Overlapping areas give no width; a missing one too.
    notched.auxiliaryTopRightArea = PanelRect{800, 0, 1120, 32};
    EXPECT_EQ(measureNotchMetrics(notched).notchWidth, 0);
    notched.auxiliaryTopRightArea.reset();
    EXPECT_EQ(measureNotchMetrics(notched), (NotchMetrics{32, 0, true, 1920, 1200}));
}

TEST(NotchMetricsMeasurement, TheInsetDecidesWhetherThereIsANotch) {
    ScreenDescription description = screen(0.5);
    description.auxiliaryTopLeftArea = PanelRect{0, 0, 860, 1};
    description.auxiliaryTopRightArea = PanelRect{1060, 0, 860, 1};
    // At 0.5 exactly the areas are not read.
    EXPECT_EQ(measureNotchMetrics(description), (NotchMetrics{8, 0, false, 1920, 1080}));
    description.topSafeInset = 0.6;
    EXPECT_EQ(measureNotchMetrics(description), (NotchMetrics{8, 200, true, 1920, 1080}));
    description.topSafeInset = 8.5;
    EXPECT_EQ(measureNotchMetrics(description).reservedTopInset, 8.5);
    description.topSafeInset = std::nan("");
    EXPECT_FALSE(measureNotchMetrics(description).hasPhysicalNotch);
}

}  // namespace
}  // namespace glimora
