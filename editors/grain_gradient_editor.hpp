// The "Gradient" tab: tiles for the smooth gradient and the offered grain
// gradient looks, then the sliders of what is selected. Both slider sets are
// built once; the model's state decides which one shows.
#pragma once

#include <vector>

#include "editors/slider_row.hpp"
#include "editors/tab_editor.hpp"

class QGridLayout;

namespace glimora {

class GradientTile;
class NotchSlider;
class SideAwareSliderPair;

class GrainGradientEditor : public TabEditor {
    Q_OBJECT

public:
    GrainGradientEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // Whether the smooth set of sliders shows (else the grain set).
    static bool showsSmoothSet(const NotchViewModel& model);

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();

    QGridLayout* grid_;
    std::vector<GradientTile*> tiles_;
    QWidget* smoothSet_;
    QWidget* grainSet_;
    std::vector<std::pair<NotchSlider*, SliderRow>> sliders_;
    std::vector<SideAwareSliderPair*> pairs_;
    NotchSlider* offset_;
};

}  // namespace glimora
