// The editor of a tab until the tab's own arrives: its title, and the layout
// inputs the routing gave it.
#pragma once

#include "editors/tab_editor.hpp"

class QLabel;

namespace glimora {

// A tab's title as the placeholders show it: centred, white, 12 px semibold;
// mouse clicks go to the view below it.
QLabel* makePlaceholderTitle(QWidget* parent = nullptr);
void setPlaceholderTitle(QLabel& label, NotchTab tab);

class TabPlaceholderEditor final : public TabEditor {
public:
    TabPlaceholderEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs,
                         QWidget* parent = nullptr);

    NotchTab tab() const { return tab_; }
    QString titleText() const;

protected:
    void inputsChanged() override;

private:
    NotchTab tab_;
    QLabel* title_;
};

}  // namespace glimora
