// The tuning tab's geometry sliders for each shape: which of the shared
// values has a meaning for the shape, under the name it has there.
#pragma once

#include <optional>
#include <vector>

#include "editors/slider_row.hpp"

namespace glimora {

// One row: a slider alone, or two sharing the row at the top or bottom edge.
struct AdjustRow {
    SliderRow first;
    std::optional<SliderRow> second;

    friend bool operator==(const AdjustRow&, const AdjustRow&) = default;
};

// The rows of the shape group, top to bottom.
std::vector<AdjustRow> adjustRows(NotchShape shape);

// The look pair every shape shares.
SliderRow cellSizeSlider();
SliderRow toneStepsSlider();

}  // namespace glimora
