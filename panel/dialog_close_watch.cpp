#include "panel/dialog_close_watch.hpp"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <utility>

namespace glimora {

DialogCloseWatch::DialogCloseWatch(QObject* parent, std::function<void(QWidget*)> onClose)
    : QObject(parent), onClose_(std::move(onClose)) {
    qApp->installEventFilter(this);
}

bool DialogCloseWatch::eventFilter(QObject* watched, QEvent* event) {
    // Which window had the focus then is no guide: the toolkit may already
    // have given it to a popup of the dialog, or to nothing. A minimised
    // window is hidden by the window system (a spontaneous hide) and is
    // still visible to the toolkit.
    if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow() && widget->windowType() == Qt::Dialog && !widget->isVisible()) onClose_(widget);
    return false;
}

}  // namespace glimora
