#include "app/command_line.hpp"

#include <string_view>

#include "app/build_configuration.hpp"
#include "platform/program_output.hpp"

namespace glimora {

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] ? argv[i] : "";
        if (argument == "--help" || argument == "-h") {
            // Help wins over everything else on the line, as is usual.
            line.action = CommandLine::Action::help;
            return line;
        }
        if (argument == "--version") {
            if (line.action == CommandLine::Action::run) line.action = CommandLine::Action::version;
        } else if (argument == "--settings") {
            line.openSettings = true;
        } else if (line.action != CommandLine::Action::invalid) {
            line.action = CommandLine::Action::invalid;
            line.error = (argument.starts_with('-') ? "unknown option " : "unexpected argument ") +
                         quotedArgument(argument);
        }
    }
    // An error beats --version; a --help anywhere has returned already.
    return line;
}

std::string helpText() {
    return "Usage: glimora [--settings]\n"
           "\n"
           "Glimora, a wallpaper studio: draws the current design on the desktop and\n"
           "edits it from a panel at a screen edge. Only one copy runs per user; a\n"
           "later start hands its request to the running one and ends.\n"
           "\n"
           "Options:\n"
           "  --settings   open the Notch Position settings window\n"
           "  -h, --help   print this help and exit\n"
           "  --version    print the version and exit\n";
}

std::string versionText() { return programVersionText("glimora", build::version); }

}  // namespace glimora
