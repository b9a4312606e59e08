#include "controls/accessibility.hpp"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLocale>
#include <QWidget>

#include "controls/notch_slider.hpp"

namespace glimora {

namespace {

// Asks the widget on every call: while the widget is being destroyed (its
// own part already gone) it is no AccessibleControl any more, and the
// interface answers as a plain widget would.
class ControlAccessible final : public QAccessibleWidget {
public:
    ControlAccessible(QWidget* widget, const AccessibleControl& control)
        : QAccessibleWidget(widget, control.accessibleRole()) {}

    QAccessible::Role role() const override {
        const AccessibleControl* c = control();
        return c ? c->accessibleRole() : QAccessible::Client;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const AccessibleControl* c = control();
        switch (role()) {
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
            state.checkable = true;
            state.checked = c && c->accessibleOn();
            break;
        case QAccessible::PageTab:
            state.selectable = true;
            state.selected = c && c->accessibleOn();
            break;
        default: break;
        }
        if (const QAbstractButton* b = button(); b && b->isDown()) state.pressed = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        QString text = QAccessibleWidget::text(kind);
        // Without a name of its own, a button reads its text, a label what it paints.
        if (kind == QAccessible::Name && text.isEmpty()) {
            if (const QAbstractButton* b = button()) text = b->text();
            if (const AccessibleControl* c = control(); c && text.isEmpty()) text = c->accessibleText();
        }
        return text;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (const QAbstractButton* b = button(); b && b->isEnabled())
            names.prepend(role() == QAccessible::CheckBox ? toggleAction() : pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        QAbstractButton* b = button();
        if (b && b->isEnabled() && (name == pressAction() || name == toggleAction())) {
            b->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    const AccessibleControl* control() const { return dynamic_cast<const AccessibleControl*>(widget()); }
    QAbstractButton* button() const { return qobject_cast<QAbstractButton*>(widget()); }
};

// The slider's value is its bound value. AT-SPI offers increase and
// decrease on every value (a step from the current one): they write as a drag.
class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(NotchSliderTrack* track) : QAccessibleWidget(track, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        // The value as this locale writes numbers.
        if (kind == QAccessible::Value)
            return track() ? QLocale().toString(track()->value(), 'g', QLocale::FloatingPointShortest) : QString();
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return track() ? QVariant(track()->value()) : QVariant(); }
    void setCurrentValue(const QVariant& value) override {
        bool number = false;
        const double v = value.toDouble(&number);
        if (number && track()) track()->writeValue(track()->snapped(v));
    }
    QVariant maximumValue() const override { return track() ? QVariant(track()->upperBound()) : QVariant(); }
    QVariant minimumValue() const override { return track() ? QVariant(track()->lowerBound()) : QVariant(); }
    QVariant minimumStepSize() const override { return track() ? QVariant(track()->step()) : QVariant(); }

private:
    // Null once the track is being destroyed.
    NotchSliderTrack* track() const { return qobject_cast<NotchSliderTrack*>(widget()); }
};

QAccessibleInterface* controlInterface(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* track = qobject_cast<NotchSliderTrack*>(widget)) return new SliderAccessible(track);
    if (const auto* control = dynamic_cast<const AccessibleControl*>(widget)) return new ControlAccessible(widget, *control);
    return nullptr;
}

}  // namespace

void ensureControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&controlInterface);
        return true;
    }();
    (void)installed;
}

void notifyAccessibleOnChange(QWidget* control) {
    QAccessible::State changed;
    const auto* accessible = dynamic_cast<const AccessibleControl*>(control);
    if (accessible && accessible->accessibleRole() == QAccessible::PageTab)
        changed.selected = true;
    else
        changed.checked = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void notifyAccessibleValueChange(QWidget* slider, double value) {
    QAccessibleValueChangeEvent event(slider, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace glimora
