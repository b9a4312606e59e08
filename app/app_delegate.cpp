#include "app/app_delegate.hpp"

#include "app/notch_placement_settings_view.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

#include <array>
#include <cmath>
#include <utility>

#include "geometry/panel_reach.hpp"
#include "platform/autostart_entry.hpp"
#include "platform/file_preferences.hpp"
#include "platform/qt/qt_clipboard.hpp"
#include "platform/qt/qt_file_dialogs.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "platform/qt/qt_scheduler.hpp"
#include "state/recipe_history_loader.hpp"

namespace glimora {

AppDelegate::Environment AppDelegate::Environment::system() {
    auto logger = std::make_shared<SystemLogger>();
    auto paths = std::make_shared<XdgPaths>();
    Environment environment;
    NotchViewModel::Services& services = environment.modelServices;
    services.logger = logger;
    services.paths = paths;
    if (const auto file = FilePreferences::standardFile(*paths))
        services.preferences = std::make_shared<FilePreferences>(*file, logger);
    else
        logger->log("Glimora preferences will not be saved: neither XDG_CONFIG_HOME nor HOME is set");
    services.scheduler = std::make_shared<QtScheduler>();
    services.fileDialogs = std::make_shared<QtFileDialogs>();
    services.clipboard = std::make_shared<QtClipboard>();
    services.decodeImage = decodePictureWithQtFallback;
    services.loadRecipeHistory = recipeHistoryLoader(paths, logger, RecipeHistoryAccess::readWrite);
    // A full library is hundreds of megabytes: the desktop must not wait for it.
    services.loadRecipeHistoryInBackground = true;

    environment.updaterConfiguration = UpdaterConfiguration::compiledIn();
    environment.updater = std::make_shared<DisabledUpdater>(logger);
    environment.loginItem = std::make_shared<AutostartEntry>(
        paths->configHome(), AutostartEntry::currentExecutable().value_or(std::filesystem::path()));
    const QByteArray applicationFolder = QFile::encodeName(QCoreApplication::applicationDirPath());
    environment.screenSaver = std::make_shared<OmbriqSaverLauncher>(applicationFolder.toStdString());
    environment.alerts = std::make_shared<MessageBoxAlertPresenter>();
    environment.makeStatusItem = [logger] { return std::make_unique<SystemTrayStatusItem>(logger); };
    environment.makeWallpaperWindowController = [](std::shared_ptr<NotchViewModel> model) {
        return std::make_unique<WallpaperWindowController>(std::move(model));
    };
    environment.makeNotchWindowController = [](std::shared_ptr<NotchViewModel> model) {
        return std::make_unique<NotchWindowController>(std::move(model));
    };
    environment.setAccessoryActivationPolicy = [] { QGuiApplication::setQuitOnLastWindowClosed(false); };
    environment.terminate = [] { QCoreApplication::quit(); };
    return environment;
}

AppDelegate::AppDelegate(Environment environment)
    : environment_(std::move(environment)),
      model_(std::make_shared<NotchViewModel>(environment_.modelServices)),
      bridge_(std::make_unique<NotchViewModelBridge>(*model_)),
      updaterController_(environment_.updater),
      startUpTurn_(std::make_unique<QTimer>()) {
    startUpTurn_->setSingleShot(true);
    startUpTurn_->setInterval(0);
    QObject::connect(startUpTurn_.get(), &QTimer::timeout, startUpTurn_.get(), [this] { runStartUpStep(); });
}

AppDelegate::~AppDelegate() {
    // The model may outlive the delegate: it must not call back into it.
    model_->setOnPlacementChange({});
    // The windows observe the model: let them go while the model is alive.
    delete settingsWindow_;
    notchWindowController_.reset();
    wallpaperWindowController_.reset();
}

void AppDelegate::log(const std::string& line) const {
    if (const auto& logger = model_->services().logger) logger->log(line);
}

void AppDelegate::applicationDidFinishLaunching() {
    if (environment_.setAccessoryActivationPolicy) environment_.setAccessoryActivationPolicy();

    if (isUpdaterConfigured()) {
        if (updaterController_) updaterController_->startUpdater();
    } else {
        log("Ombriq updater is disabled until GLIMORA_UPDATE_FEED_URL and GLIMORA_UPDATE_PUBLIC_KEY are configured");
    }

    model_->setOnPlacementChange([this] { handlePlacementChange(); });

    buildStatusItem();
    syncLaunchAtLogin();

    // The windows follow, one turn of the event loop each: building the desktop
    // window, drawing its first frame, making the memory its pixels go out
    // from, mapping it (the X server then takes a while over the frame) and
    // building the panel are each tens of milliseconds, and together they
    // would hold the main thread for longer than a frame of any animation.
    // Zero timers, not queued calls: queued calls all run before the loop
    // gets back to its timers, so the steps would still be one stretch.
    pendingStep_ = environment_.makeWallpaperWindowController ? StartUpStep::desktopWindow : stepAfterDesktopWindow();
    if (pendingStep_ != StartUpStep::done) scheduleStartUpStep(0);
}

void AppDelegate::scheduleStartUpStep(int delayMs) {
    // Named after the step, so that a profile of the event loop tells them apart.
    static constexpr const char* names[] = {"startUp.desktopWindow", "startUp.desktopFrame", "startUp.desktopSurface",
                                            "startUp.desktopShow",   "startUp.notchPanel",   "startUp.done"};
    static_assert(std::size(names) == std::size_t(StartUpStep::done) + 1, "a name for every step");
    startUpTurn_->setObjectName(QLatin1String(names[int(pendingStep_)]));
    startUpTurn_->start(delayMs);
}

AppDelegate::StartUpStep AppDelegate::stepAfterDesktopWindow() const {
    return environment_.makeNotchWindowController ? StartUpStep::notchPanel : StartUpStep::done;
}

void AppDelegate::runStartUpStep() {
    startUpTurn_->stop();
    const StartUpStep step = std::exchange(pendingStep_, StartUpStep::done);
    switch (step) {
    case StartUpStep::desktopWindow:
        wallpaperWindowController_ = environment_.makeWallpaperWindowController(model_);
        pendingStep_ = wallpaperWindowController_ ? StartUpStep::desktopFrame : stepAfterDesktopWindow();
        break;
    case StartUpStep::desktopFrame:
        wallpaperWindowController_->drawAhead();
        pendingStep_ =
            wallpaperWindowController_->preparesSurface() ? StartUpStep::desktopSurface : StartUpStep::desktopShow;
        break;
    case StartUpStep::desktopSurface:
        // A band at a time: how dear fresh memory is varies tenfold with the machine's load.
        pendingStep_ =
            wallpaperWindowController_->prepareSurface() ? StartUpStep::desktopSurface : StartUpStep::desktopShow;
        break;
    case StartUpStep::desktopShow:
        wallpaperWindowController_->show();
        pendingStep_ = stepAfterDesktopWindow();
        if (pendingStep_ == StartUpStep::done) break;
        // The panel waits for the desktop's first frame to be on screen: built
        // before, it would add to the stretch that paints the frame, and its
        // own round trips to the X server would wait for the server to finish
        // with that frame. A moment at most: a window under others is never
        // exposed.
        scheduleStartUpStep(firstFrameWaitMs);
        wallpaperWindowController_->whenFrameShown([this] {
            if (startUpTurn_->isActive()) startUpTurn_->start(0);
        });
        return;
    case StartUpStep::notchPanel:
        buildNotchPanel();
        break;
    case StartUpStep::done:
        break;
    }
    if (pendingStep_ != StartUpStep::done) scheduleStartUpStep(0);
}

void AppDelegate::finishStartUp() {
    while (pendingStep_ != StartUpStep::done) runStartUpStep();
}

void AppDelegate::buildNotchPanel() {
    notchWindowController_ = environment_.makeNotchWindowController(model_);
    if (!notchWindowController_) return;
    notchWindowController_->panel()->setOnSettingsRequest([this] { showSettingsWindow(); });
    // Without a tray the status menu would be out of reach: the panel offers it.
    if (!statusItem_ || !statusItem_->isAvailable()) notchWindowController_->panel()->setContextMenu(statusMenu_.get());
    notchWindowController_->bringNotchToFront();
}

void AppDelegate::handleReopen() {
    finishStartUp();
    // The desktop window is refitted in case the screens changed meanwhile.
    if (wallpaperWindowController_) wallpaperWindowController_->show();
    if (notchWindowController_) notchWindowController_->bringNotchToFront();
}

void AppDelegate::showSettingsWindow() {
    // It goes where the panel is not: the panel must be there first.
    finishStartUp();
    // A window of its own, not the panel's: the open panel still closes when
    // another program takes the focus.
    if (!settingsWindow_) settingsWindow_ = makeNotchPlacementSettingsWindow(*bridge_, nullptr);
    // Placed as it comes up; one already up stays where the user put it.
    if (!settingsWindow_->isVisible()) placeSettingsWindow(false);
    settingsWindow_->show();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

void AppDelegate::placeSettingsWindow(bool onlyOverPanel) {
    if (!settingsWindow_ || !notchWindowController_) return;
    const auto screen = notchWindowController_->screen();
    if (!screen) return;
    std::array<PanelRect, 4> reaches;
    for (const NotchPlacement placement : allCases<NotchPlacement>())
        reaches[std::size_t(placement)] = notchWindowController_->panelReach(placement).value_or(PanelRect{});
    const NotchPlacement placement = model_->notchPlacement();
    const PanelRect& current = reaches[std::size_t(placement)];
    // The window manager's frame counts once it is known (after the first show).
    const QRect outer = settingsWindow_->frameGeometry();
    if (onlyOverPanel && !intersects(PanelRect{double(outer.x()), double(outer.y()), double(outer.width()),
                                               double(outer.height())},
                                     current))
        return;
    const PanelRect frame = placeClearOfPanel(screen->visibleFrame, outer.width(), outer.height(), placement, current,
                                              reaches, sideDockClearance);
    settingsWindow_->move(int(std::lround(frame.x)), int(std::lround(frame.y)));
}

bool AppDelegate::isUpdaterConfigured() const { return environment_.updaterConfiguration.isConfigured(); }

void AppDelegate::syncLaunchAtLogin() {
    if (!environment_.loginItem) return;
    LoginItem& loginItem = *environment_.loginItem;
    Preferences& preferences = *model_->services().preferences;
    const auto stored = preferences.value(launchAtLoginKey);
    std::optional<std::string> failure;
    if (stored && stored->is_boolean() && !stored->get<bool>()) {
        if (loginItem.status() == LoginItem::Status::enabled) failure = loginItem.unregisterItem();
    } else {
        if (!stored || !stored->is_boolean()) preferences.setValue(launchAtLoginKey, true);
        // An entry the desktop's startup settings switched off stays off: the
        // user's latest word was there, not in our stored wish.
        if (loginItem.status() == LoginItem::Status::notRegistered) failure = loginItem.registerItem();
    }
    if (failure) log("Chromafold could not update launch at login: " + *failure);
    updateLaunchAtLoginItem();
}

void AppDelegate::updateLaunchAtLoginItem() {
    if (!launchAtLoginItem_) return;
    const bool enabled =
        environment_.loginItem && environment_.loginItem->status() == LoginItem::Status::enabled;
    launchAtLoginItem_->setChecked(enabled);
}

void AppDelegate::handlePlacementChange() {
    updatePlacementMenuState();
    // The panel moved: the settings window steps aside if it is now in the way.
    if (settingsWindow_ && settingsWindow_->isVisible()) placeSettingsWindow(true);
}

void AppDelegate::openScreenSaverBundle() {
    const auto saver = environment_.screenSaver ? environment_.screenSaver->locate() : std::nullopt;
    if (!saver) {
        if (environment_.alerts)
            environment_.alerts->runModal("Screen Saver unavailable",
                                          "ombriq-saver was not found beside glimora or on the PATH. Install it "
                                          "with the package or with cmake --install before setting it up.");
        return;
    }
    // How to hand the saver to XScreenSaver is told once, before its own
    // dialog opens: a dialog of another program mapped afterwards would stack
    // over this alert and hide it while it waits for an answer.
    Preferences& preferences = *model_->services().preferences;
    const auto told = preferences.value(screenSaverSetupToldKey);
    if (!(told && told->is_boolean() && told->get<bool>())) {
        if (environment_.alerts)
            environment_.alerts->runModal(std::string(screenSaverSetupTitle), std::string(screenSaverSetupText));
        preferences.setValue(screenSaverSetupToldKey, true);
    }
    if (!environment_.screenSaver->open(*saver)) {
        if (environment_.alerts)
            environment_.alerts->runModal("Could not open Screen Saver settings",
                                          "ombriq-saver was found, but its settings could not be opened. Run "
                                          "ombriq-saver --configure to set it up.");
    }
}

}  // namespace glimora
