// "ombriq-saver --configure": the settings dialog as a program of its own.
#pragma once

#include <cstdio>

#include "saver/saver_options.hpp"

namespace glimora {

// Shows the dialog until it is closed: 0. With no display to show it on, one
// line on `err` and 1, as the saver itself ends then, never Qt's abort.
int runConfigure(const SaverOptions& options, int argc, char* argv[], std::FILE* err);

}  // namespace glimora
