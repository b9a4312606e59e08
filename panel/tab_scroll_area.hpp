// The scrolling part of an open panel, the same at every edge: the selected
// tab's editor in the middle column of an ExpandedTabContent, `edgeSpacer`
// px of empty space above and below it, no indicators. The scrolled height
// follows the editor's own height, also when the editor grows or shrinks
// while its tab is shown (a saved recipe adds a row to the history). Each
// tab opens scrolled to its top.
#pragma once

#include <QScrollArea>

#include "panel/selected_tab_content.hpp"

namespace glimora {

class TabScrollArea final : public QScrollArea {
public:
    // The editor gets the area's width less `sideInset` at each side. The
    // bridge must outlive the view.
    TabScrollArea(NotchViewModelBridge& bridge, int shapeColumnCount, bool isSideLayout, double sideInset,
                  double edgeSpacer, QWidget* parent = nullptr);

    SelectedTabContent* tabContent() const { return content_; }
    // The height of the scrolled content: the editor's and both spacers.
    int contentHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContent();

    NotchViewModelBridge& bridge_;
    int shapeColumnCount_;
    bool isSideLayout_;
    double sideInset_;
    double edgeSpacer_;
    QWidget* scrolled_;
    ExpandedTabContent* columns_;
    SelectedTabContent* content_;
};

}  // namespace glimora
