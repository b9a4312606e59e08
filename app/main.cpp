// glimora: the wallpaper studio. One copy per user; a second start brings the
// running one to the front and ends.
#include <QApplication>

#include "app/app_delegate.hpp"
#include "app/single_instance.hpp"

int main(int argc, char* argv[]) {
    using namespace glimora;
    SystemLogger logger;

    // Settled before anything reads or writes the user's files.
    std::unique_ptr<SingleInstance> instance;
    if (const auto folder = SingleInstance::defaultRuntimeFolder()) {
        instance = std::make_unique<SingleInstance>(*folder);
        if (instance->claim() == SingleInstance::Role::secondary) {
            if (!instance->askPrimaryToActivate(3000))
                logger.log("Glimora is already running but did not answer; this start ends");
            return 0;
        }
        if (instance->failure()) logger.log("Glimora cannot make sure it runs once: " + *instance->failure());
    } else {
        logger.log("Glimora cannot make sure it runs once: no private runtime folder");
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glimora"));
    QApplication::setDesktopFileName(QStringLiteral("glimora"));

    AppDelegate delegate(AppDelegate::Environment::system());
    if (instance && !instance->listen([&delegate] { delegate.handleReopen(); }))
        logger.log("Glimora will not hear from later starts: " + instance->failure().value_or("unknown reason"));
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
