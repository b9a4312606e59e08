// The device-pixel ratio Qt gives the X screen the saver draws on (see
// device_pixel_ratio.hpp): Xft.dpi from the server's resources, the primary
// monitor's name, and the environment.
#pragma once

#include <X11/Xlib.h>

namespace glimora::x11 {

double screenDevicePixelRatio(Display* display, Window root);

}  // namespace glimora::x11
