#include "controls/pin_button.hpp"

#include "state/notch_view_model.hpp"

namespace glimora {

PinTarget PinTarget::forModel(NotchViewModel& model, ShuffleProperty property) {
    return {property, [&model, property] { return model.isPinned(property); },
            [&model, property] { model.togglePin(property); }};
}

QString pinButtonText(ShuffleProperty property, bool isPinned) {
    const std::string_view name = title(property);
    return QString::fromUtf8(isPinned ? "Unpin " : "Pin ") + QString::fromUtf8(name.data(), qsizetype(name.size()));
}

PinButton::PinButton(PinTarget spec, QWidget* parent)
    : NotchButton(Look::plain, {}, parent), spec_(std::move(spec)) {
    setAction([this] {
        if (spec_.onToggle) spec_.onToggle();
    });
    setFixedSize(12, 12);
    pinned_ = spec_.isPinned && spec_.isPinned();
    apply();
}

void PinButton::sync() {
    const bool pinned = spec_.isPinned && spec_.isPinned();
    if (pinned == pinned_) return;
    pinned_ = pinned;
    apply();
}

void PinButton::apply() {
    setSymbol(pinned_ ? "pin.fill" : "pin", 8, FontWeight::bold);
    setLabelColor(pinned_ ? accentColor() : whitePercent(30));
    const QString text = spec_.property ? pinButtonText(*spec_.property, pinned_) : QString();
    setToolTip(text);
    setAccessibleName(text);
}

}  // namespace glimora
