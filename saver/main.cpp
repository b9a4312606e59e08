// ombriq-saver: Ombriq as a program of XScreenSaver. See saver_options.hpp
// for the command line.
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>

#include "saver/configuration_sheet_qt.hpp"
#include "saver/saver_options.hpp"
#include "saver/saver_program.hpp"
#include "saver/screen_saver_host_x11.hpp"

int main(int argc, char* argv[]) {
    using namespace glimora;
    SaverOptions options;
    try {
        options = parseSaverOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const SaverOptionsError& error) {
        std::fprintf(stderr, "ombriq-saver: %s (see ombriq-saver --help)\n", error.message.c_str());
        return 1;
    }
    switch (options.mode) {
    case SaverOptions::Mode::help: std::printf("%s\n", saverUsage); return 0;
    case SaverOptions::Mode::configure: {
        // Only the dialog needs Qt: the drawing runs on Xlib alone.
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("ombriq-saver"));
        OmbriqScreenSaverConfigurationController dialog(openScreenSaverDefaults(std::make_shared<SaverLogger>()));
        dialog.exec();
        return 0;
    }
    case SaverOptions::Mode::run: break;
    }
    if (options.offscreen) return runOffscreen(options, loadSaverStart(), stdout, stderr);
    return runOnX11(options, loadSaverStart);
}
