#include "model/notch_metrics.hpp"

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

double defaultSideWidth(NotchTab tab, int imageCount) {
    switch (tab) {
    case NotchTab::image: return imageCount > 0 ? 361 : 337;
    case NotchTab::shape:
    case NotchTab::adjust: return 322;
    case NotchTab::gradients:
    case NotchTab::color:
    case NotchTab::style:
    case NotchTab::export_: return 337;
    case NotchTab::animation:
    case NotchTab::history: return 352;
    case NotchTab::shader: return 367;
    }
    return 337;
}

}  // namespace

double NotchMetrics::sidePanelWidth(NotchTab tab, int imageCount, std::optional<double> customWidth) const {
    const double standard = defaultSideWidth(tab, imageCount);
    if (!customWidth || !std::isfinite(*customWidth)) return standard;
    // A screen width that is not a number must not poison the bound.
    const double screenBound = std::isnan(screenWidth) ? 760.0 : std::min(screenWidth - 32, 760.0);
    const double upper = std::max(standard, screenBound);
    return std::min(upper, std::max(standard, *customWidth));
}

}  // namespace glimora
