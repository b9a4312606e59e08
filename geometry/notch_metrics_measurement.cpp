#include "geometry/notch_metrics_measurement.hpp"

#include <cmath>

namespace glimora {

NotchMetrics measureNotchMetrics(const std::optional<ScreenDescription>& screen) {
    if (!screen) return NotchMetrics{8, 0, false, 1200, 800};
    const double inset = std::isfinite(screen->topSafeInset) ? screen->topSafeInset : 0;
    NotchMetrics metrics;
    metrics.reservedTopInset = inset <= 8 ? 8 : inset;
    metrics.hasPhysicalNotch = inset > 0.5;
    metrics.notchWidth = 0;
    if (metrics.hasPhysicalNotch && screen->auxiliaryTopLeftArea && screen->auxiliaryTopRightArea) {
        const double gap = screen->auxiliaryTopRightArea->minX() - screen->auxiliaryTopLeftArea->maxX();
        metrics.notchWidth = gap > 0 ? gap : 0;
    }
    metrics.screenWidth = screen->frame.width;
    metrics.screenHeight = screen->frame.height;
    return metrics;
}

}  // namespace glimora
