// The application's command line, read before anything else starts.
#pragma once

#include <string>

namespace glimora {

struct CommandLine {
    enum class Action {
        run,      // start, or hand the request to the running copy
        help,     // print helpText() and end with 0
        version,  // print versionText() and end with 0
        invalid,  // print `error` (one line) on stderr and end with 1
    };
    Action action = Action::run;
    bool openSettings = false;  // --settings
    std::string error;
};

CommandLine parseCommandLine(int argc, const char* const* argv);

std::string helpText();
std::string versionText();

}  // namespace glimora
