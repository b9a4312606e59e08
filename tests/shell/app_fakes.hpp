// An AppDelegate wired to fakes that write what they are asked into one
// journal, in order, next to the model's fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMenu>

#include "app/app_delegate.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora::test {

using Journal = std::vector<std::string>;

class JournalLogger final : public Logger {
public:
    explicit JournalLogger(Journal& journal) : journal_(journal) {}
    void log(std::string_view line) override {
        lines.emplace_back(line);
        journal_.push_back("log: " + std::string(line));
    }
    std::vector<std::string> lines;

private:
    Journal& journal_;
};

// Registration succeeds (and the status follows) unless a failure is set.
class FakeLoginItem final : public LoginItem {
public:
    explicit FakeLoginItem(Journal& journal) : journal_(journal) {}
    Status status() const override { return current; }
    std::optional<std::string> registerItem() override {
        journal_.push_back("login.register");
        if (registerFailure) return registerFailure;
        current = Status::enabled;
        return std::nullopt;
    }
    std::optional<std::string> unregisterItem() override {
        journal_.push_back("login.unregister");
        if (unregisterFailure) return unregisterFailure;
        current = Status::notRegistered;
        return std::nullopt;
    }
    Status current = Status::notRegistered;
    std::optional<std::string> registerFailure;
    std::optional<std::string> unregisterFailure;

private:
    Journal& journal_;
};

class FakeUpdater final : public Updater {
public:
    explicit FakeUpdater(Journal& journal) : journal_(journal) {}
    void startUpdater() override { journal_.push_back("updater.start"); }
    void checkForUpdates() override { journal_.push_back("updater.check"); }

private:
    Journal& journal_;
};

class FakeStatusItem final : public StatusItem {
public:
    FakeStatusItem(Journal& journal, std::function<void()> onShow) : journal_(journal), onShow_(std::move(onShow)) {}
    void show(QMenu* shownMenu, const QIcon& shownIcon, const QString& shownToolTip) override {
        journal_.push_back("statusItem.show");
        menu = shownMenu;
        icon = shownIcon;
        toolTip = shownToolTip;
        if (onShow_) onShow_();
    }
    bool isAvailable() const override { return available; }
    bool available = true;
    QMenu* menu = nullptr;
    QIcon icon;
    QString toolTip;

private:
    Journal& journal_;
    std::function<void()> onShow_;
};

class JournalWallpaperWindowController final : public WallpaperWindowController {
public:
    JournalWallpaperWindowController(std::shared_ptr<NotchViewModel> model, Journal& journal, bool maps = true,
                                     bool preparesSurface = true)
        : WallpaperWindowController(std::move(model)), journal_(journal), maps_(maps) {
        setPreparesSurface(preparesSurface);
        journal_.push_back("wallpaper.create");
    }
    void drawAhead() override {
        journal_.push_back("wallpaper.drawAhead");
        WallpaperWindowController::drawAhead();
    }
    bool prepareSurface() override {
        journal_.push_back("wallpaper.prepareSurface");
        return WallpaperWindowController::prepareSurface();
    }
    void show() override {
        journal_.push_back("wallpaper.show");
        if (maps_) WallpaperWindowController::show();
    }

private:
    Journal& journal_;
    bool maps_;
};

class FakeScreenSaver final : public ScreenSaverLauncher {
public:
    std::optional<std::filesystem::path> locate() const override { return location; }
    bool open(const std::filesystem::path& saver) override {
        opened.push_back(saver);
        return opens;
    }
    std::optional<std::filesystem::path> location;
    bool opens = true;
    std::vector<std::filesystem::path> opened;
};

class RecordingAlerts final : public AlertPresenter {
public:
    void runModal(const std::string& messageText, const std::string& informativeText) override {
        alerts.emplace_back(messageText, informativeText);
        if (onRun) onRun();
    }
    std::vector<std::pair<std::string, std::string>> alerts;
    // Runs while the alert is up, as a modal loop would.
    std::function<void()> onRun;
};

struct AppHarness {
    Journal journal;
    ModelHarness model;
    std::shared_ptr<JournalLogger> logger = std::make_shared<JournalLogger>(journal);
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>(journal);
    // When set, the delegate gets this one in place of the fake.
    std::shared_ptr<LoginItem> realLoginItem;
    std::shared_ptr<FakeUpdater> updater = std::make_shared<FakeUpdater>(journal);
    std::shared_ptr<FakeScreenSaver> screenSaver = std::make_shared<FakeScreenSaver>();
    std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
    UpdaterConfiguration updaterConfiguration;
    FakeStatusItem* statusItem = nullptr;
    // Whether the status item says the desktop shows it.
    bool trayAvailable = true;
    // Whether the delegate builds the notch panel (on a 1920x1080 screen).
    bool withNotchPanel = false;
    // Whether the desktop window really shows when asked.
    bool wallpaperWindowMaps = true;
    // Whether it prepares its backing store ahead (the tests' offscreen
    // platform would otherwise take the plain path).
    bool wallpaperPreparesSurface = true;
    int terminations = 0;
    // Whether the placement callback was in place when the status item was shown.
    std::optional<bool> placementCallbackAtStatusItem;

    AppDelegate* delegate = nullptr;

    std::unique_ptr<AppDelegate> make() {
        AppDelegate::Environment environment;
        environment.modelServices = model.services();
        environment.modelServices.logger = logger;
        environment.updaterConfiguration = updaterConfiguration;
        environment.updater = updater;
        environment.loginItem = realLoginItem ? realLoginItem : std::shared_ptr<LoginItem>(loginItem);
        environment.screenSaver = screenSaver;
        environment.alerts = alerts;
        environment.makeStatusItem = [this] {
            auto item = std::make_unique<FakeStatusItem>(journal, [this] {
                placementCallbackAtStatusItem = static_cast<bool>(delegate->model()->onPlacementChange());
            });
            statusItem = item.get();
            item->available = trayAvailable;
            return item;
        };
        environment.makeWallpaperWindowController = [this](std::shared_ptr<NotchViewModel> shared) {
            return std::make_unique<JournalWallpaperWindowController>(std::move(shared), journal,
                                                                      wallpaperWindowMaps, wallpaperPreparesSurface);
        };
        if (withNotchPanel)
            environment.makeNotchWindowController = [this](std::shared_ptr<NotchViewModel> shared) {
                journal.push_back("notch.create");
                auto controller = std::make_unique<NotchWindowController>(std::move(shared));
                controller->setScreenOverride(ScreenDescription{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 0, {}, {}});
                return controller;
            };
        environment.setAccessoryActivationPolicy = [this] { journal.push_back("activationPolicy.accessory"); };
        environment.terminate = [this] { ++terminations; };
        auto made = std::make_unique<AppDelegate>(std::move(environment));
        delegate = made.get();
        return made;
    }

    // A configuration the updater gate lets through.
    static UpdaterConfiguration configured() {
        return {"https://updates.example.org/glimora/appcast.xml", "c2lnbmluZyBrZXk="};
    }
};

}  // namespace glimora::test
