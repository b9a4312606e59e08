#include "editors/tab_editor.hpp"

namespace glimora {

TabEditor::TabEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent)
    : QWidget(parent), bridge_(bridge), inputs_(inputs) {
    connect(&bridge_, &NotchViewModelBridge::changed, this,
            [this](const NotchViewModelBridge::PropSet& props) { modelChanged(props); });
}

void TabEditor::setInputs(const EditorInputs& inputs) {
    if (inputs == inputs_) return;
    inputs_ = inputs;
    inputsChanged();
}

}  // namespace glimora
