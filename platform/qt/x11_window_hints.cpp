#include "platform/qt/x11_window_hints.hpp"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace glimora {

namespace {

// All requests first, then the replies: one round trip for every name.
std::vector<xcb_atom_t> internAtoms(xcb_connection_t* connection, const std::vector<const char*>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char* name : names)
        cookies.push_back(xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    std::vector<xcb_atom_t> atoms;
    for (const auto& cookie : cookies) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
        std::free(reply);
    }
    return atoms;
}

}  // namespace

void setX11WindowHints(QWidget& window, const char* windowType, std::initializer_list<const char*> states) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    std::vector<const char*> names{"_NET_WM_WINDOW_TYPE", "_NET_WM_DESKTOP", "_NET_WM_STATE"};
    if (windowType) names.push_back(windowType);
    names.insert(names.end(), states.begin(), states.end());
    const std::vector<xcb_atom_t> atoms = internAtoms(connection, names);
    for (const xcb_atom_t atom : atoms)
        if (atom == XCB_ATOM_NONE) return;
    const auto id = static_cast<xcb_window_t>(window.winId());

    std::size_t next = 3;
    if (windowType) {
        const xcb_atom_t type = atoms[next++];
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[0], XCB_ATOM_ATOM, 32, 1, &type);
    }
    // 0xFFFFFFFF: every workspace.
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[1], XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    const std::vector<xcb_atom_t> stateAtoms(atoms.begin() + std::ptrdiff_t(next), atoms.end());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[2], XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(stateAtoms.size()), stateAtoms.data());
    xcb_flush(connection);
}

}  // namespace glimora
