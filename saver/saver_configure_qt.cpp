#include "saver/saver_configure_qt.hpp"

#include <QApplication>

#include <cstdlib>
#include <string>

#include "saver/configuration_sheet_qt.hpp"
#include "saver/saver_program.hpp"

// Xlib last: its macros break Qt's headers.
#include <X11/Xlib.h>

namespace glimora {

namespace {

std::FILE* fatalOutput = nullptr;

// Qt ends a program whose platform cannot start with an abort (and a core
// dump); while the application is made, such a failure ends it with one line
// and status 1 instead.
void failWithoutAbort(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(fatalOutput, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
        return;
    }
    const QString firstLine = message.section(QLatin1Char('\n'), 0, 0);
    std::fprintf(fatalOutput, "ombriq-saver: cannot show the settings dialog: %s\n",
                 firstLine.toLocal8Bit().constData());
    std::fflush(fatalOutput);
    std::_Exit(1);
}

// Whether Qt will certainly draw through X11: then the display is checked
// here, with the saver's own message for a missing one.
bool usesX11() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return platform == "xcb";
}

}  // namespace

int runConfigure(const SaverOptions& options, int argc, char* argv[], std::FILE* err) {
    if (options.display) ::setenv("DISPLAY", options.display->c_str(), 1);
    if (usesX11()) {
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            const char* name = std::getenv("DISPLAY");
            std::fprintf(err, "ombriq-saver: cannot open display \"%s\"\n", name ? name : "");
            return 1;
        }
        XCloseDisplay(display);
    }
    fatalOutput = err;
    const QtMessageHandler previous = qInstallMessageHandler(failWithoutAbort);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("ombriq-saver"));
    OmbriqScreenSaverConfigurationController dialog(openScreenSaverDefaults(std::make_shared<SaverLogger>()));
    dialog.exec();
    return 0;
}

}  // namespace glimora
