// ombriq-saver: Ombriq as a program of XScreenSaver. See saver_options.hpp
// for the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/program_output.hpp"
#include "saver/end_watch.hpp"
#include "saver/saver_configure_qt.hpp"
#include "saver/saver_options.hpp"
#include "saver/saver_program.hpp"
#include "saver/screen_saver_host_x11.hpp"

int main(int argc, char* argv[]) {
    using namespace glimora;
    SaverOptions options;
    try {
        options = parseSaverOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const SaverOptionsError& error) {
        return reportUsageError("ombriq-saver", error.message);
    }
    switch (options.mode) {
    case SaverOptions::Mode::help: return printProgramText("ombriq-saver", saverHelpText);
    case SaverOptions::Mode::version:
        return printProgramText("ombriq-saver", programVersionText("ombriq-saver", GLIMORA_VERSION));
    // Only the dialog needs Qt: the drawing runs on Xlib alone.
    case SaverOptions::Mode::configure: return runConfigure(options, argc, argv, stderr);
    case SaverOptions::Mode::run: break;
    }
    // Before any thread starts: each leaves the end signals to the watch.
    EndWatch watch;
    if (options.offscreen) return runOffscreen(options, loadSaverStart(), stdout, stderr, watch);
    return runOnX11(options, loadSaverStart, watch);
}
