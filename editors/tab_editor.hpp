// What every tab editor is: a widget over the one editor model, laid out for
// the width and the placement the tab routing gives it. It holds no design
// data of its own; it reads the model and writes through its setters and
// actions, and follows the model's changes in place through the bridge.
#pragma once

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// The layout numbers the routing hands an editor.
struct EditorInputs {
    double availableWidth = 0;  // the width the editor may use
    bool isSideLayout = false;  // true in the side editor: one control to a row
    int columns = 0;            // the shape grid's column count (5 at top or bottom, 2 at a side)
    double itemSpacing = 0;     // the gradients grid's item spacing

    friend bool operator==(const EditorInputs&, const EditorInputs&) = default;
};

class TabEditor : public QWidget {
    Q_OBJECT

public:
    TabEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    const EditorInputs& inputs() const { return inputs_; }

    // A new width (the side editor's handle) lays the same widgets out again;
    // nothing is rebuilt, so a control being dragged keeps its grab.
    void setInputs(const EditorInputs& inputs);

protected:
    NotchViewModel& model() const { return bridge_.model(); }
    NotchViewModelBridge& bridge() const { return bridge_; }

    // Called after the inputs changed; the default does nothing.
    virtual void inputsChanged() {}
    // Called once per coalesced batch of model writes; update widgets in place.
    virtual void modelChanged(const NotchViewModelBridge::PropSet& props) { (void)props; }

private:
    NotchViewModelBridge& bridge_;
    EditorInputs inputs_;
};

}  // namespace glimora
