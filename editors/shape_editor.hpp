// The "Forms" tab: the shapes of the shape-tab list as a grid of small
// mosaics in the current palette; pressing one makes it the design's shape.
// The selected shape's title is bright and carries the shape's pin.
#pragma once

#include <vector>

#include "editors/tab_editor.hpp"

class QGridLayout;

namespace glimora {

class ShapeTile;

class ShapeEditor : public TabEditor {
    Q_OBJECT

public:
    ShapeEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);
    ~ShapeEditor() override;

    // The grid's column count: at least one whatever the inputs say.
    int columnCount() const;

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();

    QGridLayout* grid_;
    std::vector<ShapeTile*> tiles_;
};

}  // namespace glimora
