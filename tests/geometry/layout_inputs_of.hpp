// What the panel controller takes of the model for the panel's layout; the
// geometry tests cannot reach the panel's own copy, which lives in the shell.
#pragma once

#include "geometry/panel_frame.hpp"
#include "state/notch_view_model.hpp"

namespace glimora::test {

inline PanelLayoutInputs layoutInputsOf(const NotchViewModel& model) {
    PanelLayoutInputs inputs;
    inputs.metrics = model.metrics();
    inputs.placement = model.notchPlacement();
    inputs.expanded = model.expanded();
    inputs.expandedPanelHeight = model.expandedPanelHeight();
    inputs.sidePanelWidth = model.resolvedSideWidth();
    return inputs;
}

}  // namespace glimora::test
