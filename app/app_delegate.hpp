// The application's delegate: owns the one editor state, the desktop window,
// the status item and its menu, the updater and the login item for the life
// of the process, and runs the start-up sequence.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include <QPointer>

#include "app/alert_presenter.hpp"
#include "app/screen_saver_launcher.hpp"
#include "app/status_item.hpp"
#include "app/updater.hpp"
#include "panel/notch_window_controller.hpp"
#include "platform/login_item.hpp"
#include "state/notch_view_model.hpp"
#include "windows/wallpaper_window_controller.hpp"

class QAction;
class QMenu;
class QTimer;
class QWidget;

namespace glimora {

// The user's wish to start at login; absent means yes.
inline constexpr std::string_view launchAtLoginKey = "launchAtLogin";
// Whether the user was told how to add Ombriq to XScreenSaver.
inline constexpr std::string_view screenSaverSetupToldKey = "screenSaverSetupTold";
inline constexpr std::string_view screenSaverSetupTitle = "Add Ombriq to XScreenSaver";
inline constexpr std::string_view screenSaverSetupText =
    "Ombriq runs as a program of XScreenSaver. Add the line “\"Ombriq\" ombriq-saver --root” to the programs "
    "in ~/.xscreensaver (after installing, it is listed as \"Ombriq\" in XScreenSaver's settings), "
    "then choose it there. Its own settings open in a window of their own next.";

class AppDelegate {
public:
    // How long the notch panel waits at most for the desktop window's first frame.
    static constexpr int firstFrameWaitMs = 300;

    // Everything the delegate asks of the desktop, so tests can hand in fakes.
    struct Environment {
        NotchViewModel::Services modelServices;
        UpdaterConfiguration updaterConfiguration;
        std::shared_ptr<Updater> updater;
        std::shared_ptr<LoginItem> loginItem;
        std::shared_ptr<ScreenSaverLauncher> screenSaver;
        std::shared_ptr<AlertPresenter> alerts;
        std::function<std::unique_ptr<StatusItem>()> makeStatusItem;
        std::function<std::unique_ptr<WallpaperWindowController>(std::shared_ptr<NotchViewModel>)>
            makeWallpaperWindowController;
        std::function<std::unique_ptr<NotchWindowController>(std::shared_ptr<NotchViewModel>)>
            makeNotchWindowController;
        // The accessory policy: no taskbar entry, and closing a window never ends the program.
        std::function<void()> setAccessoryActivationPolicy;
        // Ends the program.
        std::function<void()> terminate;

        // The application's own: settings file, Qt services, autostart entry,
        // compiled-in updater keys, system tray, the real desktop window.
        static Environment system();
    };

    // Makes the model (which reads the preferences and the library); shows nothing.
    explicit AppDelegate(Environment environment);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The start-up sequence: accessory policy, updater, placement callback,
    // status item, launch at login; then, one event-loop turn each, the desktop
    // window is built, its first frame drawn, its surface made, the window
    // shown, and, once its frame is on screen, the notch panel built and shown
    // (at once when something needs them sooner).
    void applicationDidFinishLaunching();
    // Runs now whatever the start-up sequence left to later turns.
    void finishStartUp();
    // Whether the start-up sequence still has turns to come.
    bool isStartingUp() const { return pendingStep_ != StartUpStep::done; }
    // Another start of the program asked this one to come to the front.
    void handleReopen();
    // The "Notch Position" settings window, made on first use, brought
    // forward, centred on the screen where that covers no part of the panel.
    void showSettingsWindow();

    bool isUpdaterConfigured() const;
    void syncLaunchAtLogin();
    void handlePlacementChange();
    void openScreenSaverBundle();

    // The status menu.
    void buildStatusItem();
    void updatePlacementMenuState();
    void showGradientControls();
    void selectNotchPlacement(QAction* sender);
    void showRecipeLibrary();
    void showScreenSaverSetup();
    void chooseOutputFolder();
    void toggleLaunchAtLogin();
    void quit();

    const std::shared_ptr<NotchViewModel>& model() const { return model_; }
    WallpaperWindowController* wallpaperWindowController() const { return wallpaperWindowController_.get(); }
    NotchWindowController* notchWindowController() const { return notchWindowController_.get(); }
    QWidget* settingsWindow() const { return settingsWindow_; }
    // The status menu, also for the panel to offer; null before buildStatusItem().
    QMenu* statusMenu() const { return statusMenu_.get(); }
    QAction* launchAtLoginItem() const { return launchAtLoginItem_; }
    const std::map<NotchPlacement, QAction*>& notchPlacementMenuItems() const { return notchPlacementMenuItems_; }
    Updater* updaterController() const { return updaterController_.get(); }

    // "Top", "Left", "Right", "Bottom".
    static std::string_view placementTitle(NotchPlacement placement);

private:
    // What start-up leaves to later turns of the event loop, in order.
    enum class StartUpStep { desktopWindow, desktopFrame, desktopSurface, desktopShow, notchPanel, done };

    void runStartUpStep();
    void scheduleStartUpStep(int delayMs);
    StartUpStep stepAfterDesktopWindow() const;
    void buildNotchPanel();
    // Places the settings window clear of the panel; with `onlyOverPanel`,
    // only when it covers the ground of the panel at its present edge.
    void placeSettingsWindow(bool onlyOverPanel);
    void log(const std::string& line) const;
    void updateLaunchAtLoginItem();

    Environment environment_;
    std::shared_ptr<NotchViewModel> model_;
    std::unique_ptr<WallpaperWindowController> wallpaperWindowController_;
    // The settings window's view of the model; it outlives the window.
    std::unique_ptr<NotchViewModelBridge> bridge_;
    std::unique_ptr<NotchWindowController> notchWindowController_;
    QPointer<QWidget> settingsWindow_;
    std::unique_ptr<QMenu> statusMenu_;
    // After the menu, so the item lets go of the menu first.
    std::unique_ptr<StatusItem> statusItem_;
    QAction* launchAtLoginItem_ = nullptr;
    std::map<NotchPlacement, QAction*> notchPlacementMenuItems_;
    std::shared_ptr<Updater> updaterController_;
    StartUpStep pendingStep_ = StartUpStep::done;
    // Runs the pending start-up step on the loop's next turn; gone with the delegate.
    std::unique_ptr<QTimer> startUpTurn_;
};

}  // namespace glimora
