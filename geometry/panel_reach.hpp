// The ground the notch panel may cover at an edge, and where a window of the
// application goes so that it covers none of it.
#pragma once

#include <functional>
#include <span>

#include "geometry/panel_frame.hpp"

namespace glimora {

// What the reach depends on beyond the panel's present layout inputs.
struct PanelReachInputs {
    PanelLayoutInputs layout;                  // the panel as it is now
    std::function<double(NotchTab)> openHeight;  // the open top or bottom panel's height on a tab
    NotchTab selectedTab = NotchTab::shape;
    int imageCount = 0;
};

// The smallest rectangle around the panel's frames at `placement` on this
// screen: collapsed, and open on each tab at the height and the widest side
// width (a dragged one included) that tab can have.
PanelRect panelReach(const PanelReachInputs& of, const PanelRect& screenFrame, const PanelRect& visibleFrame,
                     NotchPlacement placement);

bool intersects(const PanelRect& a, const PanelRect& b);

// Where a window of this outer size goes on the work area: centred when that
// leaves every rectangle of `reaches` (the panel at each edge) uncovered;
// else moved straight out of `current`, the reach at the panel's present
// edge, to `gap` beyond it, and kept on the work area as far as it fits.
PanelRect placeClearOfPanel(const PanelRect& workArea, double width, double height, NotchPlacement placement,
                            const PanelRect& current, std::span<const PanelRect> reaches, double gap);

}  // namespace glimora
