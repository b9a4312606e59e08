#include "editors/design_tab_editors.hpp"

#include "editors/adjust_editor.hpp"
#include "editors/animation_editor.hpp"
#include "editors/color_editor.hpp"
#include "editors/grain_gradient_editor.hpp"
#include "editors/shape_editor.hpp"
#include "editors/style_editor.hpp"

namespace glimora {

TabEditor* makeDesignTabEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs) {
    switch (tab) {
    case NotchTab::shape: return new ShapeEditor(bridge, inputs);
    case NotchTab::gradients: return new GrainGradientEditor(bridge, inputs);
    case NotchTab::color: return new ColorEditor(bridge, inputs);
    case NotchTab::adjust: return new AdjustEditor(bridge, inputs);
    case NotchTab::style: return new StyleEditor(bridge, inputs);
    case NotchTab::animation: return new AnimationEditor(bridge, inputs);
    case NotchTab::image:
    case NotchTab::shader:
    case NotchTab::export_:
    case NotchTab::history: break;
    }
    return nullptr;
}

}  // namespace glimora
