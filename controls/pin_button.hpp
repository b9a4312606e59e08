// The small pin that keeps one shuffle property when the design is shuffled.
// 12 x 12, "pin.fill" in the accent when pinned, "pin" in white 30 % when
// not; tooltip and accessible name "Pin <title>" / "Unpin <title>".
// Pressing it only calls the action; the look follows isPinned on sync().
//
// Use: `auto* pin = new PinButton(PinTarget::forModel(model, ShuffleProperty::spread));`
//      ... on a model change: `pin->sync();`
// PinTarget is also what the slider, toggles and chips take for their pin:
// a control shows the pin only when both the property and the action are given.
#pragma once

#include <functional>
#include <optional>

#include "controls/notch_button.hpp"
#include "model/design_options.hpp"

namespace glimora {

class NotchViewModel;

struct PinTarget {
    std::optional<ShuffleProperty> property;
    std::function<bool()> isPinned;
    std::function<void()> onToggle;

    // Whether a pin button is shown: a property and an action, both.
    bool isComplete() const { return property.has_value() && static_cast<bool>(onToggle); }
    // isPinned from the model's pins; the action toggles the pin in the model.
    static PinTarget forModel(NotchViewModel& model, ShuffleProperty property);
};

// "Pin Reach" / "Unpin Reach".
QString pinButtonText(ShuffleProperty property, bool isPinned);

class PinButton : public NotchButton {
    Q_OBJECT

public:
    // `spec` must be complete.
    explicit PinButton(PinTarget spec, QWidget* parent = nullptr);

    // Re-reads the pinned state: symbol, colour, tooltip, accessible name.
    void sync();
    std::optional<ShuffleProperty> property() const { return spec_.property; }
    bool isPinned() const { return pinned_; }

private:
    void apply();

    PinTarget spec_;
    bool pinned_ = false;
};

}  // namespace glimora
