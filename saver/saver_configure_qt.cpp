#include "saver/saver_configure_qt.hpp"

#include <cstdlib>
#include <optional>

#include "platform/qt/qt_application_start.hpp"
#include "saver/configuration_sheet_qt.hpp"
#include "saver/saver_program.hpp"

namespace glimora {

int runConfigure(const SaverOptions& options, int argc, char* argv[], std::FILE* err) {
    if (options.display) ::setenv("DISPLAY", options.display->c_str(), 1);
    // Checked here when Qt will certainly draw through X11, with the saver's
    // own message for a missing display.
    if (qtDrawsThroughX11() && !x11DisplayAnswers()) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(err, "ombriq-saver: cannot open display \"%s\"\n", name ? name : "");
        return 1;
    }
    std::optional<QApplication> application;
    makeQtApplication(application, argc, argv, err, "ombriq-saver: cannot show the settings dialog: ");
    QApplication::setApplicationName(QStringLiteral("ombriq-saver"));
    OmbriqScreenSaverConfigurationController dialog(openScreenSaverDefaults(std::make_shared<SaverLogger>()));
    dialog.exec();
    return 0;
}

}  // namespace glimora
