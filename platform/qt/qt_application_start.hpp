// Starting the Qt application of a program that draws through X11 (glimora,
// the saver's settings dialog): the display is checked first, and Qt's abort
// on a platform that cannot start becomes one line and status 1, so that a
// session without X11 never ends in a core dump.
#pragma once

#include <QApplication>

#include <cstdio>
#include <optional>
#include <string>

namespace glimora {

// Whether Qt will draw through X11: QT_QPA_PLATFORM is "xcb", or it is unset
// outside a Wayland session.
bool qtDrawsThroughX11();

// Whether the X server that DISPLAY names answers (a connection is opened and
// closed again).
bool x11DisplayAnswers();

// Makes the program's application in `application` and returns it. While it
// is made, a platform that Qt cannot start writes "`failurePrefix`Qt's first
// line" on `err` and ends the program with status 1; Qt's other messages then
// go to `err` as Qt formats them.
QApplication& makeQtApplication(std::optional<QApplication>& application, int& argc, char** argv, std::FILE* err,
                                std::string failurePrefix);

}  // namespace glimora
