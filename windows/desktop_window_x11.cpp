#include "windows/desktop_window_x11.hpp"

#include "platform/qt/x11_window_hints.hpp"

namespace glimora {

void prepareDesktopWindow(QWidget& window) {
    setX11WindowHints(window, "_NET_WM_WINDOW_TYPE_DESKTOP",
                      {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                       "_NET_WM_STATE_SKIP_PAGER"});
}

}  // namespace glimora
