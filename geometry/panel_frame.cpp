#include "geometry/panel_frame.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

namespace glimora {

PixelRect wholePixels(const PanelRect& rect) {
    const auto whole = [](double value) {
        if (!std::isfinite(value)) return 0.0;
        return std::clamp(std::round(value), double(INT_MIN / 2), double(INT_MAX / 2));
    };
    const double left = whole(rect.x);
    const double top = whole(rect.y);
    const double right = whole(rect.x + rect.width);
    const double bottom = whole(rect.y + rect.height);
    return PixelRect{int(left), int(top), int(std::max(1.0, right - left)), int(std::max(1.0, bottom - top))};
}

PanelLayout panelLayout(const PanelLayoutInputs& inputs) {
    const NotchMetrics& m = inputs.metrics;
    const bool side = isSidePlacement(inputs.placement);
    const bool expanded = inputs.expanded;
    PanelLayout layout;
    if (expanded)
        layout.width = side ? inputs.sidePanelWidth
                            : std::min(760.0, std::max({m.notchWidth + 96, 320.0, m.screenWidth - 48}));
    else
        layout.width = side ? 68 : std::max(m.notchWidth + 96, 320.0);
    if (expanded)
        layout.height = inputs.expandedPanelHeight;
    else
        layout.height = side ? 220 : (inputs.statusBarThickness > 0 ? inputs.statusBarThickness + 4 : 28);
    // The open top panel reaches down past a notch; its content starts below it.
    if (expanded && inputs.placement == NotchPlacement::top && m.hasPhysicalNotch) layout.height += m.reservedTopInset;
    layout.hostingInset = expanded && !side ? expandedHostingInset : 0;
    layout.attachedCornerRadius = side ? 40 : (expanded ? 30 : 0);
    layout.innerCornerRadius = side ? 34 : (expanded ? 25 : 19);
    layout.strokeOpacity = expanded ? 0.09 : 0.07;
    return layout;
}

PanelRect panelFrame(const PanelRect& screenFrame, const PanelRect& visibleFrame, NotchPlacement placement,
                     double width, double height) {
    const PanelRect& f = screenFrame;
    const PanelRect& v = visibleFrame;
    switch (placement) {
    // Hung from the work area's top: a window manager that keeps windows off
    // a panel along the top edge (xfwm4) would push one over it down, and
    // not always by the same amount; every window manager leaves it here.
    case NotchPlacement::top: return {f.midX() - width / 2, std::max(f.minY(), v.minY()), width, height};
    case NotchPlacement::bottom: return {v.midX() - width / 2, v.maxY() - height, width, height};
    case NotchPlacement::left: {
        const double clearance = v.minX() - f.minX() > 0.5 ? sideDockClearance : 0;
        return {v.minX() + clearance, v.midY() - height / 2, width, height};
    }
    case NotchPlacement::right: {
        const double clearance = f.maxX() - v.maxX() > 0.5 ? sideDockClearance : 0;
        return {v.maxX() - width - clearance, v.midY() - height / 2, width, height};
    }
    }
    return {f.midX() - width / 2, f.minY(), width, height};
}

}  // namespace glimora
