// glimora: the wallpaper studio. One copy per user; a second start brings the
// running one to the front and ends.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <optional>
#include <string>

#include "app/app_delegate.hpp"
#include "app/command_line.hpp"
#include "app/single_instance.hpp"
#include "platform/memory_pages.hpp"
#include "platform/program_output.hpp"
#include "platform/qt/qt_application_start.hpp"

namespace {

int terminationPipe[2] = {-1, -1};

void noteTermination(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(terminationPipe[1], &byte, 1);
}

// SIGTERM (a session ending) and SIGINT end the event loop like "Quit", so the
// program winds down normally; the handler itself only writes to a pipe.
void quitOnTerminationSignals(QObject& context) {
    if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, &context);
    QObject::connect(notifier, &QSocketNotifier::activated, &context, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = noteTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// One line rather than Qt's abort: from a text console, over ssh without X
// forwarding, or in a Wayland session without XWayland.
int reportNoX11Display() {
    const QByteArray name = qgetenv("DISPLAY");
    const std::string reason =
        name.isEmpty() ? "DISPLAY is not set" : "cannot open display \"" + name.toStdString() + "\"";
    std::fprintf(stderr, "glimora: Glimora needs an X11 display (under Wayland, XWayland): %s\n", reason.c_str());
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace glimora;
    // Help, the version and a mistyped option answer at once and never reach a running copy.
    const CommandLine commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLine::Action::help: return printProgramText("glimora", helpText());
    case CommandLine::Action::version: return printProgramText("glimora", versionText());
    case CommandLine::Action::invalid: return reportUsageError("glimora", commandLine.error);
    case CommandLine::Action::run: break;
    }
    const auto request =
        commandLine.openSettings ? SingleInstance::Request::openSettings : SingleInstance::Request::activate;

    // Before anything is allocated: the library's photos are megabytes each.
    returnLargeBlocksWhenFreed();
    SystemLogger logger;
    // Settled before anything reads or writes the user's files.
    std::unique_ptr<SingleInstance> instance;
    if (const auto folder = SingleInstance::defaultRuntimeFolder()) {
        instance = std::make_unique<SingleInstance>(*folder);
        if (instance->claim() == SingleInstance::Role::secondary) {
            if (!instance->askPrimary(request, 3000))
                logger.log("Glimora is already running but did not answer; this start ends");
            return 0;
        }
        if (instance->failure()) logger.log("Glimora cannot make sure it runs once: " + *instance->failure());
    } else {
        logger.log("Glimora cannot make sure it runs once: no private runtime folder");
    }

    // The desktop window is an X11 desktop-type window: use X11 (XWayland
    // under Wayland) unless the user chose a platform. Checked after the
    // claim, so that a start without a display still reaches a running copy.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    if (qtDrawsThroughX11() && !x11DisplayAnswers()) return reportNoX11Display();
    std::optional<QApplication> started;
    QApplication& application = makeQtApplication(started, argc, argv, stderr, "glimora: cannot show its windows: ");
    QApplication::setApplicationName(QStringLiteral("Glimora"));
    QApplication::setDesktopFileName(QStringLiteral("glimora"));
    quitOnTerminationSignals(application);

    AppDelegate delegate(AppDelegate::Environment::system());
    const auto answer = [&delegate](SingleInstance::Request later) {
        if (later == SingleInstance::Request::openSettings)
            delegate.showSettingsWindow();
        else
            delegate.handleReopen();
    };
    if (instance && !instance->listen(answer))
        logger.log("Glimora will not hear from later starts: " + instance->failure().value_or("unknown reason"));
    delegate.applicationDidFinishLaunching();
    if (commandLine.openSettings) delegate.showSettingsWindow();
    return application.exec();
}
