// The settings window's content: where the notch panel lives. One radio
// button per placement, bound to the model's placement, and the current
// position below. Keeps no state of its own; follows the model in place.
#pragma once

#include <map>

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"

class QLabel;
class QRadioButton;

namespace glimora {

class NotchPlacementSettingsView final : public QWidget {
public:
    // The bridge must outlive the view.
    explicit NotchPlacementSettingsView(NotchViewModelBridge& bridge, QWidget* parent = nullptr);

    QRadioButton* button(NotchPlacement placement) const { return buttons_.at(placement); }
    QString currentPositionText() const;

    static constexpr int contentWidth = 360;
    static constexpr int contentHeight = 220;

private:
    void sync();

    NotchViewModelBridge& bridge_;
    std::map<NotchPlacement, QRadioButton*> buttons_;
    QLabel* current_;
};

// The window around it: "Notch Position", fixed at the content's size.
QWidget* makeNotchPlacementSettingsWindow(NotchViewModelBridge& bridge, QWidget* parent);

// "Top", "Left", "Right", "Bottom".
QString placementTitleText(NotchPlacement placement);

}  // namespace glimora
