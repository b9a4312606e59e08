#include "platform/qt/qt_application_start.hpp"

#include <cstdlib>
#include <utility>

// Xlib last: its macros break Qt's headers.
#include <X11/Xlib.h>

namespace glimora {

namespace {

std::FILE* messageOutput = nullptr;
std::string fatalPrefix;

void endWithoutAbort(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(messageOutput, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
        return;
    }
    const QString firstLine = message.section(QLatin1Char('\n'), 0, 0);
    std::fprintf(messageOutput, "%s%s\n", fatalPrefix.c_str(), firstLine.toLocal8Bit().constData());
    std::fflush(messageOutput);
    std::_Exit(1);
}

}  // namespace

bool qtDrawsThroughX11() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return platform == "xcb";
}

bool x11DisplayAnswers() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

QApplication& makeQtApplication(std::optional<QApplication>& application, int& argc, char** argv, std::FILE* err,
                                std::string failurePrefix) {
    messageOutput = err;
    fatalPrefix = std::move(failurePrefix);
    const QtMessageHandler previous = qInstallMessageHandler(endWithoutAbort);
    application.emplace(argc, argv);
    qInstallMessageHandler(previous);
    return *application;
}

}  // namespace glimora
