// The application's command line, read before anything else starts.
#pragma once

#include <string>

namespace glimora {

struct CommandLine {
    enum class Action {
        run,      // start, or hand the request to the running copy
        help,     // print helpText() and end with 0
        version,  // print versionText() and end with 0
        invalid,  // report `error` as a usage error (reportUsageError) and end with 1
    };
    Action action = Action::run;
    bool openSettings = false;  // --settings
    std::string error;  // what is wrong, without the program's name
};

CommandLine parseCommandLine(int argc, const char* const* argv);

std::string helpText();
std::string versionText();

}  // namespace glimora
