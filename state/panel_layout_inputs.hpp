// What the panel's layout and its reach read of the editor state.
#pragma once

#include "geometry/panel_frame.hpp"
#include "geometry/panel_reach.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

PanelLayoutInputs panelLayoutInputs(const NotchViewModel& model);
// The layout inputs, with what the panel's reach at `placement` needs; the
// model must outlive the result.
PanelReachInputs panelReachInputs(const NotchViewModel& model, NotchPlacement placement);

}  // namespace glimora
