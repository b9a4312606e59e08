#include "state/panel_layout_inputs.hpp"

#include <algorithm>
#include <climits>

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

PanelReachInputs panelReachInputs(const NotchViewModel& model, NotchPlacement placement) {
    return {panelLayoutInputs(model),
            [&model, placement](NotchTab tab) { return model.expandedPanelHeight(placement, tab); },
            model.selectedTab(), int(std::min<std::size_t>(model.imageAssets().size(), INT_MAX))};
}

}  // namespace glimora
