// What the panel's custom-painted controls tell assistive tools. Qt hands
// every widget's accessible interface to AT-SPI on Linux, where Orca reads
// it; a plain QWidget would be an unnamed "client" there. A control that
// derives from AccessibleControl says what it is: a push button, a page
// tab (selected or not), a check box or a radio button (checked or not), a
// separator, a picture, a text. Sliders (NotchSliderTrack) also give their value
// and range. Names come from the widget's accessible name (the help text or
// the label the panel gives), hints from its accessible description.
//
// Use: derive, answer accessibleRole() (and accessibleOn() for a two-state
// role), call ensureControlAccessibility() in the constructor and
// notifyAccessibleOnChange(this) after the state changed.
#pragma once

#include <QAccessible>
#include <QString>

class QWidget;

namespace glimora {

class AccessibleControl {
public:
    virtual QAccessible::Role accessibleRole() const = 0;
    // Checked for a check box or radio button, selected for a page tab.
    virtual bool accessibleOn() const { return false; }
    // The name when the widget has no accessible name: a painted text.
    virtual QString accessibleText() const { return {}; }

protected:
    ~AccessibleControl() = default;
};

// Installs the interfaces of the panel's controls with Qt's accessibility;
// once, before the first control is asked for its interface.
void ensureControlAccessibility();

// Tells assistive tools that `control`'s accessibleOn() changed.
void notifyAccessibleOnChange(QWidget* control);

// Tells assistive tools that a slider's value changed.
void notifyAccessibleValueChange(QWidget* slider, double value);

}  // namespace glimora
