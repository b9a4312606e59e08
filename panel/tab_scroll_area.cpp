#include "panel/tab_scroll_area.hpp"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "controls/panel_scroll_area.hpp"

namespace glimora {

TabScrollArea::TabScrollArea(NotchViewModelBridge& bridge, int shapeColumnCount, bool isSideLayout, double sideInset,
                             double edgeSpacer, QWidget* parent)
    : QScrollArea(parent),
      bridge_(bridge),
      shapeColumnCount_(shapeColumnCount),
      isSideLayout_(isSideLayout),
      sideInset_(sideInset),
      edgeSpacer_(edgeSpacer) {
    preparePanelScrollArea(*this);
    scrolled_ = new QWidget;
    content_ = new SelectedTabContent(bridge_, {0, shapeColumnCount_, isSideLayout_});
    columns_ = new ExpandedTabContent(content_, 0, sideInset_, scrolled_);
    setPanelScrolledWidget(*this, scrolled_);
    content_->setOnEditorSizeChange([this] { layoutContent(); });
    // The routing made the new tab's editor first (it listened first); its
    // height is known here.
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (!NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab)) return;
        layoutContent();
        // A tab opens at its top, never where the last one was scrolled to.
        verticalScrollBar()->setValue(0);
    });
}

int TabScrollArea::contentHeight() const { return scrolled_->height(); }

void TabScrollArea::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    layoutContent();
}

void TabScrollArea::layoutContent() {
    const int width = viewport()->width();
    content_->setLayoutNumbers({std::max(width - 2 * sideInset_, 0.0), shapeColumnCount_, isSideLayout_});
    const TabEditor* editor = content_->editor();
    const int editorHeight = std::max(editor ? editor->sizeHint().height() : 0, 0);
    const int spacer = int(std::lround(edgeSpacer_));
    columns_->setWidths(width, sideInset_);
    columns_->setGeometry(0, spacer, width, editorHeight);
    fitScrolledWidget(*this, editorHeight + 2 * spacer);
}

}  // namespace glimora
