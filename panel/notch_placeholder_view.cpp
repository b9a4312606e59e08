#include "panel/notch_placeholder_view.hpp"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "panel/tab_placeholder_editor.hpp"

namespace glimora {

NotchPlaceholderView::NotchPlaceholderView(NotchViewModelBridge& bridge, QWidget* parent)
    : QWidget(parent), bridge_(bridge), title_(makePlaceholderTitle(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab)) sync();
    });
    sync();
}

QString NotchPlaceholderView::titleText() const { return title_->text(); }

void NotchPlaceholderView::sync() { setPlaceholderTitle(*title_, bridge_.model().selectedTab()); }

void NotchPlaceholderView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    title_->setGeometry(rect());
}

void NotchPlaceholderView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!bridge_.model().expanded()) bridge_.model().setExpanded(true);
    event->accept();
}

void NotchPlaceholderView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && bridge_.model().expanded()) {
        bridge_.model().setExpanded(false);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace glimora
