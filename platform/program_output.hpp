// What the programs (glimora, ombriq-saver, glimora-render) print for --help
// and --version and say of a bad command line, the way GNU programs do, so
// that users and scripts meet one style across them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace glimora {

// An argument as the messages quote it: 'TEXT', with bytes that are no UTF-8
// replaced so that the line stays printable.
std::string quotedArgument(std::string_view argument);

// "PROGRAM VERSION" and a newline.
std::string programVersionText(std::string_view program, std::string_view version);

// Writes `text` to `out` and flushes it: 0. A write that fails (a full disk, a
// closed output) is no success: "PROGRAM: write error: REASON" on `err`, and 1.
int printProgramText(std::string_view program, std::string_view text, std::FILE* out = stdout,
                     std::FILE* err = stderr);

// "PROGRAM: MESSAGE", then "Try 'PROGRAM --help' for more information." on
// `err`; returns 1, the status to end with.
int reportUsageError(std::string_view program, std::string_view message, std::FILE* err = stderr);

}  // namespace glimora
