// ombriq-saver's X11 host: the window to draw into, a frame every 1/30 s
// pushed through MIT-SHM where the server offers it on this machine (plain
// XPutImage otherwise), and the ways the program ends. Xlib straight: the window is
// usually another program's (XScreenSaver's, or the root), which Qt cannot
// paint into.
#pragma once

#include <functional>

#include "saver/end_watch.hpp"
#include "saver/saver_options.hpp"
#include "saver/saver_program.hpp"

namespace glimora {

// Runs until SIGTERM, SIGINT or SIGHUP, or until the window is destroyed
// (then 0); returns 1 with one line on stderr when it cannot draw (no
// display, no such window, a visual or pixel size it cannot use).
// The signals end it within `EndWatch::grace`, whatever it is doing: a loop
// that has not ended by then (stuck in Xlib, with a server that stopped
// answering) is cut short by the watch, with status 0. A server that leaves
// a frame unanswered for 5 s (shared pixels not taken, plain ones not read)
// ends the process with status 1 and one line on stderr.
// The library is loaded (`load`) once the window is known to be usable.
int runOnX11(const SaverOptions& options, const std::function<SaverStart()>& load, EndWatch& watch);

}  // namespace glimora
