// One numeric control of an editor, as a row of its table: the title, the
// model property it edits, its range and step, and the pin it carries.
#pragma once

#include <optional>
#include <string_view>

#include "model/design_options.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

struct SliderRow {
    std::string_view label;
    NotchViewModel::Prop property;
    double lowest;
    double highest;
    double step;
    std::optional<ShuffleProperty> pin;  // none: the slider shows a dot

    friend bool operator==(const SliderRow&, const SliderRow&) = default;
};

}  // namespace glimora
