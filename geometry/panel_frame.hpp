// Where the notch panel goes and how it looks for a placement, expanded
// state, tab and screen: its size, the inset of its content, the radii and
// stroke of its outline, and its frame on the screen.
#pragma once

#include "geometry/panel_rect.hpp"
#include "model/design_options.hpp"
#include "model/notch_metrics.hpp"

namespace glimora {

// Gap kept between a side-docked panel and a panel or dock along that edge.
inline constexpr double sideDockClearance = 12;
// Left and right inset of the content in the expanded top or bottom panel.
inline constexpr double expandedHostingInset = 35;

inline bool isSidePlacement(NotchPlacement placement) {
    return placement == NotchPlacement::left || placement == NotchPlacement::right;
}

// What the layout needs of the editor state (the panel takes it from the
// model: state/panel_layout_inputs.hpp).
struct PanelLayoutInputs {
    NotchMetrics metrics;
    NotchPlacement placement = NotchPlacement::top;
    bool expanded = false;
    double expandedPanelHeight = 0;  // the model's, for the placement and tab
    double sidePanelWidth = 0;       // the model's resolved side width
    double statusBarThickness = 0;   // 0 where the desktop has no top bar of ours to match
};

struct PanelLayout {
    double width = 0;
    double height = 0;
    double hostingInset = 0;  // left and right
    double attachedCornerRadius = 0;
    double innerCornerRadius = 19;
    double strokeOpacity = 0.07;

    friend bool operator==(const PanelLayout&, const PanelLayout&) = default;
};

PanelLayout panelLayout(const PanelLayoutInputs& inputs);

// The panel's frame of the given size on a screen with this full frame and
// work area: centred on the whole screen and hanging from the work area's
// top edge (below a panel along the top), or resting on the work area's
// bottom, left or right edge and centred along it, kept clear of a panel
// along a side edge.
PanelRect panelFrame(const PanelRect& screenFrame, const PanelRect& visibleFrame, NotchPlacement placement,
                     double width, double height);

}  // namespace glimora
