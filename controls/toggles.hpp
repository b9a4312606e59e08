// On/off rows and selectable chips of the editors.
//   StyleToggle: a capsule switch (22 x 14, knob 10) and a one-line label.
//   ToggleChip:  a 7-px dot and a title that may wrap.
//   Both: at least 27 high, 7 px of padding each side, radius-7 background
//   white 11 % on / 5 % off, text white 82 % / 38 %; a press writes the
//   negated value once through the binding. The pin follows the row only
//   when the PinTarget has both a property and an action (nothing otherwise).
//   ExportChoice: a centred 10-px title, white / white 40 %, on radius 7
//   white 11 % / 5 %, at least 28 high; a press calls the action.
// All re-read their state on sync() and never write while syncing.
//
// Use:
//   auto* mirror = new StyleToggle("Reflect", bind(model, &NotchViewModel::mirror, &NotchViewModel::setMirror),
//                                  PinTarget::forModel(model, ShuffleProperty::mirror));
//   auto* png = new ExportChoice("PNG", [&] { return model.exportFormat() == ExportFormat::png; },
//                                [&] { model.setExportFormat(ExportFormat::png); });
//   ... on a model change: mirror->sync(); png->sync();
#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <functional>

#include "controls/binding.hpp"
#include "controls/notch_button.hpp"
#include "controls/pin_button.hpp"

namespace glimora {

// The common row of StyleToggle and ToggleChip.
class OnOffRow : public QWidget {
    Q_OBJECT

public:
    enum class Marker { capsuleSwitch, dot };

    OnOffRow(Marker marker, const QString& text, Binding<bool> isOn, PinTarget pin, QWidget* parent = nullptr);

    // Re-reads the value and the pin in place.
    void sync();
    bool isOn() const { return on_; }
    const QString& text() const { return text_; }
    // The part that toggles; it carries the text as its accessible name and
    // is a check box, checked while on, to assistive tools.
    QAbstractButton* toggleButton() const;
    PinButton* pinButton() const { return pin_; }

    QColor backgroundColor() const;
    QColor textColor() const;
    // The marker's fill and, for the switch, the knob's fill and its rectangle
    // inside the toggle button.
    QColor markerColor() const;
    QColor knobColor() const;
    QRectF knobRect() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class ToggleButton;
    friend class ToggleButton;

    void toggle();

    Marker marker_;
    QString text_;
    Binding<bool> binding_;
    bool on_ = false;
    ToggleButton* button_ = nullptr;
    PinButton* pin_ = nullptr;
};

class StyleToggle : public OnOffRow {
    Q_OBJECT

public:
    StyleToggle(const QString& label, Binding<bool> isOn, PinTarget pin = {}, QWidget* parent = nullptr)
        : OnOffRow(Marker::capsuleSwitch, label, std::move(isOn), std::move(pin), parent) {}
};

class ToggleChip : public OnOffRow {
    Q_OBJECT

public:
    ToggleChip(const QString& title, Binding<bool> isOn, PinTarget pin = {}, QWidget* parent = nullptr)
        : OnOffRow(Marker::dot, title, std::move(isOn), std::move(pin), parent) {}
};

class ExportChoice : public NotchButton {
    Q_OBJECT

public:
    ExportChoice(const QString& title, std::function<bool()> isSelected, std::function<void()> action,
                 QWidget* parent = nullptr);

    void sync();
    bool isSelected() const { return selected_; }

private:
    void apply();

    std::function<bool()> isSelected_;
    bool selected_ = false;
};

}  // namespace glimora
