// ombriq-saver's X11 host: the window to draw into, a frame every 1/30 s
// pushed through MIT-SHM where the server offers it (plain XPutImage
// otherwise), and the ways the program ends. Xlib straight: the window is
// usually another program's (XScreenSaver's, or the root), which Qt cannot
// paint into.
#pragma once

#include <functional>

#include "saver/saver_options.hpp"
#include "saver/saver_program.hpp"

namespace glimora {

// Runs until SIGTERM, SIGINT or SIGHUP, or until the window is destroyed
// (then 0). Returns 1 with one line on stderr when it cannot draw (no
// display, no such window, a visual it cannot use) or when the server leaves
// a frame unanswered for 5 s.
// The library is loaded (`load`) once the window is known to be usable.
int runOnX11(const SaverOptions& options, const std::function<SaverStart()>& load);

}  // namespace glimora
