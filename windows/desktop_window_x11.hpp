// The X11 side of the desktop window, kept in one place.
#pragma once

class QWidget;

namespace glimora {

// On X11: types the window _NET_WM_WINDOW_TYPE_DESKTOP, puts it on every
// workspace, keeps it below other windows and out of taskbars and pagers.
// Call after the native window exists and before it is first shown. On any
// other platform it does nothing.
void prepareDesktopWindow(QWidget& window);

}  // namespace glimora
