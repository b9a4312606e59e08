// The "Animation" tab: which value of the design moves, with what waveform,
// how fast, how far and over how long a loop, and the play button. For a
// wallpaper made from imported pictures it shows a short note instead.
//
// All ten property chips are built once; the shape decides which are shown.
#pragma once

#include <array>

#include "editors/option_chip.hpp"
#include "editors/tab_editor.hpp"

class QLabel;
class QScrollArea;

namespace glimora {

class NotchButton;
class NotchSlider;
class SideAwareSliderPair;

class AnimationEditor : public TabEditor {
    Q_OBJECT

public:
    AnimationEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    static QString waveformTitle(AnimationWaveform waveform);
    // The status line under the controls.
    static QString statusText(bool playing, AnimationWaveform waveform);

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();
    bool canAnimate() const;

    QWidget* note_;
    QWidget* controls_;
    QScrollArea* chipScroller_;
    OptionChips<AnimationProperty> propertyChips_;
    NotchButton* play_;
    QLabel* help_;
    NotchSlider* tempo_;
    NotchSlider* motion_;
    NotchSlider* cycle_;
    QWidget* waveforms_;
    OptionChips<AnimationWaveform> waveformChips_;
    SideAwareSliderPair* firstPair_;
    SideAwareSliderPair* secondPair_;
    QLabel* status_;
};

}  // namespace glimora
