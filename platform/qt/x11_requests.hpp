// The few X requests that the shell's X11 pieces share, made on Qt's own
// connection to the X server, each waiting for its reply.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace glimora {

// Qt's connection; null off the X11 platform.
xcb_connection_t* x11Connection();

// The root window of the connection's first screen.
xcb_window_t rootWindow(xcb_connection_t* connection);

// XCB_ATOM_NONE when the server does not answer.
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name);

// Adds to the events this connection (Qt's too) takes from the window; false
// when the window is gone.
bool addEvents(xcb_connection_t* connection, xcb_window_t window, std::uint32_t events);

// The 32-bit items (atoms, windows, cardinals) of a property, at most
// `limit`; none when it is missing, of another format, or the window gone.
std::vector<std::uint32_t> propertyItems(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                         xcb_atom_t type, std::uint32_t limit = 4096);

}  // namespace glimora
