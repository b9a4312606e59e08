// The notch panel's controller under the offscreen platform, on a described
// 1920x1080 screen: frames, the spring's timer, the input shape, the content.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

#include "panel/compact_capsule.hpp"
#include "panel/dialog_close_watch.hpp"
#include "controls/notch_button.hpp"
#include "panel/expanded_editor.hpp"
#include "panel/side_compact_rail.hpp"
#include "editors/history_editor.hpp"
#include "panel/notch_root_view.hpp"
#include "panel/notch_window_controller.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

const ScreenDescription fullHd{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 0, {}, {}};

struct NotchWindowControllerTest : ::testing::Test {
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model = harness.make();
    std::unique_ptr<NotchWindowController> controller = makeController();

    std::unique_ptr<NotchWindowController> makeController() {
        auto made = std::make_unique<NotchWindowController>(model);
        made->setScreenOverride(fullHd);
        return made;
    }
    NotchPanel& panel() { return *controller->panel(); }
    bool settle() {
        return processEventsUntil([&] { return !controller->isDisplayLinkRunning(); }, 10000);
    }
};

TEST_F(NotchWindowControllerTest, ComesToTheFrontCollapsedAtItsFrameWithoutAnimation) {
    EXPECT_FALSE(panel().isVisible());  // made, not shown
    controller->bringNotchToFront();
    EXPECT_TRUE(panel().isVisible());
    EXPECT_FALSE(controller->isDisplayLinkRunning());
    EXPECT_EQ(panel().geometry(), QRect(800, 0, 320, 28));
    EXPECT_EQ(model->metrics(), (NotchMetrics{8, 0, false, 1920, 1080}));
    EXPECT_TRUE(panel().testAttribute(Qt::WA_ShowWithoutActivating));
    const Qt::WindowFlags flags = panel().windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(panel().windowType(), Qt::Tool);
    // Nothing inside sets a minimum: the controller's size holds.
    EXPECT_EQ(panel().minimumSize(), QSize(0, 0));
    EXPECT_EQ(panel().layout(), nullptr);
}

TEST_F(NotchWindowControllerTest, ExpandingSpringsToTheExpandedFrameAndStopsTheTimer) {
    controller->bringNotchToFront();
    model->setExpanded(true);
    EXPECT_TRUE(controller->lastExpandedState());
    EXPECT_TRUE(controller->isDisplayLinkRunning());
    EXPECT_EQ(controller->spring().response(), PanelSpring::expansionResponse);
    EXPECT_EQ(controller->springTargetFrame(), (PanelRect{580, 0, 760, 300}));
    // It moves through frames in between, the top edge staying on the screen edge.
    std::vector<QRect> seen;
    ASSERT_TRUE(processEventsUntil([&] {
        seen.push_back(panel().geometry());
        return !controller->isDisplayLinkRunning();
    }, 10000));
    EXPECT_EQ(panel().geometry(), QRect(580, 0, 760, 300));
    int between = 0;
    for (const QRect& frame : seen) {
        EXPECT_EQ(frame.y(), 0);
        between += frame.height() > 28 && frame.height() < 300;
    }
    EXPECT_GT(between, 5);

    // Collapsing springs back with the same response.
    model->setExpanded(false);
    EXPECT_EQ(controller->spring().response(), PanelSpring::expansionResponse);
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(800, 0, 320, 28));
}

// xfce4-panel along the top: a 27-pixel strut, the work area from y 27.
// Every frame of an open and a close hangs from it, so that no window
// manager has a frame inside the strut to push down, and the closed
// capsule ends exactly at its frame, never a pixel lower.
TEST_F(NotchWindowControllerTest, UnderAPanelAlongTheTopEveryFrameHangsFromItsEdge) {
    controller->setScreenOverride(ScreenDescription{{0, 0, 1920, 1080}, {0, 27, 1920, 1053}, 0, {}, {}});
    controller->bringNotchToFront();
    EXPECT_EQ(panel().geometry(), QRect(800, 27, 320, 28));
    std::vector<QRect> seen;
    const auto springs = [&] {
        return processEventsUntil([&] {
            seen.push_back(panel().geometry());
            return !controller->isDisplayLinkRunning();
        }, 10000);
    };
    model->setExpanded(true);
    ASSERT_TRUE(springs());
    EXPECT_EQ(panel().geometry(), QRect(580, 27, 760, 300));
    model->setExpanded(false);
    ASSERT_TRUE(springs());
    EXPECT_EQ(panel().geometry(), QRect(800, 27, 320, 28));
    EXPECT_EQ(controller->springTargetFrame(), (PanelRect{800, 27, 320, 28}));
    for (const QRect& frame : seen) EXPECT_EQ(frame.y(), 27) << frame.height();
}

TEST_F(NotchWindowControllerTest, ATabChangeWhileOpenSpringsToTheTabsSize) {
    controller->bringNotchToFront();
    model->setExpanded(true);
    ASSERT_TRUE(settle());
    model->setSelectedTab(NotchTab::adjust);
    EXPECT_EQ(controller->spring().response(), PanelSpring::layoutResponse);
    EXPECT_TRUE(controller->lastExpandedState());
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(580, 0, 760, 210));

    model->setNotchPlacement(NotchPlacement::right);
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(1920 - 322, 220, 322, 640));
    model->setSelectedTab(NotchTab::shader);
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(1920 - 367, 220, 367, 640));
}

TEST_F(NotchWindowControllerTest, ChangesWhileHiddenSnapWithoutATimer) {
    model->setNotchPlacement(NotchPlacement::bottom);
    EXPECT_FALSE(controller->isDisplayLinkRunning());
    EXPECT_EQ(panel().geometry(), QRect(800, 1052, 320, 28));
    model->setExpanded(true);
    EXPECT_FALSE(controller->isDisplayLinkRunning());
    EXPECT_EQ(panel().geometry(), QRect(580, 780, 760, 300));
}

TEST_F(NotchWindowControllerTest, ARetargetInFlightKeepsPositionAndVelocity) {
    controller->bringNotchToFront();
    model->setExpanded(true);
    for (int i = 0; i < 6; ++i) controller->stepSpring(1.0 / 60);
    const PanelRect position = controller->spring().frame();
    const PanelRect velocity = controller->spring().velocity();
    ASSERT_GT(velocity.height, 100);
    model->setExpanded(false);
    EXPECT_TRUE(controller->isDisplayLinkRunning());
    EXPECT_EQ(controller->spring().frame(), position);
    EXPECT_EQ(controller->spring().velocity(), velocity);
    EXPECT_EQ(controller->springTargetFrame(), (PanelRect{800, 0, 320, 28}));
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(800, 0, 320, 28));
}

TEST_F(NotchWindowControllerTest, TheSideWidthFollowsADragWithoutAnimation) {
    model->setNotchPlacement(NotchPlacement::left);
    controller->bringNotchToFront();
    model->setExpanded(true);
    ASSERT_TRUE(settle());
    model->setCustomSideWidth(480);
    EXPECT_FALSE(controller->isDisplayLinkRunning());
    EXPECT_EQ(panel().geometry(), QRect(0, 220, 480, 640));
}

TEST_F(NotchWindowControllerTest, EveryFrameOfTheSpringIsWholePixelsWithASteadyEdge) {
    model->setNotchPlacement(NotchPlacement::right);
    controller->bringNotchToFront();
    model->setExpanded(true);
    // The right edge is docked: it never moves while the panel grows.
    for (int tick = 0; tick < 200 && controller->isDisplayLinkRunning(); ++tick) {
        controller->stepSpring(1.0 / 60);
        EXPECT_EQ(panel().geometry().x() + panel().geometry().width(), 1920);
        EXPECT_GE(panel().width(), 1);
    }
    EXPECT_FALSE(controller->isDisplayLinkRunning());
}

TEST_F(NotchWindowControllerTest, TheInputShapeIsTheOutline) {
    controller->bringNotchToFront();
    QRegion shape = panel().inputShape();
    EXPECT_FALSE(shape.contains(QPoint(1, 27)));
    EXPECT_FALSE(shape.contains(QPoint(318, 27)));
    EXPECT_TRUE(shape.contains(QPoint(5, 5)));
    EXPECT_TRUE(shape.contains(QPoint(160, 27)));

    model->setExpanded(true);
    ASSERT_TRUE(settle());
    shape = panel().inputShape();
    // The flare narrows the top row to x 7 ... 752.
    EXPECT_EQ(shape.boundingRect(), QRect(QPoint(7, 0), QPoint(752, 299)));
    EXPECT_FALSE(shape.contains(QPoint(5, 3)));
    EXPECT_FALSE(shape.contains(QPoint(31, 299)));
    EXPECT_TRUE(shape.contains(QPoint(20, 3)));
    EXPECT_TRUE(shape.contains(QPoint(31, 280)));
    EXPECT_EQ(panel().surfaceView()->attachedCornerRadius(), 30);
    EXPECT_EQ(panel().surfaceView()->innerCornerRadius(), 25);
    EXPECT_EQ(panel().surfaceView()->strokeOpacity(), 0.09);

    model->setNotchPlacement(NotchPlacement::left);
    model->setExpanded(false);
    ASSERT_TRUE(settle());
    shape = panel().inputShape();
    EXPECT_FALSE(shape.contains(QPoint(1, 2)));
    EXPECT_TRUE(shape.contains(QPoint(34, 110)));
    // The content view answers in its own coordinates, with the same outline.
    auto* content = panel().windowContentView();
    EXPECT_FALSE(content->hitTest(QPointF(1, 2)));
    EXPECT_TRUE(content->hitTest(QPointF(34, 110)));
}

TEST_F(NotchWindowControllerTest, TheContentFillsThePanelInsideItsInsetsAndCanBeSwapped) {
    controller->bringNotchToFront();
    auto* root = dynamic_cast<NotchRootView*>(panel().contentView());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->size(), QSize(320, 28));
    EXPECT_NE(dynamic_cast<CompactCapsule*>(root->shellView()), nullptr);
    model->setSelectedTab(NotchTab::history);

    model->setExpanded(true);
    ASSERT_TRUE(settle());
    EXPECT_EQ(root->shownShell(), ShellView::expandedEditor);
    ASSERT_TRUE(processEventsUntil([&] {
        auto* editor = dynamic_cast<ExpandedEditor*>(root->shellView());
        return editor && dynamic_cast<HistoryEditor*>(editor->tabContent()->editor()) != nullptr;
    }));
    // 35 on either side at the top.
    EXPECT_EQ(root->mapTo(&panel(), QPoint(0, 0)), QPoint(35, 0));
    EXPECT_EQ(root->size(), QSize(760 - 70, 336));
    ASSERT_TRUE(processEventsUntil([&] { return root->shellView() && root->shellView()->size() == QSize(690, 336); }));

    QPointer<QWidget> old = root;
    auto* replacement = new QWidget;
    panel().setContentView(replacement);
    EXPECT_FALSE(old->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(panel().contentView(), replacement);
    EXPECT_EQ(replacement->size(), QSize(690, 336));
}

TEST_F(NotchWindowControllerTest, TheRailsExpandButtonOpensTheSidePanel) {
    model->setNotchPlacement(NotchPlacement::left);
    controller->bringNotchToFront();
    auto* root = dynamic_cast<NotchRootView*>(panel().contentView());
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return root->shownShell() == ShellView::sideCompactRail; }));
    auto* rail = dynamic_cast<SideCompactRail*>(root->shellView());
    ASSERT_NE(rail, nullptr);
    rail->expandButton()->click();
    EXPECT_TRUE(model->expanded());
    EXPECT_TRUE(processEventsUntil([&] { return root->shownShell() == ShellView::sideExpandedEditor; }));
}

TEST_F(NotchWindowControllerTest, LosingFocusClosesThePanelUnlessItsOwnWindowsAreUp) {
    controller->bringNotchToFront();
    controller->handleResignKey();  // collapsed: nothing to do
    EXPECT_FALSE(model->expanded());

    model->setExpanded(true);
    model->setIsPresentingPhotoPicker(true);
    controller->handleResignKey();
    EXPECT_TRUE(model->expanded());
    model->setIsPresentingPhotoPicker(false);

    auto* dialog = new QDialog(&panel());
    dialog->show();
    EXPECT_TRUE(controller->hasOpenDialog());
    controller->handleResignKey();
    EXPECT_TRUE(model->expanded());
    delete dialog;

    // A window of the application that is not the panel's does not count.
    QWidget unrelated;
    unrelated.show();
    EXPECT_FALSE(controller->hasOpenDialog());
    controller->handleResignKey();
    EXPECT_FALSE(model->expanded());
    ASSERT_TRUE(settle());
    EXPECT_EQ(panel().geometry(), QRect(800, 0, 320, 28));
}

// The watch that gives the open panel the focus back after one of our
// dialogs: only a dialog that closed, and only when the focus is with none
// of our other windows.
TEST_F(NotchWindowControllerTest, AClosedDialogHandsTheFocusBackOnlyWhereItHasNowhereElseToGo) {
    controller->bringNotchToFront();
    model->setExpanded(true);
    ASSERT_TRUE(settle());
    const QWindow* panelWindow = panel().windowHandle();
    ASSERT_TRUE(processEventsUntil([&] { return QGuiApplication::focusWindow() == panelWindow; }));
    const auto focusSettlesOn = [](const QWindow* window) {
        test::processEventsFor(50);
        return QGuiApplication::focusWindow() == window;
    };

    // What the controller's watch tells it, seen by one of the same kind.
    std::vector<QWidget*> closed;
    DialogCloseWatch watch(nullptr, [&closed](QWidget* dialog) { closed.push_back(dialog); });

    QDialog dialog(&panel());
    dialog.show();
    ASSERT_TRUE(processEventsUntil([&] { return QGuiApplication::focusWindow() == dialog.windowHandle(); }));
    // Minimised, it is still open: the focus is left where it is.
    dialog.showMinimized();
    EXPECT_TRUE(focusSettlesOn(dialog.windowHandle()));
    EXPECT_TRUE(closed.empty());
    dialog.showNormal();

    // Closed by the program while another dialog of ours has the focus: it keeps it.
    QDialog other(&panel());
    other.show();
    ASSERT_TRUE(processEventsUntil([&] { return QGuiApplication::focusWindow() == other.windowHandle(); }));
    dialog.close();
    EXPECT_EQ(closed, std::vector<QWidget*>{&dialog});
    EXPECT_TRUE(focusSettlesOn(other.windowHandle()));

    // The last one closed: the focus has nowhere to go among ours but the panel.
    other.close();
    EXPECT_TRUE(focusSettlesOn(panelWindow));
    EXPECT_TRUE(model->expanded());
}

TEST_F(NotchWindowControllerTest, ScreenChangesAreFollowedOnceAndLater) {
    controller->bringNotchToFront();
    int metricsWrites = 0;
    model->onChange([&](NotchViewModel::Prop prop) { metricsWrites += prop == NotchViewModel::Prop::metrics; });
    controller->setScreenOverride(ScreenDescription{{0, 0, 1280, 800}, {0, 0, 1280, 800}, 0, {}, {}});
    controller->handleScreenParametersChange();
    controller->handleScreenParametersChange();
    controller->handleScreenParametersChange();
    EXPECT_EQ(metricsWrites, 0);  // not within the notification
    EXPECT_EQ(panel().geometry(), QRect(800, 0, 320, 28));
    test::processEventsFor(50);
    EXPECT_EQ(metricsWrites, 1);
    EXPECT_EQ(model->metrics().screenWidth, 1280);
    EXPECT_FALSE(controller->isDisplayLinkRunning());
    EXPECT_EQ(panel().geometry(), QRect(480, 0, 320, 28));
}

TEST_F(NotchWindowControllerTest, TheModelOutlivesTheControllerSafely) {
    controller->bringNotchToFront();
    model->setExpanded(true);
    controller.reset();
    // Nothing of the controller is left for the model to call (a call would
    // reach freed memory), so a change that called it before is safe.
    ASSERT_FALSE(model->onLayoutChange());
    ASSERT_FALSE(model->onSideWidthChange());
    // Changes that called it (a freed controller shows under the sanitizers).
    model->setExpanded(false);
    model->setNotchPlacement(NotchPlacement::right);
    model->setCustomSideWidth(300);
    test::processEventsFor(20);
}

TEST(NotchWindowControllerAlone, MakesItsOwnModelWhenGivenNone) {
    NotchWindowController controller;
    ASSERT_NE(controller.model(), nullptr);
    EXPECT_TRUE(static_cast<bool>(controller.model()->onLayoutChange()));
}

}  // namespace
}  // namespace glimora
