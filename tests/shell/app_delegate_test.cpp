#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include "app/build_configuration.hpp"
#include "platform/autostart_entry.hpp"
#include "tests/shell/app_fakes.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using nlohmann::json;
using test::AppHarness;
using Status = LoginItem::Status;

// The desktop window's steps after the start-up turn, in order; without a
// backing store prepared ahead there is no turn for it.
test::Journal desktopWindowSteps(bool preparesSurface = true) {
    test::Journal steps{"wallpaper.create", "wallpaper.drawAhead"};
    if (preparesSurface)
        steps.insert(steps.end(), WallpaperWindowController::surfaceBands, "wallpaper.prepareSurface");
    steps.push_back("wallpaper.show");
    return steps;
}

// The log line of a build without the update options; it names them.
constexpr const char* updaterOffLine =
    "log: Ombriq updater is disabled until GLIMORA_UPDATE_FEED_URL and GLIMORA_UPDATE_PUBLIC_KEY are configured";

test::Journal concatenated(test::Journal first, const test::Journal& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void runsItsStepsInOrder(bool preparesSurface) {
    SCOPED_TRACE(preparesSurface ? "backing store prepared ahead" : "plain path");
    AppHarness harness;
    harness.wallpaperPreparesSurface = preparesSurface;
    auto delegate = harness.make();
    EXPECT_TRUE(harness.journal.empty());  // making the delegate shows nothing
    EXPECT_EQ(harness.model.libraryLoads, 1);
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(harness.journal, (test::Journal{
                                   "activationPolicy.accessory",
                                   updaterOffLine,
                                   "statusItem.show",
                                   "login.register",
                               }));
    EXPECT_EQ(harness.placementCallbackAtStatusItem, true);
    // The desktop window follows on later turns of the event loop.
    EXPECT_EQ(delegate->wallpaperWindowController(), nullptr);
    EXPECT_TRUE(delegate->isStartingUp());

    // A zero timer marks every turn of the loop.
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] { harness.journal.push_back("turn"); });
    turns.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return !delegate->isStartingUp(); }));
    turns.stop();
    ASSERT_NE(delegate->wallpaperWindowController(), nullptr);
    EXPECT_TRUE(delegate->wallpaperWindowController()->window()->isVisible());

    // Each step of the desktop window on a turn of its own, in this order.
    const test::Journal steps = desktopWindowSteps(preparesSurface);
    EXPECT_EQ(steps.size(), preparesSurface ? 7u : 3u);
    test::Journal seen;
    bool turnSinceStep = true;
    for (auto entry = harness.journal.begin() + 4; entry != harness.journal.end(); ++entry) {
        if (*entry == "turn") {
            turnSinceStep = true;
            continue;
        }
        EXPECT_TRUE(turnSinceStep) << *entry << " ran on the same turn as the step before it";
        turnSinceStep = false;
        seen.push_back(*entry);
    }
    EXPECT_EQ(seen, steps);
}

TEST(AppDelegateStartUp, RunsItsStepsInOrder) {
    runsItsStepsInOrder(true);
    runsItsStepsInOrder(false);
}

TEST(AppDelegateStartUp, WhatNeedsTheWindowsSoonerFinishesTheStartUpAtOnce) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->finishStartUp();
    EXPECT_FALSE(delegate->isStartingUp());
    EXPECT_EQ(harness.journal,
              concatenated({"activationPolicy.accessory",
                            updaterOffLine,
                            "statusItem.show", "login.register"},
                           desktopWindowSteps()));
    ASSERT_NE(delegate->wallpaperWindowController(), nullptr);
    EXPECT_TRUE(delegate->wallpaperWindowController()->window()->isVisible());
    // The turns that were to come find nothing left to do.
    test::processEventsFor(50);
    EXPECT_EQ(harness.journal.size(), 4 + desktopWindowSteps().size());
}

TEST(AppDelegateStartUp, ConfiguredUpdaterIsStartedWithoutALogLine) {
    AppHarness harness;
    harness.updaterConfiguration = AppHarness::configured();
    harness.loginItem->current = Status::enabled;
    harness.model.preferences->setValue("launchAtLogin", true);
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->finishStartUp();
    EXPECT_EQ(harness.journal,
              concatenated({"activationPolicy.accessory", "updater.start", "statusItem.show"}, desktopWindowSteps()));
}

TEST(UpdaterGate, TruthTable) {
    const std::optional<std::string> none;
    struct Row {
        std::optional<std::string> feed;
        std::optional<std::string> key;
        bool configured;
    };
    const Row rows[] = {
        {none, none, false},
        {none, "key", false},
        {"", "key", false},
        {"http://updates.example.org/appcast.xml", "key", false},
        {"HTTPS://updates.example.org/appcast.xml", "key", false},
        {"Https://updates.example.org/appcast.xml", "key", false},
        {" https://updates.example.org/appcast.xml", "key", false},
        {"https:/updates.example.org/appcast.xml", "key", false},
        {"https://updates.example.org/appcast.xml", none, false},
        {"https://updates.example.org/appcast.xml", "", false},
        {"https://updates.example.org/appcast.xml", "key", true},
        {"https://", "k", true},  // the gate is a prefix test, nothing more
    };
    for (const Row& row : rows) {
        const UpdaterConfiguration configuration{row.feed, row.key};
        EXPECT_EQ(configuration.isConfigured(), row.configured)
            << row.feed.value_or("(absent)") << " / " << row.key.value_or("(absent)");

        AppHarness harness;
        harness.updaterConfiguration = configuration;
        auto delegate = harness.make();
        EXPECT_EQ(delegate->isUpdaterConfigured(), row.configured);
        delegate->applicationDidFinishLaunching();
        const bool started = std::count(harness.journal.begin(), harness.journal.end(), "updater.start") == 1;
        EXPECT_EQ(started, row.configured);
        EXPECT_EQ(harness.logger->lines.size(), row.configured ? 0u : 1u);
    }
}

TEST(UpdaterGate, TheBuildsKeysAreCompiledInAndEmptyMeansAbsent) {
    const auto compiled = UpdaterConfiguration::compiledIn();
    const auto expected = [](std::string_view cached) {
        return cached.empty() ? std::nullopt : std::optional<std::string>(cached);
    };
    EXPECT_EQ(compiled.feedURL, expected(build::updateFeedURL));
    EXPECT_EQ(compiled.publicKey, expected(build::updatePublicKey));

    auto logger = std::make_shared<test::RecordingLogger>();
    DisabledUpdater updater(logger);
    updater.checkForUpdates();  // not started: silent
    EXPECT_TRUE(logger->lines.empty());
    updater.startUpdater();
    EXPECT_TRUE(updater.isStarted());
    updater.checkForUpdates();
    EXPECT_EQ(logger->lines.size(), 1u);
}

// What the menu shows, one line per item: "title [checkable] [checked] [disabled] [shortcut]".
std::vector<std::string> describe(const QMenu& menu) {
    std::vector<std::string> lines;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.emplace_back("---");
            continue;
        }
        std::string line = action->text().toStdString();
        if (action->menu()) line += " >";
        if (action->isCheckable()) line += action->isChecked() ? " [x]" : " [ ]";
        if (!action->isEnabled()) line += " (disabled)";
        if (!action->shortcut().isEmpty()) line += " " + action->shortcut().toString().toStdString();
        lines.push_back(line);
    }
    return lines;
}

QAction* findAction(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title) return action;
        if (action->menu())
            if (QAction* inner = findAction(*action->menu(), title)) return inner;
    }
    return nullptr;
}

TEST(StatusMenu, EveryItemWithItsTitleCheckEnabledStateAndKey) {
    AppHarness harness;
    harness.model.preferences->setValue("notchPlacement", "bottom");
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    QMenu* menu = delegate->statusMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(harness.statusItem, nullptr);
    EXPECT_EQ(harness.statusItem->menu, menu);
    EXPECT_EQ(harness.statusItem->toolTip, "Chromafold");
    EXPECT_FALSE(harness.statusItem->icon.isNull());
    EXPECT_FALSE(harness.statusItem->icon.pixmap(22, 22).isNull());

    EXPECT_EQ(describe(*menu), (std::vector<std::string>{
                                   "Show Gradient Controls",
                                   "Notch Position >",
                                   "Open Recipe Library",
                                   "Set Up Screen Saver…",
                                   "Choose Output Folder…",
                                   "---",
                                   "Launch at Login [x]",
                                   "---",
                                   "Check for Updates… (disabled)",
                                   "---",
                                   "Quit Chromafold Ctrl+Q",
                               }));
    const QMenu* placements = menu->actions()[1]->menu();
    ASSERT_NE(placements, nullptr);
    EXPECT_EQ(describe(*placements), (std::vector<std::string>{"Top [ ]", "Left [ ]", "Right [ ]", "Bottom [x]"}));
    std::vector<std::string> represented;
    for (const QAction* action : placements->actions()) represented.push_back(action->data().toString().toStdString());
    EXPECT_EQ(represented, (std::vector<std::string>{"top", "left", "right", "bottom"}));
    ASSERT_EQ(delegate->notchPlacementMenuItems().size(), 4u);
    EXPECT_EQ(delegate->notchPlacementMenuItems().at(NotchPlacement::right), placements->actions()[2]);
    EXPECT_EQ(delegate->launchAtLoginItem(), menu->actions()[6]);
}

TEST(StatusMenu, CheckForUpdatesIsEnabledAndHandledWhenConfigured) {
    AppHarness harness;
    harness.updaterConfiguration = AppHarness::configured();
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    QAction* check = findAction(*delegate->statusMenu(), "Check for Updates…");
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->isEnabled());
    check->trigger();
    EXPECT_EQ(harness.journal.back(), "updater.check");
}

TEST(StatusMenu, PlacementChecksFollowTheMenuAndEveryOtherChange) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    const QMenu& menu = *delegate->statusMenu();
    const auto checkedPlacements = [&] {
        std::vector<std::string> checked;
        for (const auto& [placement, item] : delegate->notchPlacementMenuItems())
            if (item->isChecked()) checked.emplace_back(rawValue(placement));
        return checked;
    };
    EXPECT_EQ(checkedPlacements(), std::vector<std::string>{"top"});

    findAction(menu, "Left")->trigger();
    EXPECT_EQ(delegate->model()->notchPlacement(), NotchPlacement::left);
    EXPECT_EQ(harness.model.preferences->stringValue("notchPlacement"), "left");
    EXPECT_EQ(checkedPlacements(), std::vector<std::string>{"left"});
    // Choosing it again, even by the item's own click, keeps exactly one mark.
    findAction(menu, "Left")->trigger();
    EXPECT_EQ(checkedPlacements(), std::vector<std::string>{"left"});

    delegate->model()->setNotchPlacement(NotchPlacement::right);  // as the settings window would
    EXPECT_EQ(checkedPlacements(), std::vector<std::string>{"right"});

    // Items whose represented object is no placement name do nothing.
    QAction stray(QStringLiteral("Stray"));
    for (const QVariant& data : {QVariant(), QVariant(QStringLiteral("Left")), QVariant(QStringLiteral("middle")),
                                 QVariant(2)}) {
        stray.setData(data);
        delegate->selectNotchPlacement(&stray);
        EXPECT_EQ(delegate->model()->notchPlacement(), NotchPlacement::right);
    }
    delegate->selectNotchPlacement(nullptr);
    EXPECT_EQ(checkedPlacements(), std::vector<std::string>{"right"});
}

TEST(StatusMenu, PanelItemsExpandTheEditorOnTheirTab) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    const QMenu& menu = *delegate->statusMenu();
    auto& model = *delegate->model();

    findAction(menu, "Open Recipe Library")->trigger();
    EXPECT_TRUE(model.expanded());
    EXPECT_EQ(model.selectedTab(), NotchTab::history);
    model.setExpanded(false);
    findAction(menu, "Show Gradient Controls")->trigger();
    EXPECT_TRUE(model.expanded());
    EXPECT_EQ(model.selectedTab(), NotchTab::shape);

    model.setExpanded(false);
    findAction(menu, "Choose Output Folder…")->trigger();
    EXPECT_FALSE(model.expanded());
    ASSERT_EQ(harness.model.dialogs->openRequests.size(), 1u);
    EXPECT_EQ(harness.model.dialogs->openRequests[0].prompt, "Choose Output Folder");

    EXPECT_EQ(harness.terminations, 0);
    findAction(menu, "Quit Chromafold")->trigger();
    EXPECT_EQ(harness.terminations, 1);
}

TEST(LaunchAtLogin, FirstLaunchStoresTheWishAndRegisters) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(true));
    EXPECT_EQ(harness.loginItem->current, Status::enabled);
    EXPECT_TRUE(delegate->launchAtLoginItem()->isChecked());
}

TEST(LaunchAtLogin, StoredWishIsBroughtInLineOnlyWhenItDiffers) {
    struct Case {
        json stored;
        Status status;
        std::vector<std::string> calls;
        json storedAfter;
        bool checked;
    };
    const Case cases[] = {
        {false, Status::enabled, {"login.unregister"}, false, false},
        {false, Status::notRegistered, {}, false, false},
        {true, Status::enabled, {}, true, true},
        {true, Status::notRegistered, {"login.register"}, true, true},
        {"no", Status::notRegistered, {"login.register"}, true, true},  // not a Boolean: as if absent
        {0, Status::enabled, {}, true, true},
        // Switched off in the desktop's startup settings: left so, whatever the wish.
        {true, Status::requiresApproval, {}, true, false},
        {"no", Status::requiresApproval, {}, true, false},
        {false, Status::requiresApproval, {}, false, false},
    };
    for (const Case& each : cases) {
        AppHarness harness;
        harness.model.preferences->setValue("launchAtLogin", each.stored);
        harness.loginItem->current = each.status;
        auto delegate = harness.make();
        delegate->buildStatusItem();
        harness.journal.clear();
        delegate->syncLaunchAtLogin();
        EXPECT_EQ(harness.journal, each.calls) << each.stored.dump();
        EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), each.storedAfter) << each.stored.dump();
        EXPECT_EQ(delegate->launchAtLoginItem()->isChecked(), each.checked) << each.stored.dump();
    }
}

// The real autostart entry: what the desktop switched off is not rewritten at
// start; the menu shows it off and choosing the item turns it back on.
TEST(LaunchAtLogin, EntryTheDesktopSwitchedOffIsKeptUntilTheUserChoosesIt) {
    test::TempDir config;
    const auto file = config.path() / "autostart/glimora.desktop";
    const auto entry = std::make_shared<AutostartEntry>(config.path(), "/usr/bin/glimora");
    ASSERT_EQ(entry->registerItem(), std::nullopt);
    const auto written = test::readFile(file);
    for (const std::string off : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
        auto switchedOff = written;
        switchedOff.insert(switchedOff.end(), off.begin(), off.end());
        test::writeFile(file, std::string(switchedOff.begin(), switchedOff.end()));
        AppHarness harness;
        harness.realLoginItem = entry;
        harness.model.preferences->setValue("launchAtLogin", true);
        auto delegate = harness.make();
        delegate->applicationDidFinishLaunching();
        EXPECT_EQ(test::readFile(file), switchedOff) << off;
        QAction* item = findAction(*delegate->statusMenu(), "Launch at Login");
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->isChecked()) << off;

        item->trigger();
        EXPECT_EQ(test::readFile(file), written) << off;
        EXPECT_TRUE(item->isChecked()) << off;
        EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(true));
    }

    // A deleted entry comes back only when the stored wish asks for it.
    for (const bool wish : {false, true}) {
        std::filesystem::remove(file);
        AppHarness harness;
        harness.realLoginItem = entry;
        harness.model.preferences->setValue("launchAtLogin", wish);
        auto delegate = harness.make();
        delegate->applicationDidFinishLaunching();
        EXPECT_EQ(std::filesystem::exists(file), wish);
        EXPECT_EQ(delegate->launchAtLoginItem()->isChecked(), wish);
    }
}

TEST(LaunchAtLogin, RefusedRegistrationIsLoggedAndTheCheckShowsTheRealStatus) {
    AppHarness harness;
    harness.loginItem->registerFailure = "Could not replace “glimora.desktop”: Read-only file system";
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(harness.logger->lines.back(),
              "Chromafold could not update launch at login: Could not replace “glimora.desktop”: Read-only file system");
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(true));
    EXPECT_FALSE(delegate->launchAtLoginItem()->isChecked());
}

TEST(LaunchAtLogin, ToggleStoresTheNewWishThenChangesTheRegistration) {
    AppHarness harness;
    harness.loginItem->current = Status::enabled;
    harness.model.preferences->setValue("launchAtLogin", true);
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    QAction* item = findAction(*delegate->statusMenu(), "Launch at Login");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isChecked());

    harness.journal.clear();
    item->trigger();
    EXPECT_EQ(harness.journal, test::Journal{"login.unregister"});
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(false));
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(true));
    EXPECT_TRUE(item->isChecked());

    // Switched off in the desktop's settings: choosing the item turns it back on.
    harness.loginItem->current = Status::requiresApproval;
    delegate->syncLaunchAtLogin();
    EXPECT_FALSE(item->isChecked());
    harness.journal.clear();
    item->trigger();
    EXPECT_EQ(harness.journal, test::Journal{"login.register"});
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(true));
    EXPECT_TRUE(item->isChecked());

    // Refused: the wish stays stored, the check shows what the system says.
    harness.loginItem->unregisterFailure = "permission denied";
    item->trigger();
    EXPECT_EQ(harness.model.preferences->value("launchAtLogin"), json(false));
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(harness.logger->lines.back(), "Chromafold could not update launch at login: permission denied");
}

TEST(ScreenSaverSetup, MissingSaverShowsTheAlert) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    findAction(*delegate->statusMenu(), "Set Up Screen Saver…")->trigger();
    ASSERT_EQ(harness.alerts->alerts.size(), 1u);
    EXPECT_EQ(harness.alerts->alerts[0].first, "Screen Saver unavailable");
    EXPECT_EQ(harness.alerts->alerts[0].second,
              "ombriq-saver was not found beside glimora or on the PATH. Install it with the package or with cmake "
              "--install before setting it up.");
    EXPECT_TRUE(harness.screenSaver->opened.empty());
}

TEST(ScreenSaverSetup, FoundSaverIsOpenedAndAFailedOpenSaysSo) {
    AppHarness harness;
    harness.screenSaver->location = "/opt/glimora/bin/ombriq-saver";
    auto delegate = harness.make();
    std::size_t openedWhileTold = 99;
    harness.alerts->onRun = [&] { openedWhileTold = harness.screenSaver->opened.size(); };
    delegate->openScreenSaverBundle();
    harness.alerts->onRun = nullptr;
    EXPECT_EQ(harness.screenSaver->opened, std::vector<std::filesystem::path>{"/opt/glimora/bin/ombriq-saver"});
    // The first time only, the user learns how to add the saver to XScreenSaver,
    // before its dialog opens (a later window would cover the alert).
    EXPECT_EQ(openedWhileTold, 0u);
    ASSERT_EQ(harness.alerts->alerts.size(), 1u);
    EXPECT_EQ(harness.alerts->alerts[0].first, "Add Ombriq to XScreenSaver");
    EXPECT_NE(harness.alerts->alerts[0].second.find("“\"Ombriq\" ombriq-saver --root”"), std::string::npos);
    delegate->openScreenSaverBundle();
    EXPECT_EQ(harness.screenSaver->opened.size(), 2u);
    EXPECT_EQ(harness.alerts->alerts.size(), 1u);
    harness.alerts->alerts.clear();

    harness.screenSaver->opens = false;
    delegate->openScreenSaverBundle();
    ASSERT_EQ(harness.alerts->alerts.size(), 1u);
    EXPECT_EQ(harness.alerts->alerts[0].first, "Could not open Screen Saver settings");
    EXPECT_EQ(harness.alerts->alerts[0].second,
              "ombriq-saver was found, but its settings could not be opened. Run ombriq-saver --configure to set it up.");
}

TEST(ScreenSaverSetup, SaverIsLookedForBesideTheApplication) {
    test::TempDir folder;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(QString::fromStdString((folder.path() / "empty").string())));
    OmbriqSaverLauncher launcher(folder.path());
    EXPECT_EQ(launcher.locate(), std::nullopt);
    const auto saver = folder.path() / "ombriq-saver";
    const auto arguments = folder.path() / "arguments";
    test::writeFile(saver, "#!/bin/sh\necho \"$@\" > '" + arguments.string() + ".tmp' && /bin/mv '" + arguments.string() +
                               ".tmp' '" + arguments.string() + "'\n");
    EXPECT_EQ(launcher.locate(), std::nullopt);  // not executable
    std::filesystem::permissions(saver, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    EXPECT_EQ(launcher.locate(), saver);
    EXPECT_TRUE(launcher.open(saver));
    // It runs the saver's configuration dialog.
    ASSERT_TRUE(test::processEventsUntil([&] { return std::filesystem::exists(arguments); }));
    const auto given = test::readFile(arguments);
    EXPECT_EQ(std::string(given.begin(), given.end()), "--configure\n");
    EXPECT_FALSE(launcher.open(folder.path() / "missing"));

    // Along PATH when not beside the application.
    const auto elsewhere = folder.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::rename(saver, elsewhere / "ombriq-saver");
    qputenv("PATH", QFile::encodeName(QString::fromStdString(elsewhere.string())));
    EXPECT_EQ(launcher.locate(), elsewhere / "ombriq-saver");
    qputenv("PATH", path);
}

TEST(AppDelegateLifetime, TheModelOutlivingTheDelegateCallsNothingBack) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    const std::shared_ptr<NotchViewModel> model = delegate->model();
    ASSERT_TRUE(model->onPlacementChange());
    delegate.reset();
    EXPECT_FALSE(model->onPlacementChange());
    model->setNotchPlacement(NotchPlacement::left);  // reaches no dead delegate (the sanitizer build would say)
    EXPECT_EQ(model->notchPlacement(), NotchPlacement::left);
}

TEST(AppDelegateLifetime, ShowGradientControlsWithoutAPanelOnlyChangesTheModel) {
    AppHarness harness;
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->model()->setSelectedTab(NotchTab::color);
    delegate->showGradientControls();
    delegate->handleReopen();
    EXPECT_TRUE(delegate->model()->expanded());
    EXPECT_EQ(delegate->model()->selectedTab(), NotchTab::shape);
    EXPECT_TRUE(delegate->wallpaperWindowController()->window()->isVisible());
}

}  // namespace
}  // namespace glimora

namespace glimora {
namespace {

TEST(SystemTrayStatusItem, WithoutATraySaysSoOnce) {
    // The offscreen platform has no system tray.
    auto logger = std::make_shared<test::RecordingLogger>();
    SystemTrayStatusItem item(logger);
    QMenu menu;
    item.show(&menu, statusItemIcon(), QStringLiteral("Chromafold"));
    item.show(&menu, statusItemIcon(), QStringLiteral("Chromafold"));
    EXPECT_EQ(logger->lines, std::vector<std::string>{"Glimora has no status item: this desktop has no system tray"});
}

TEST(SystemTrayStatusItem, IconIsDrawnInColourAtTraySizes) {
    const QIcon icon = statusItemIcon();
    for (const int size : {16, 22, 32, 64}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);  // rounded corner
        const QColor middle = image.pixelColor(size / 4, size / 2);
        EXPECT_EQ(middle.alpha(), 255);
        EXPECT_NE(middle.red(), middle.blue());  // not a grey template
    }
}

}  // namespace
}  // namespace glimora
