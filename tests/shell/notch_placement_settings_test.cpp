// The settings window and the delegate's wiring of the notch panel.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>

#include "app/notch_placement_settings_view.hpp"
#include "tests/shell/app_fakes.hpp"
#include "tests/shell/qt_application.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

QStringList labelTexts(const QWidget& view) {
    QStringList texts;
    for (const QLabel* label : view.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

TEST(NotchPlacementSettings, ShowsTitleRowsAndTheCurrentPosition) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    NotchPlacementSettingsView view(bridge);
    EXPECT_EQ(view.size(), QSize(360, 220));
    const QStringList texts = labelTexts(view);
    EXPECT_TRUE(texts.contains("Notch Position"));
    EXPECT_TRUE(texts.contains("Choose the screen edge where Ombriq should live. The change applies immediately."));
    EXPECT_TRUE(texts.contains("Position"));
    QStringList rows;
    for (const NotchPlacement placement : allCases<NotchPlacement>()) rows << view.button(placement)->text();
    EXPECT_EQ(rows, (QStringList{"Top", "Left", "Right", "Bottom"}));
    EXPECT_TRUE(view.button(NotchPlacement::top)->isChecked());
    EXPECT_EQ(view.currentPositionText(), "Current position: Top");
}

TEST(NotchPlacementSettings, ChoosingARowMovesThePanelAndStoresIt) {
    test::ModelHarness harness;
    auto model = harness.make();
    test::EventLog log;
    log.attach(*model);
    NotchViewModelBridge bridge(*model);
    NotchPlacementSettingsView view(bridge);
    view.button(NotchPlacement::right)->click();
    EXPECT_EQ(model->notchPlacement(), NotchPlacement::right);
    EXPECT_EQ(harness.preferences->value("notchPlacement"), nlohmann::json("right"));
    EXPECT_NE(std::find(log.events.begin(), log.events.end(), "onPlacementChange"), log.events.end());
    EXPECT_NE(std::find(log.events.begin(), log.events.end(), "onLayoutChange"), log.events.end());
    ASSERT_TRUE(processEventsUntil([&] { return view.currentPositionText() == "Current position: Right"; }));

    // Choosing the current one again changes nothing.
    log.events.clear();
    harness.preferences->writes.clear();
    view.button(NotchPlacement::right)->click();
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(harness.preferences->writes.empty());

    // A change made elsewhere shows here.
    model->setNotchPlacement(NotchPlacement::bottom);
    ASSERT_TRUE(processEventsUntil([&] { return view.button(NotchPlacement::bottom)->isChecked(); }));
    EXPECT_EQ(view.currentPositionText(), "Current position: Bottom");
    EXPECT_FALSE(view.button(NotchPlacement::right)->isChecked());
}

struct DelegateWithPanel : ::testing::Test {
    test::AppHarness harness;
    std::unique_ptr<AppDelegate> delegate;
    void start(bool tray) {
        harness.withNotchPanel = true;
        harness.trayAvailable = tray;
        delegate = harness.make();
        delegate->applicationDidFinishLaunching();
        // The panel follows on a later event-loop turn.
        ASSERT_TRUE(processEventsUntil([&] { return delegate->notchWindowController() != nullptr; }));
    }
    long panelsBuilt() const { return std::count(harness.journal.begin(), harness.journal.end(), "notch.create"); }
};

TEST_F(DelegateWithPanel, TheDesktopWindowAndThenThePanelFollowOnLaterTurns) {
    harness.withNotchPanel = true;
    delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(harness.journal.back(), "login.register");
    EXPECT_EQ(delegate->wallpaperWindowController(), nullptr);
    EXPECT_EQ(delegate->notchWindowController(), nullptr);
    EXPECT_EQ(panelsBuilt(), 0);

    // The panel comes once the desktop window shows its frame.
    bool desktopShownFirst = false;
    ASSERT_TRUE(processEventsUntil([&] {
        if (!delegate->notchWindowController()) return false;
        desktopShownFirst = delegate->wallpaperWindowController()->window()->isVisible();
        return true;
    }));
    EXPECT_TRUE(desktopShownFirst);
    NotchPanel* panel = delegate->notchWindowController()->panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(800, 0, 320, 28));
    // Later turns build nothing more.
    QCoreApplication::processEvents();
    EXPECT_EQ(panelsBuilt(), 1);
}

TEST_F(DelegateWithPanel, SettingsAskedForAtStartUpWaitForThePanelAndLieClearOfIt) {
    harness.withNotchPanel = true;
    delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->showSettingsWindow();  // as a start with --settings does, before the event loop runs
    ASSERT_NE(delegate->notchWindowController(), nullptr);
    NotchPanel* panel = delegate->notchWindowController()->panel();
    EXPECT_TRUE(panel->isVisible());
    QWidget* window = delegate->settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), nullptr);
    // Centred on the screen, clear of the open top panel's tallest tab.
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(780, 430));
    QCoreApplication::processEvents();
    EXPECT_EQ(panelsBuilt(), 1);
    EXPECT_EQ(delegate->notchWindowController()->panel(), panel);
}

TEST_F(DelegateWithPanel, AReopenBeforeThePanelsTurnBringsItAtOnce) {
    harness.withNotchPanel = true;
    harness.trayAvailable = false;
    delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->handleReopen();
    ASSERT_NE(delegate->notchWindowController(), nullptr);
    NotchPanel* panel = delegate->notchWindowController()->panel();
    EXPECT_TRUE(panel->isVisible());
    // Built early, it is wired as on its own turn.
    EXPECT_EQ(panel->contextMenu(), delegate->statusMenu());
    QCoreApplication::processEvents();
    EXPECT_EQ(panelsBuilt(), 1);
}

TEST_F(DelegateWithPanel, ADesktopWindowNeverExposedHoldsThePanelBackOnlyForAMoment) {
    harness.withNotchPanel = true;
    harness.wallpaperWindowMaps = false;  // as under a full-screen window: no expose comes
    delegate = harness.make();
    // Started before the wait can start, the clock cannot fall short of it
    // however late this thread runs.
    QElapsedTimer clock;
    clock.start();
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(processEventsUntil([&] { return harness.journal.back() == "wallpaper.show"; }));
    EXPECT_EQ(delegate->notchWindowController(), nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return delegate->notchWindowController() != nullptr; }));
    EXPECT_GE(clock.elapsed(), AppDelegate::firstFrameWaitMs / 2);
    EXPECT_TRUE(delegate->notchWindowController()->panel()->isVisible());
    EXPECT_EQ(panelsBuilt(), 1);
}

TEST_F(DelegateWithPanel, ADelegateGoneBeforeThePanelsTurnLeavesNothingToRun) {
    harness.withNotchPanel = true;
    delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate.reset();
    test::processEventsFor(50);  // no step may reach the dead delegate
    EXPECT_EQ(panelsBuilt(), 0);
    EXPECT_EQ(std::count(harness.journal.begin(), harness.journal.end(), "wallpaper.create"), 0);

    // Nor the wait for a desktop frame that never comes.
    harness.journal.clear();
    harness.wallpaperWindowMaps = false;
    delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(processEventsUntil([&] { return harness.journal.back() == "wallpaper.show"; }));
    delegate.reset();
    test::processEventsFor(AppDelegate::firstFrameWaitMs + 100);
    EXPECT_EQ(panelsBuilt(), 0);
}

TEST_F(DelegateWithPanel, ThePanelComesAfterTheDesktopWindowAndShows) {
    start(true);
    const auto& journal = harness.journal;
    const auto at = [&](const char* entry) { return std::find(journal.begin(), journal.end(), entry) - journal.begin(); };
    EXPECT_LT(at("wallpaper.show"), at("notch.create"));
    EXPECT_LT(at("notch.create"), std::ptrdiff_t(journal.size()));
    NotchPanel* panel = delegate->notchWindowController()->panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(800, 0, 320, 28));
    // With a tray the panel has no context menu.
    EXPECT_EQ(panel->contextMenu(), nullptr);

    delegate->showRecipeLibrary();
    EXPECT_TRUE(delegate->model()->expanded());
    EXPECT_EQ(delegate->model()->selectedTab(), NotchTab::history);
    ASSERT_TRUE(processEventsUntil([&] { return panel->geometry() == QRect(580, 0, 760, 336); }, 10000));
}

TEST_F(DelegateWithPanel, WithoutATrayTheStatusMenuIsThePanelsContextMenu) {
    start(false);
    NotchPanel* panel = delegate->notchWindowController()->panel();
    ASSERT_EQ(panel->contextMenu(), delegate->statusMenu());
    // A right click inside the outline opens it.
    QContextMenuEvent inside(QContextMenuEvent::Mouse, QPoint(160, 14), panel->mapToGlobal(QPoint(160, 14)));
    QCoreApplication::sendEvent(panel, &inside);
    EXPECT_TRUE(inside.isAccepted());
    ASSERT_TRUE(processEventsUntil([&] { return delegate->statusMenu()->isVisible(); }));
    delegate->statusMenu()->hide();
    // Outside the outline it is not the panel's click.
    QContextMenuEvent outside(QContextMenuEvent::Mouse, QPoint(1, 27), panel->mapToGlobal(QPoint(1, 27)));
    QCoreApplication::sendEvent(panel, &outside);
    EXPECT_FALSE(outside.isAccepted());
    EXPECT_FALSE(delegate->statusMenu()->isVisible());
}

TEST_F(DelegateWithPanel, TheSettingsWindowIsNotOneOfThePanelsOwn) {
    start(true);
    NotchWindowController* controller = delegate->notchWindowController();
    delegate->model()->setExpanded(true);
    delegate->showSettingsWindow();
    QWidget* window = delegate->settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Notch Position");
    EXPECT_FALSE(controller->hasOpenDialog());
    controller->handleResignKey();
    EXPECT_FALSE(delegate->model()->expanded());
    // Asked for again (Ctrl+, or glimora --settings) while it is up, it is
    // the same window, where the user moved it.
    window->move(200, 600);
    delegate->showSettingsWindow();
    EXPECT_EQ(delegate->settingsWindow(), window);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(200, 600));
    // Closed and asked for again, it comes up clear of the panel once more.
    window->close();
    delegate->showSettingsWindow();
    const QSize outer = window->frameGeometry().size();
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(960 - outer.width() / 2, 540 - outer.height() / 2));
}

TEST_F(DelegateWithPanel, TheSettingsWindowStepsAsideWhenThePanelMovesUnderIt) {
    start(true);
    delegate->showSettingsWindow();
    QWidget* window = delegate->settingsWindow();
    // Moved where the open left panel can reach, the window goes back to
    // the centre once the panel goes to the left, and not before.
    window->move(100, 400);
    delegate->model()->setNotchPlacement(NotchPlacement::bottom);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(100, 400));
    delegate->model()->setNotchPlacement(NotchPlacement::left);
    const QSize outer = window->frameGeometry().size();
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(960 - outer.width() / 2, 540 - outer.height() / 2));
}

TEST_F(DelegateWithPanel, ChoosingLeftInTheSettingsMovesThePanelAndMarksTheMenu) {
    start(true);
    delegate->showSettingsWindow();
    auto* view = dynamic_cast<NotchPlacementSettingsView*>(delegate->settingsWindow());
    ASSERT_NE(view, nullptr);
    view->button(NotchPlacement::left)->click();
    EXPECT_TRUE(delegate->notchPlacementMenuItems().at(NotchPlacement::left)->isChecked());
    EXPECT_FALSE(delegate->notchPlacementMenuItems().at(NotchPlacement::top)->isChecked());
    ASSERT_TRUE(processEventsUntil(
        [&] { return delegate->notchWindowController()->panel()->geometry() == QRect(0, 430, 68, 220); }, 10000));
    EXPECT_EQ(harness.model.preferences->value("notchPlacement"), nlohmann::json("left"));
}

}  // namespace
}  // namespace glimora
