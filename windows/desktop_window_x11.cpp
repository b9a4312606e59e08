#include "windows/desktop_window_x11.hpp"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>

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

}  // namespace

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
