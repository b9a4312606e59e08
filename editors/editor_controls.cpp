#include "editors/editor_controls.hpp"

#include <QLabel>

#include "controls/notch_slider.hpp"
#include "controls/small_views.hpp"
#include "editors/model_fields.hpp"

namespace glimora {

Binding<double> doubleBinding(NotchViewModel& model, NotchViewModel::Prop property) {
    return {[&model, property] { return readDouble(model, property).value_or(0); },
            [&model, property](double value) { writeDouble(model, property, value); }};
}

Binding<bool> boolBinding(NotchViewModel& model, NotchViewModel::Prop property) {
    return {[&model, property] { return readBool(model, property).value_or(false); },
            [&model, property](bool value) { writeBool(model, property, value); }};
}

PinTarget pinTarget(NotchViewModel& model, std::optional<ShuffleProperty> property) {
    return property ? PinTarget::forModel(model, *property) : PinTarget{};
}

NotchSlider* makeSlider(NotchViewModel& model, const SliderRow& spec, QWidget* parent) {
    return new NotchSlider(qText(spec.label), doubleBinding(model, spec.property), spec.lowest, spec.highest,
                           spec.step, pinTarget(model, spec.pin), parent);
}

QLabel* makeLabel(const QString& text, double pixelSize, FontWeight weight, double opacity, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Inside a button a label would otherwise take the button's text role.
    label->setForegroundRole(QPalette::WindowText);
    label->setFont(panelFont(pixelSize, weight));
    setTextOpacity(label, opacity);
    return label;
}

FittingLabel* makeOneLineLabel(const QString& text, double pixelSize, FontWeight weight, double opacity,
                               QWidget* parent) {
    auto* label = new FittingLabel(text, panelFont(pixelSize, weight), whiteOpacity(opacity), 1, parent);
    // Its width is the row's to give; the text never asks for more.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

void setTextOpacity(QWidget* label, double opacity) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, whiteOpacity(opacity));
    label->setPalette(palette);
}

}  // namespace glimora
