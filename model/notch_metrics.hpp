// Measurements of the screen that carries the editor panel.
#pragma once

#include <optional>

#include "model/design_options.hpp"

namespace glimora {

struct NotchMetrics {
    double reservedTopInset = 8;
    double notchWidth = 0;
    bool hasPhysicalNotch = false;
    double screenWidth = 1200;
    double screenHeight = 800;

    friend bool operator==(const NotchMetrics&, const NotchMetrics&) = default;

    // Width of the open left or right panel for a tab. A dragged custom width
    // never goes below the tab's default nor past the screen-derived bound.
    double sidePanelWidth(NotchTab tab, int imageCount, std::optional<double> customWidth) const;
};

}  // namespace glimora
