#include "panel/notch_placeholder_view.hpp"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace glimora {

NotchPlaceholderView::NotchPlaceholderView(NotchViewModelBridge& bridge, QWidget* parent)
    : QWidget(parent), bridge_(bridge), title_(new QLabel(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    title_->setAlignment(Qt::AlignCenter);
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = title_->font();
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    title_->setFont(font);
    QPalette palette = title_->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 235));
    title_->setPalette(palette);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab)) sync();
    });
    sync();
}

QString NotchPlaceholderView::titleText() const { return title_->text(); }

void NotchPlaceholderView::sync() {
    const std::string_view name = title(bridge_.model().selectedTab());
    title_->setText(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

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
