// The panel's root view: which shell view it shows, and where.
#include <gtest/gtest.h>

#include <QPointer>

#include "panel/notch_root_view.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

TEST(NotchRootView, EachPlacementAndStateHasItsShellView) {
    EXPECT_EQ(shellViewFor(NotchPlacement::top, false), ShellView::compactCapsule);
    EXPECT_EQ(shellViewFor(NotchPlacement::bottom, false), ShellView::compactCapsule);
    EXPECT_EQ(shellViewFor(NotchPlacement::top, true), ShellView::expandedEditor);
    EXPECT_EQ(shellViewFor(NotchPlacement::bottom, true), ShellView::expandedEditor);
    EXPECT_EQ(shellViewFor(NotchPlacement::left, false), ShellView::sideCompactRail);
    EXPECT_EQ(shellViewFor(NotchPlacement::right, false), ShellView::sideCompactRail);
    EXPECT_EQ(shellViewFor(NotchPlacement::left, true), ShellView::sideExpandedEditor);
    EXPECT_EQ(shellViewFor(NotchPlacement::right, true), ShellView::sideExpandedEditor);
}

struct RootViewTest : ::testing::Test {
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();
    NotchViewModelBridge bridge{*model};
    std::vector<ShellView> made;
    NotchRootView root{bridge};

    void SetUp() override {
        root.setShellFactory([this](ShellView shell, NotchViewModelBridge& b) -> QWidget* {
            made.push_back(shell);
            (void)b;
            return new QWidget;
        });
        root.resize(760, 332);
        root.show();
    }
    bool shows(ShellView shell) {
        return processEventsUntil([&] { return root.shownShell() == shell && !made.empty() && made.back() == shell; });
    }
};

TEST_F(RootViewTest, TheOpenTopPanelKeepsTheNotchStripEmpty) {
    model->setMetrics({32, 200, true, 1512, 982});
    model->setExpanded(true);
    ASSERT_TRUE(shows(ShellView::expandedEditor));
    EXPECT_EQ(NotchRootView::contentTopInset(*model), 32);
    EXPECT_EQ(root.shellView()->geometry(), QRect(0, 32, 760, 300));

    // Not at the bottom, not collapsed, not without a notch.
    model->setNotchPlacement(NotchPlacement::bottom);
    EXPECT_EQ(NotchRootView::contentTopInset(*model), 0);
    ASSERT_TRUE(processEventsUntil([&] { return root.shellView()->geometry() == QRect(0, 0, 760, 332); }));
    model->setNotchPlacement(NotchPlacement::top);
    model->setExpanded(false);
    EXPECT_EQ(NotchRootView::contentTopInset(*model), 0);
    model->setExpanded(true);
    model->setMetrics({8, 0, false, 1920, 1080});
    EXPECT_EQ(NotchRootView::contentTopInset(*model), 0);
}

TEST_F(RootViewTest, AWindowShorterThanTheStripLeavesNoHeight) {
    model->setMetrics({32, 200, true, 1512, 982});
    model->setExpanded(true);
    ASSERT_TRUE(shows(ShellView::expandedEditor));
    root.resize(760, 20);
    EXPECT_EQ(root.shellView()->height(), 0);
}

TEST_F(RootViewTest, AChangeOfPlacementOrStateSwapsTheViewAndNothingElseDoes) {
    ASSERT_EQ(made, (std::vector{ShellView::compactCapsule}));
    model->setExpanded(true);
    ASSERT_TRUE(shows(ShellView::expandedEditor));
    QPointer<QWidget> expanded = root.shellView();
    model->setNotchPlacement(NotchPlacement::left);
    ASSERT_TRUE(shows(ShellView::sideExpandedEditor));
    EXPECT_TRUE(processEventsUntil([&] { return expanded.isNull(); }));
    model->setNotchPlacement(NotchPlacement::right);
    model->setSelectedTab(NotchTab::history);
    model->setAngle(10);
    test::processEventsFor(30);
    // Left to right keeps the side editor as it is.
    EXPECT_EQ(made.size(), 3u);
    model->setExpanded(false);
    ASSERT_TRUE(shows(ShellView::sideCompactRail));
    EXPECT_EQ(made.size(), 4u);
}

}  // namespace
}  // namespace glimora
