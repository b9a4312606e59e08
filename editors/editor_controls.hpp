// The shared controls as the editors build them from their tables: each
// bound to its model property, with its pin wired to the model's pins.
#pragma once

#include <QString>

#include <optional>
#include <string_view>

#include "controls/binding.hpp"
#include "controls/panel_style.hpp"
#include "controls/pin_button.hpp"
#include "editors/slider_row.hpp"

class QLabel;
class QWidget;

namespace glimora {

class FittingLabel;
class NotchSlider;

// An on/off control of a table: title, bound Bool property, pin.
struct ToggleRow {
    std::string_view title;
    NotchViewModel::Prop property;
    std::optional<ShuffleProperty> pin;
};

inline QString qText(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

Binding<double> doubleBinding(NotchViewModel& model, NotchViewModel::Prop property);
Binding<bool> boolBinding(NotchViewModel& model, NotchViewModel::Prop property);
// The model's pin for the property; no pin at all without one.
PinTarget pinTarget(NotchViewModel& model, std::optional<ShuffleProperty> property);

NotchSlider* makeSlider(NotchViewModel& model, const SliderRow& spec, QWidget* parent);

// A line of text in a panel font, white at `opacity`.
QLabel* makeLabel(const QString& text, double pixelSize, FontWeight weight, double opacity, QWidget* parent);
// The same limited to one line, which ends in "…" at whatever width it gets.
FittingLabel* makeOneLineLabel(const QString& text, double pixelSize, FontWeight weight, double opacity,
                               QWidget* parent);
void setTextOpacity(QWidget* label, double opacity);

}  // namespace glimora
