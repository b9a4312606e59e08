// The X11 side of the desktop window, kept in one place.
#pragma once

#include <functional>

class QObject;
class QWidget;

namespace glimora {

// On X11: types the window _NET_WM_WINDOW_TYPE_DESKTOP, puts it on every
// workspace, keeps it below other windows and out of taskbars and pagers
// (and learns what whenX11ServerCaughtUp needs of the server, so that it
// never waits for it).
// Call after the native window exists and before it is first shown. On any
// other platform it does nothing.
void prepareDesktopWindow(QWidget& window);

// On X11: calls `covered(true)` once nothing of the window can be seen (the
// server reports it fully obscured, or a full-screen window of the current
// desktop covers its monitor, which a compositing manager leaves the server
// unaware of) and `covered(false)` once any of it shows again. Returns the
// watcher (a child of the window: it ends with it), or null on any other
// platform. Call after the native window exists.
QObject* watchDesktopWindowCover(QWidget& window, std::function<void(bool covered)> covered);

// On X11: calls `then` from the event loop once the X server has done
// everything asked of it so far (a frame just sent, for one), without
// waiting for it meanwhile; not at all if the window goes first. Needs the
// window's native window and its property notices, which Qt's windows take.
// Elsewhere: on the loop's next turn.
void whenX11ServerCaughtUp(QWidget& window, std::function<void()> then);

}  // namespace glimora
