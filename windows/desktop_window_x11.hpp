// The X11 side of the desktop window, kept in one place.
#pragma once

#include <functional>

class QObject;
class QWidget;

namespace glimora {

// On X11: types the window _NET_WM_WINDOW_TYPE_DESKTOP, puts it on every
// workspace, keeps it below other windows and out of taskbars and pagers.
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

}  // namespace glimora
