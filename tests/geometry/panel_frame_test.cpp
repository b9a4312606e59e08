#include <gtest/gtest.h>

#include <cmath>

#include <map>

#include "geometry/panel_frame.hpp"
#include "state/panel_layout_inputs.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

const PanelRect fullHd{0, 0, 1920, 1080};

// The frame of the panel for this editor state, from the inputs the panel
// takes of the model.
PanelRect frameFor(const NotchViewModel& model, const PanelRect& screen, const PanelRect& workArea) {
    const PanelLayout layout = panelLayout(panelLayoutInputs(model));
    return panelFrame(screen, workArea, model.notchPlacement(), layout.width, layout.height);
}

struct PanelFrameTest : ::testing::Test {
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();
    void SetUp() override { model->setMetrics({8, 0, false, 1920, 1080}); }
    PanelRect frame(NotchPlacement placement, bool expanded, const PanelRect& workArea = fullHd) {
        model->setNotchPlacement(placement);
        model->setExpanded(expanded);
        return frameFor(*model, fullHd, workArea);
    }
};

TEST_F(PanelFrameTest, EachPlacementCollapsedAndExpandedOnAFullHdScreen) {
    ASSERT_EQ(model->selectedTab(), NotchTab::shape);
    EXPECT_EQ(frame(NotchPlacement::top, false), (PanelRect{800, 0, 320, 28}));
    EXPECT_EQ(frame(NotchPlacement::top, true), (PanelRect{580, 0, 760, 300}));
    EXPECT_EQ(frame(NotchPlacement::bottom, false), (PanelRect{800, 1052, 320, 28}));
    EXPECT_EQ(frame(NotchPlacement::bottom, true), (PanelRect{580, 780, 760, 300}));
    EXPECT_EQ(frame(NotchPlacement::left, false), (PanelRect{0, 430, 68, 220}));
    EXPECT_EQ(frame(NotchPlacement::left, true), (PanelRect{0, 220, 322, 640}));
    EXPECT_EQ(frame(NotchPlacement::right, false), (PanelRect{1852, 430, 68, 220}));
    EXPECT_EQ(frame(NotchPlacement::right, true), (PanelRect{1598, 220, 322, 640}));
}

TEST_F(PanelFrameTest, SidePanelsKeepClearOfAPanelAlongTheirEdge) {
    // A 48-pixel panel (strut) along the left edge.
    const PanelRect leftStrut{48, 0, 1872, 1080};
    EXPECT_EQ(frame(NotchPlacement::left, false, leftStrut), (PanelRect{60, 430, 68, 220}));
    EXPECT_EQ(frame(NotchPlacement::right, false, leftStrut).x, 1852);
    const PanelRect rightStrut{0, 0, 1872, 1080};
    EXPECT_EQ(frame(NotchPlacement::right, false, rightStrut), (PanelRect{1872 - 12 - 68, 430, 68, 220}));
    EXPECT_EQ(frame(NotchPlacement::left, false, rightStrut).x, 0);
    // Half a pixel is not a panel.
    EXPECT_EQ(frame(NotchPlacement::left, false, {0.5, 0, 1919.5, 1080}).x, 0.5);
    // A bottom panel rests on a bottom strut and centres in the work area;
    // the top one hangs from a top strut, centred on the whole screen.
    const PanelRect bars{0, 30, 1900, 1010};
    EXPECT_EQ(frame(NotchPlacement::bottom, false, bars), (PanelRect{790, 1012, 320, 28}));
    EXPECT_EQ(frame(NotchPlacement::top, false, bars), (PanelRect{800, 30, 320, 28}));
    EXPECT_EQ(frame(NotchPlacement::top, true, bars), (PanelRect{580, 30, 760, 300}));
    EXPECT_EQ(frame(NotchPlacement::left, false, bars).y, 30 + 505 - 110);
}

TEST_F(PanelFrameTest, EveryTabGivesItsOwnHeightAtTheTopAndItsOwnWidthAtTheSide) {
    const std::map<NotchTab, std::pair<double, double>> expected = {
        // tab: expanded top height, expanded side width
        {NotchTab::image, {150, 337}},     {NotchTab::shape, {300, 322}},   {NotchTab::gradients, {300, 337}},
        {NotchTab::color, {300, 337}},     {NotchTab::adjust, {210, 322}},  {NotchTab::style, {250, 337}},
        {NotchTab::animation, {200, 352}}, {NotchTab::shader, {410, 367}},  {NotchTab::export_, {226, 337}},
        {NotchTab::history, {336, 352}},
    };
    for (const auto& [tab, sizes] : expected) {
        model->setSelectedTab(tab);
        EXPECT_EQ(frame(NotchPlacement::top, true), (PanelRect{580, 0, 760, sizes.first})) << rawValue(tab);
        EXPECT_EQ(frame(NotchPlacement::bottom, true), (PanelRect{580, 1080 - sizes.first, 760, sizes.first}))
            << rawValue(tab);
        EXPECT_EQ(frame(NotchPlacement::left, true), (PanelRect{0, 220, sizes.second, 640})) << rawValue(tab);
        EXPECT_EQ(frame(NotchPlacement::right, true), (PanelRect{1920 - sizes.second, 220, sizes.second, 640}))
            << rawValue(tab);
        // Collapsed, the tab changes nothing.
        EXPECT_EQ(frame(NotchPlacement::top, false), (PanelRect{800, 0, 320, 28})) << rawValue(tab);
        EXPECT_EQ(frame(NotchPlacement::left, false), (PanelRect{0, 430, 68, 220})) << rawValue(tab);
    }
    // With a photo the image tab grows on both layouts.
    model->updateImageAssets([](auto& assets) { assets.push_back({{}, "photo.jpg", {}, {}, {}}); });
    model->setSelectedTab(NotchTab::image);
    EXPECT_EQ(frame(NotchPlacement::top, true).height, 300);
    EXPECT_EQ(frame(NotchPlacement::left, true).width, 361);
    // A dragged side width holds on tabs it does not undercut.
    model->setCustomSideWidth(500);
    EXPECT_EQ(frame(NotchPlacement::left, true).width, 500);
}

TEST(PanelLayout, NotchesSmallScreensAndTheStatusBar) {
    PanelLayoutInputs inputs;
    inputs.metrics = {32, 200, true, 1512, 982};
    inputs.expandedPanelHeight = 300;
    // A notch widens the capsule and the open top panel reaches below it.
    EXPECT_EQ(panelLayout(inputs).width, 320);
    inputs.metrics.notchWidth = 260;
    EXPECT_EQ(panelLayout(inputs).width, 356);
    inputs.expanded = true;
    EXPECT_EQ(panelLayout(inputs).width, 760);
    EXPECT_EQ(panelLayout(inputs).height, 332);
    inputs.placement = NotchPlacement::bottom;
    EXPECT_EQ(panelLayout(inputs).height, 300);
    // A narrow screen narrows the open top panel, never below 320.
    inputs.metrics = {8, 0, false, 600, 800};
    EXPECT_EQ(panelLayout(inputs).width, 552);
    inputs.metrics.screenWidth = 300;
    EXPECT_EQ(panelLayout(inputs).width, 320);
    // The collapsed bar matches a status bar's thickness where there is one.
    inputs.expanded = false;
    inputs.statusBarThickness = 24;
    EXPECT_EQ(panelLayout(inputs).height, 28);  // 24 + 4
    inputs.statusBarThickness = 30;
    EXPECT_EQ(panelLayout(inputs).height, 34);
}

TEST(PanelLayout, RadiiInsetAndStrokeFollowPlacementAndState) {
    PanelLayoutInputs inputs;
    inputs.metrics = {8, 0, false, 1920, 1080};
    const auto look = [&](NotchPlacement placement, bool expanded) {
        inputs.placement = placement;
        inputs.expanded = expanded;
        const PanelLayout layout = panelLayout(inputs);
        return std::tuple(layout.hostingInset, layout.attachedCornerRadius, layout.innerCornerRadius,
                          layout.strokeOpacity);
    };
    EXPECT_EQ(look(NotchPlacement::top, false), std::tuple(0.0, 0.0, 19.0, 0.07));
    EXPECT_EQ(look(NotchPlacement::bottom, true), std::tuple(35.0, 30.0, 25.0, 0.09));
    EXPECT_EQ(look(NotchPlacement::left, false), std::tuple(0.0, 40.0, 34.0, 0.07));
    EXPECT_EQ(look(NotchPlacement::right, true), std::tuple(0.0, 40.0, 34.0, 0.09));
}

TEST(WholePixels, RoundsEachEdgeOnItsOwn) {
    // Origin and size rounded apart would give 11 + 21 = 32 for the right
    // edge; the edges rounded give 31, as the target's right edge is.
    EXPECT_EQ(wholePixels({10.6, 0.4, 20.6, 10.2}), (PixelRect{11, 0, 20, 11}));
    // The right edge of a left-growing panel stays put while x moves.
    for (const double x : {100.2, 100.5, 100.7, 101.49})
        EXPECT_EQ(wholePixels({x, 0, 300 - x, 10}).x + wholePixels({x, 0, 300 - x, 10}).width, 300) << x;
    // Halves away from zero: edges at -1 and 1, 3 and 4.
    EXPECT_EQ(wholePixels({-0.5, 2.5, 1, 1}), (PixelRect{-1, 3, 2, 1}));
    // Never empty, never undefined.
    EXPECT_EQ(wholePixels({5, 5, 0.2, -3}), (PixelRect{5, 5, 1, 1}));
    EXPECT_EQ(wholePixels({std::nan(""), 0, 10, 10}), (PixelRect{0, 0, 1, 10}));
}

}  // namespace
}  // namespace glimora
