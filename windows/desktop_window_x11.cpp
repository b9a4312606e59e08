#include "windows/desktop_window_x11.hpp"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/qt/x11_window_hints.hpp"

namespace glimora {

namespace {

// Asked of the server once, when the desktop window is made, so that a
// fence later never waits for the server (the point of a fence).
xcb_atom_t serverFenceMarker(xcb_connection_t* connection) {
    static const xcb_atom_t marker = [connection] {
        constexpr const char* name = "_GLIMORA_SERVER_FENCE";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name),
                                  nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }();
    return marker;
}

// Writes a marker property on the window and waits, without blocking, for
// the server's notice of it, which it sends only after everything asked of
// it before.
class ServerFence final : public QObject, public QAbstractNativeEventFilter {
public:
    ServerFence(QWidget& window, xcb_connection_t* connection, xcb_window_t id, xcb_atom_t marker,
                std::function<void()> then)
        : QObject(&window), id_(id), marker_(marker), then_(std::move(then)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        const std::uint32_t value = 1;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, marker, XCB_ATOM_CARDINAL, 32, 1, &value);
        xcb_flush(connection);
    }
    ~ServerFence() override {
        if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t" || !then_) return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto* notice = static_cast<const xcb_property_notify_event_t*>(message);
        if (notice->window != id_ || notice->atom != marker_) return false;
        // Called from the loop, not from inside Qt's event handling.
        QMetaObject::invokeMethod(this, [this] {
            const auto then = std::exchange(then_, nullptr);
            deleteLater();
            then();
        }, Qt::QueuedConnection);
        return false;
    }

private:
    xcb_window_t id_;
    xcb_atom_t marker_;
    std::function<void()> then_;
};

}  // namespace

void prepareDesktopWindow(QWidget& window) {
    setX11WindowHints(window, "_NET_WM_WINDOW_TYPE_DESKTOP",
                      {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                       "_NET_WM_STATE_SKIP_PAGER"});
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection()) serverFenceMarker(x11->connection());
}

void whenX11ServerCaughtUp(QWidget& window, std::function<void()> then) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window.testAttribute(Qt::WA_WState_Created)) {
        QMetaObject::invokeMethod(&window, std::move(then), Qt::QueuedConnection);
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t marker = serverFenceMarker(connection);
    if (marker == XCB_ATOM_NONE) {
        QMetaObject::invokeMethod(&window, std::move(then), Qt::QueuedConnection);
        return;
    }
    new ServerFence(window, connection, static_cast<xcb_window_t>(window.winId()), marker, std::move(then));
}

}  // namespace glimora
