// The ground the notch panel may cover at an edge, and where a window of the
// application goes so that it covers none of it.
#pragma once

#include <span>

#include "geometry/panel_frame.hpp"

namespace glimora {

class NotchViewModel;

// The smallest rectangle around the panel's frames at `placement` on this
// screen: collapsed, and open on each tab at the height and the widest side
// width (a dragged one included) that tab can have.
PanelRect panelReach(const NotchViewModel& model, const PanelRect& screenFrame, const PanelRect& visibleFrame,
                     NotchPlacement placement);

bool intersects(const PanelRect& a, const PanelRect& b);

// Where a window of this outer size goes on the work area: centred when that
// leaves every rectangle of `reaches` (the panel at each edge) uncovered;
// else moved straight out of `current`, the reach at the panel's present
// edge, to `gap` beyond it, and kept on the work area as far as it fits.
PanelRect placeClearOfPanel(const PanelRect& workArea, double width, double height, NotchPlacement placement,
                            const PanelRect& current, std::span<const PanelRect> reaches, double gap);

}  // namespace glimora
