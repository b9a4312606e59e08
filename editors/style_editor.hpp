// The "Finish" tab: the ordered-dither texture, colour offset and bend, four
// on/off effects and the colour channel filter of a gradient design.
#pragma once

#include <array>

#include "editors/option_chip.hpp"
#include "editors/tab_editor.hpp"

namespace glimora {

class NotchSlider;
class PinButton;
class SideAwareSliderPair;
class StyleToggle;

class StyleEditor : public TabEditor {
    Q_OBJECT

public:
    StyleEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // The chip titles, in the order of the cases.
    static QString ditherTitle(DitherMode mode);
    static QString channelTitle(StyleChannel channel);

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();

    PinButton* texturePin_;
    OptionChips<DitherMode> ditherChips_;
    NotchSlider* colorOffset_;
    NotchSlider* bend_;
    SideAwareSliderPair* sliders_;
    std::array<StyleToggle*, 4> toggles_{};
    OptionChips<StyleChannel> channelChips_;
};

}  // namespace glimora
