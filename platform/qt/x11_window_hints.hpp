// Window-manager hints on an X11 window that Qt has no flag for.
#pragma once

#include <initializer_list>

class QWidget;

namespace glimora {

// On X11: puts the window on every workspace, sets its _NET_WM_WINDOW_TYPE
// when one is given (e.g. "_NET_WM_WINDOW_TYPE_DESKTOP") and its
// _NET_WM_STATE to the given states (Qt merges its own into them when it
// maps the window). Call after the native window exists and before it is
// first shown: window managers read these at the first map. On any other
// platform it does nothing.
void setX11WindowHints(QWidget& window, const char* windowType, std::initializer_list<const char*> states);

}  // namespace glimora
