#include "state/panel_layout_inputs.hpp"

namespace glimora {

PanelLayoutInputs panelLayoutInputs(const NotchViewModel& model) {
    PanelLayoutInputs inputs;
    inputs.metrics = model.metrics();
    inputs.placement = model.notchPlacement();
    inputs.expanded = model.expanded();
    inputs.expandedPanelHeight = model.expandedPanelHeight();
    inputs.sidePanelWidth = model.resolvedSideWidth();
    return inputs;
}

}  // namespace glimora
