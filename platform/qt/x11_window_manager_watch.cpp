#include "platform/qt/x11_window_manager_watch.hpp"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

#include "platform/qt/x11_requests.hpp"

namespace glimora {

WindowManagerWatch::WindowManagerWatch(QObject* parent) : QObject(parent) {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    checkAtom_ = internAtom(connection, "_NET_SUPPORTING_WM_CHECK");
    supportedAtom_ = internAtom(connection, "_NET_SUPPORTED");
    desktopTypeAtom_ = internAtom(connection, "_NET_WM_WINDOW_TYPE_DESKTOP");
    // A window manager starting sets its properties one by one, and one
    // replacing another may end the old one first: the answer is read once
    // they rest.
    settle_.setSingleShot(true);
    settle_.setInterval(250);
    connect(&settle_, &QTimer::timeout, this, [this] {
        supports_ = read();
        if (!supports_ || supports_ == reported_) return;
        reported_ = supports_;
        emit supportChanged(*supports_);
    });
    root_ = rootWindow(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
    addEvents(connection, root_, XCB_EVENT_MASK_PROPERTY_CHANGE);
    supports_ = read();
    reported_ = supports_;
}

WindowManagerWatch::~WindowManagerWatch() {
    if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
}

std::optional<bool> WindowManagerWatch::read() {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return std::nullopt;
    const std::vector<std::uint32_t> named = propertyItems(connection, root_, checkAtom_, XCB_ATOM_WINDOW);
    const xcb_window_t check = named.empty() ? xcb_window_t{XCB_NONE} : named.front();
    // Events first, then the check, so that its end is never missed.
    checkWindow_ = check != XCB_NONE && addEvents(connection, check, XCB_EVENT_MASK_STRUCTURE_NOTIFY) ? check : 0;
    if (!checkWindow_ || propertyItems(connection, check, checkAtom_, XCB_ATOM_WINDOW) != named)
        return std::nullopt;
    const std::vector<std::uint32_t> supported = propertyItems(connection, root_, supportedAtom_, XCB_ATOM_ATOM);
    return std::find(supported.begin(), supported.end(), desktopTypeAtom_) != supported.end();
}

bool WindowManagerWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* notice = static_cast<const xcb_property_notify_event_t*>(message);
        if (notice->window == root_ && (notice->atom == checkAtom_ || notice->atom == supportedAtom_))
            settle_.start();
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (checkWindow_ && static_cast<const xcb_destroy_notify_event_t*>(message)->window == checkWindow_)
            settle_.start();
        break;
    default:
        break;
    }
    return false;
}

}  // namespace glimora
