// Measuring the panel's screen: from what the desktop reports of a screen to
// the NotchMetrics the layout reads.
#pragma once

#include <optional>

#include "geometry/panel_rect.hpp"
#include "model/notch_metrics.hpp"

namespace glimora {

// What a screen reports. Linux has no camera housing: its screens have a top
// safe inset of 0 and no auxiliary areas, but a description can carry them.
struct ScreenDescription {
    PanelRect frame;         // the whole screen
    PanelRect visibleFrame;  // without panels and docks (the work area)
    double topSafeInset = 0;
    // The areas left and right of a notch along the top edge, when reported.
    std::optional<PanelRect> auxiliaryTopLeftArea;
    std::optional<PanelRect> auxiliaryTopRightArea;
};

// The metrics of a screen; with no screen at all, the fallback value.
NotchMetrics measureNotchMetrics(const std::optional<ScreenDescription>& screen);

}  // namespace glimora
