// What the panel's layout reads of the editor state.
#pragma once

#include "geometry/panel_frame.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

PanelLayoutInputs panelLayoutInputs(const NotchViewModel& model);

}  // namespace glimora
