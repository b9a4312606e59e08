#include "windows/desktop_window_x11.hpp"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

#include "platform/qt/x11_window_hints.hpp"

namespace glimora {

namespace {

// Visibility notices of one window, from the application's X connection.
class CoverWatcher : public QObject, public QAbstractNativeEventFilter {
public:
    CoverWatcher(QWidget& window, xcb_window_t id, std::function<void(bool)> covered)
        : QObject(&window), id_(id), covered_(std::move(covered)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~CoverWatcher() override {
        if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_VISIBILITY_NOTIFY) return false;
        const auto* notice = static_cast<const xcb_visibility_notify_event_t*>(message);
        if (notice->window != id_) return false;
        covered_(notice->state == XCB_VISIBILITY_FULLY_OBSCURED);
        return false;
    }

private:
    xcb_window_t id_;
    std::function<void(bool)> covered_;
};

}  // namespace

QObject* watchDesktopWindowCover(QWidget& window, std::function<void(bool covered)> covered) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    // Added to the events Qt already asked for on the window.
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id), nullptr);
    if (!attributes) return nullptr;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(connection, id, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    return new CoverWatcher(window, id, std::move(covered));
}

void prepareDesktopWindow(QWidget& window) {
    setX11WindowHints(window, "_NET_WM_WINDOW_TYPE_DESKTOP",
                      {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                       "_NET_WM_STATE_SKIP_PAGER"});
}

}  // namespace glimora
