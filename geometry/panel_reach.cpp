#include "geometry/panel_reach.hpp"

#include <algorithm>
#include <limits>


namespace glimora {

namespace {

PanelRect united(const PanelRect& a, const PanelRect& b) {
    const double left = std::min(a.minX(), b.minX());
    const double top = std::min(a.minY(), b.minY());
    return {left, top, std::max(a.maxX(), b.maxX()) - left, std::max(a.maxY(), b.maxY()) - top};
}

}  // namespace

PanelRect panelReach(const PanelReachInputs& of, const PanelRect& screenFrame, const PanelRect& visibleFrame,
                     NotchPlacement placement) {
    PanelLayoutInputs inputs = of.layout;
    inputs.placement = placement;
    inputs.expanded = false;
    const auto frameOf = [&](const PanelLayoutInputs& at) {
        const PanelLayout layout = panelLayout(at);
        return panelFrame(screenFrame, visibleFrame, placement, layout.width, layout.height);
    };
    PanelRect reach = frameOf(inputs);
    inputs.expanded = true;
    const auto addOpen = [&](NotchTab tab) {
        inputs.expandedPanelHeight = of.openHeight(tab);
        // A custom width past every bound comes back as the widest the tab allows.
        inputs.sidePanelWidth =
            inputs.metrics.sidePanelWidth(tab, of.imageCount, std::numeric_limits<double>::max());
        reach = united(reach, frameOf(inputs));
    };
    for (const NotchTab tab : allCases<NotchTab>()) addOpen(tab);
    // A tab no button offers may still be the selected one.
    addOpen(of.selectedTab);
    return reach;
}

bool intersects(const PanelRect& a, const PanelRect& b) {
    return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

PanelRect placeClearOfPanel(const PanelRect& workArea, double width, double height, NotchPlacement placement,
                            const PanelRect& current, std::span<const PanelRect> reaches, double gap) {
    PanelRect frame{workArea.midX() - width / 2, workArea.midY() - height / 2, width, height};
    const bool clear = std::none_of(reaches.begin(), reaches.end(),
                                    [&](const PanelRect& reach) { return intersects(frame, reach); });
    if (clear || !intersects(frame, current)) return frame;
    switch (placement) {
    case NotchPlacement::top: frame.y = current.maxY() + gap; break;
    case NotchPlacement::bottom: frame.y = current.minY() - gap - height; break;
    case NotchPlacement::left: frame.x = current.maxX() + gap; break;
    case NotchPlacement::right: frame.x = current.minX() - gap - width; break;
    }
    // On a screen too small for both, the window stays reachable.
    frame.x = std::clamp(frame.x, workArea.minX(), std::max(workArea.minX(), workArea.maxX() - width));
    frame.y = std::clamp(frame.y, workArea.minY(), std::max(workArea.minY(), workArea.maxY() - height));
    return frame;
}

}  // namespace glimora
