#include "controls/accessibility.hpp"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLocale>
#include <QWidget>

#include "controls/notch_slider.hpp"

namespace glimora {

namespace {

class ControlAccessible final : public QAccessibleWidget {
public:
    ControlAccessible(QWidget* widget, const AccessibleControl& control)
        : QAccessibleWidget(widget, control.accessibleRole()), control_(control) {}

    QAccessible::Role role() const override { return control_.accessibleRole(); }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        switch (role()) {
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
            state.checkable = true;
            state.checked = control_.accessibleOn();
            break;
        case QAccessible::PageTab:
            state.selectable = true;
            state.selected = control_.accessibleOn();
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
            if (text.isEmpty()) text = control_.accessibleText();
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
    QAbstractButton* button() const { return qobject_cast<QAbstractButton*>(widget()); }

    const AccessibleControl& control_;
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
        if (kind == QAccessible::Value) return QLocale().toString(track()->value(), 'g', QLocale::FloatingPointShortest);
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return track()->value(); }
    void setCurrentValue(const QVariant& value) override {
        bool number = false;
        const double v = value.toDouble(&number);
        if (number) track()->writeValue(track()->snapped(v));
    }
    QVariant maximumValue() const override { return track()->upperBound(); }
    QVariant minimumValue() const override { return track()->lowerBound(); }
    QVariant minimumStepSize() const override { return track()->step(); }

private:
    NotchSliderTrack* track() const { return static_cast<NotchSliderTrack*>(widget()); }
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
