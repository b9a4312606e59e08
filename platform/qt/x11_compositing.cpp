#include "platform/qt/x11_compositing.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <string>
#include <vector>

#include <xcb/xcb.h>

// Xlib last: its macros break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <X11/extensions/xfixesproto.h>

namespace glimora {

namespace {

Display* x11Display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

}  // namespace

CompositingManagerWatch::CompositingManagerWatch(QObject* parent) : QObject(parent) {
    Display* display = x11Display();
    if (!display) return;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &fixesEventBase_, &errorBase)) {
        fixesEventBase_ = -1;
        return;
    }
    int major = 0, minor = 0;
    XFixesQueryVersion(display, &major, &minor);
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    selection_ = XInternAtom(display, name.c_str(), False);
    XFixesSelectSelectionInput(display, DefaultRootWindow(display), Atom(selection_),
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
    active_ = XGetSelectionOwner(display, Atom(selection_)) != 0;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

CompositingManagerWatch::~CompositingManagerWatch() {
    if (fixesEventBase_ >= 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool CompositingManagerWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (fixesEventBase_ < 0 || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != fixesEventBase_ + XFixesSelectionNotify) return false;
    const auto* notify = reinterpret_cast<const xXFixesSelectionNotifyEvent*>(event);
    // Qt watches the clipboard's selections the same way: let those pass.
    if (notify->selection != selection_) return false;
    const bool active = notify->owner != 0;
    if (active != active_) {
        active_ = active;
        emit activeChanged(active_);
    }
    return false;
}

namespace {

void setX11Shape(QWidget& window, int kind, const QRegion& region) {
    Display* display = x11Display();
    if (!display) return;
    const auto id = static_cast<Window>(window.winId());
    if (region.isEmpty()) {
        XShapeCombineMask(display, id, kind, 0, 0, 0, ShapeSet);
    } else {
        std::vector<XRectangle> rectangles;
        rectangles.reserve(std::size_t(region.rectCount()));
        for (const QRect& r : region)
            rectangles.push_back({short(r.x()), short(r.y()), static_cast<unsigned short>(r.width()),
                                  static_cast<unsigned short>(r.height())});
        XShapeCombineRectangles(display, id, kind, 0, 0, rectangles.data(), int(rectangles.size()), ShapeSet,
                                Unsorted);
    }
    XFlush(display);
}

}  // namespace

void setX11InputShape(QWidget& window, const QRegion& region) { setX11Shape(window, ShapeInput, region); }

void setX11BoundingShape(QWidget& window, const QRegion& region) { setX11Shape(window, ShapeBounding, region); }

}  // namespace glimora
