// The "Tuning" tab: the geometry sliders that mean something for the current
// shape, then the look controls every shape shares ("Cell Size", "Tone
// Steps", "Reflect", "OKLab").
//
// Each distinct set of rows is built once and the shape only decides which
// set shows, so a change of shape never deletes or moves a slider, not even
// one the user is dragging.
#pragma once

#include <memory>
#include <vector>

#include "editors/adjust_rows.hpp"
#include "editors/tab_editor.hpp"

class QVBoxLayout;

namespace glimora {

class NotchSlider;
class SideAwareSliderPair;
class ToggleChip;

class AdjustEditor : public TabEditor {
    Q_OBJECT

public:
    AdjustEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);
    ~AdjustEditor() override;

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    struct Group;
    Group& groupFor(NotchShape shape);
    void layOut();
    void sync();

    QVBoxLayout* groups_;
    std::vector<std::unique_ptr<Group>> groupList_;
    NotchSlider* cellSize_;
    NotchSlider* toneSteps_;
    SideAwareSliderPair* lookPair_;
    ToggleChip* reflect_;
    ToggleChip* okLab_;
};

}  // namespace glimora
