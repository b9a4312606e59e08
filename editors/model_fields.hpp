// Reading and writing a published number or switch of the editor model by
// its change id, so that the editors can describe their controls as tables
// (title, property, range, step, pin) instead of one lambda pair each.
#pragma once

#include <optional>
#include <type_traits>

#include "state/notch_view_model.hpp"

namespace glimora {

// Whether the property is a published Double (or Bool) of the model.
bool isDoubleProperty(NotchViewModel::Prop prop);
bool isBoolProperty(NotchViewModel::Prop prop);

// The value of a Double (Bool) property; nothing for a property of another type.
std::optional<double> readDouble(const NotchViewModel& model, NotchViewModel::Prop prop);
std::optional<bool> readBool(const NotchViewModel& model, NotchViewModel::Prop prop);

// One plain write through the property's setter; nothing for another type.
void writeDouble(NotchViewModel& model, NotchViewModel::Prop prop, double value);
void writeBool(NotchViewModel& model, NotchViewModel::Prop prop, bool value);

}  // namespace glimora
