#include "controls/panel_scroll_area.hpp"

#include <QScrollArea>

#include <algorithm>

namespace glimora {

QScrollArea* makePanelScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    preparePanelScrollArea(*scroll);
    return scroll;
}

void preparePanelScrollArea(QScrollArea& scroll) {
    scroll.setFrameShape(QFrame::NoFrame);
    scroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll.setWidgetResizable(false);
    scroll.setAttribute(Qt::WA_TranslucentBackground);
    scroll.setAutoFillBackground(false);
    scroll.viewport()->setAutoFillBackground(false);
}

void setPanelScrolledWidget(QScrollArea& scroll, QWidget* content) {
    scroll.setWidget(content);
    content->setAttribute(Qt::WA_TranslucentBackground);
    content->setAutoFillBackground(false);
}

void fitScrolledWidget(QScrollArea& scroll, int contentHeight) {
    QWidget* widget = scroll.widget();
    if (!widget) return;
    const QSize viewport = scroll.viewport()->size();
    widget->resize(viewport.width(), std::max(viewport.height(), contentHeight));
}

QScrollArea* makeChipScroller(QWidget* strip, int height, QWidget* parent) {
    QScrollArea* scroll = makePanelScrollArea(parent);
    scroll->setFixedHeight(height);
    strip->adjustSize();
    setPanelScrolledWidget(*scroll, strip);
    return scroll;
}

}  // namespace glimora
