// The measures of the open panel that depend on the editor state.
#include <algorithm>
#include <climits>
#include <cmath>

#include "state/notch_view_model.hpp"

namespace glimora {

namespace {

int countOf(const std::vector<ImportedImageAsset>& assets) {
    return static_cast<int>(std::min<std::size_t>(assets.size(), INT_MAX));
}

}  // namespace

double NotchViewModel::resolvedSideWidth() const {
    return metrics_.sidePanelWidth(selectedTab_, countOf(imageAssets_), customSideExpandedWidth_);
}

void NotchViewModel::setCustomSideWidth(double width) {
    const bool side = notchPlacement_ == NotchPlacement::left || notchPlacement_ == NotchPlacement::right;
    if (!expanded_ || !side || !std::isfinite(width)) return;
    const double clamped = metrics_.sidePanelWidth(selectedTab_, countOf(imageAssets_), width);
    // A width that is not a number would never compare as changed again.
    const double current =
        customSideExpandedWidth_ && std::isfinite(*customSideExpandedWidth_) ? *customSideExpandedWidth_ : -1;
    if (!(std::fabs(clamped - current) > 0.1)) return;
    setCustomSideExpandedWidth(clamped);
    fire(onSideWidthChange_);
}

double NotchViewModel::expandedPanelHeight() const { return expandedPanelHeight(notchPlacement_, selectedTab_); }

double NotchViewModel::expandedPanelHeight(NotchPlacement placement, NotchTab tab) const {
    if (placement == NotchPlacement::left || placement == NotchPlacement::right) {
        const double height = metrics_.screenHeight - 64;
        const double atLeast = height >= 360 ? height : 360;
        return std::min(atLeast, 640.0);
    }
    switch (tab) {
    case NotchTab::image: return imageAssets_.empty() ? 150 : 300;
    case NotchTab::shape:
    case NotchTab::gradients:
    case NotchTab::color: return 300;
    case NotchTab::adjust: return 210;
    case NotchTab::style: return 250;
    case NotchTab::animation: return 200;
    case NotchTab::shader: return 410;
    case NotchTab::export_: return 226;
    case NotchTab::history: return 336;
    }
    return 300;
}

}  // namespace glimora
