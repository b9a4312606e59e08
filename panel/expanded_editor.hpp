// The open panel at the top or bottom edge: a 41-px header of the nine tab
// buttons (sharing the width), Randomize and Close, above a vertically
// scrolling area with the selected tab's editor. It holds no state of its
// own; with `shader` selected (no button selects it) no button is lit.
#pragma once

#include <QWidget>

#include <vector>

#include "panel/tab_scroll_area.hpp"

namespace glimora {

class NotchButton;

class ExpandedEditor final : public QWidget {
public:
    static constexpr int headerHeight = 41;

    // The bridge must outlive the view.
    ExpandedEditor(NotchViewModelBridge& bridge, double headerHorizontalInset, double tabEdgeBoxWidth,
                   QWidget* parent = nullptr);

    // In NotchTab's allCases order.
    const std::vector<NotchButton*>& tabButtons() const { return tabs_; }
    NotchButton* randomizeButton() const { return randomize_; }
    NotchButton* closeButton() const { return close_; }
    TabScrollArea* scrollArea() const { return scroll_; }
    SelectedTabContent* tabContent() const { return scroll_->tabContent(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void sync();
    void layoutParts();

    NotchViewModelBridge& bridge_;
    double headerInset_;
    std::vector<NotchButton*> tabs_;
    NotchButton* randomize_;
    NotchButton* close_;
    TabScrollArea* scroll_;
};

}  // namespace glimora
