#include "windows/desktop_window_x11.hpp"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace glimora {

namespace {

enum AtomName { windowType, windowTypeDesktop, desktop, state, stateBelow, stateSticky, skipTaskbar, skipPager, count };

constexpr std::array<const char*, AtomName::count> atomNames{
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_DESKTOP",         "_NET_WM_STATE",
    "_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY",        "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};

// All requests first, then the replies: one round trip instead of eight.
bool internAtoms(xcb_connection_t* connection, std::array<xcb_atom_t, AtomName::count>& atoms) {
    std::array<xcb_intern_atom_cookie_t, AtomName::count> cookies{};
    for (std::size_t i = 0; i < atomNames.size(); ++i)
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(atomNames[i])),
                                     atomNames[i]);
    bool complete = true;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        complete = complete && atoms[i] != XCB_ATOM_NONE;
        std::free(reply);
    }
    return complete;
}

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
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    std::array<xcb_atom_t, AtomName::count> atoms{};
    if (!internAtoms(connection, atoms)) return;
    const auto id = static_cast<xcb_window_t>(window.winId());

    const xcb_atom_t type = atoms[windowTypeDesktop];
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[windowType], XCB_ATOM_ATOM, 32, 1, &type);
    // 0xFFFFFFFF: every workspace.
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[desktop], XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    // Qt merges its own states into these when it maps the window.
    const std::array<xcb_atom_t, 4> states{atoms[stateBelow], atoms[stateSticky], atoms[skipTaskbar], atoms[skipPager]};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[state], XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

}  // namespace glimora
