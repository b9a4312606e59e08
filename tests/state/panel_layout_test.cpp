#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;

void addPhoto(NotchViewModel& model) {
    model.updateImageAssets([](auto& assets) { assets.push_back({{}, "photo.jpg", {}, {}, {}}); });
}

const std::map<NotchTab, double> defaultWidths = {
    {NotchTab::image, 337},     {NotchTab::shape, 322},     {NotchTab::gradients, 337}, {NotchTab::color, 337},
    {NotchTab::adjust, 322},    {NotchTab::style, 337},     {NotchTab::animation, 352}, {NotchTab::shader, 367},
    {NotchTab::export_, 337},   {NotchTab::history, 352},
};

TEST(PanelLayout, ResolvedSideWidthIsTheTabDefaultWithoutACustomWidth) {
    for (const NotchTab tab : everyCase<NotchTab>()) {
        ModelHarness harness;
        auto model = harness.make();
        model->setSelectedTab(tab);
        EXPECT_EQ(model->resolvedSideWidth(), defaultWidths.at(tab)) << rawValue(tab);
        addPhoto(*model);
        EXPECT_EQ(model->resolvedSideWidth(), tab == NotchTab::image ? 361 : defaultWidths.at(tab)) << rawValue(tab);
    }
}

TEST(PanelLayout, OneCustomWidthServesEveryTabWithinItsBounds) {
    ModelHarness harness;
    auto model = harness.make();
    model->setMetrics({8, 0, false, 1440, 900});
    model->setCustomSideExpandedWidth(340);
    for (const NotchTab tab : everyCase<NotchTab>()) {
        model->setSelectedTab(tab);
        EXPECT_EQ(model->resolvedSideWidth(), std::max(340.0, defaultWidths.at(tab))) << rawValue(tab);
    }
    model->setCustomSideExpandedWidth(5000);
    EXPECT_EQ(model->resolvedSideWidth(), 760);
    model->setCustomSideExpandedWidth(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(model->resolvedSideWidth(), defaultWidths.at(model->selectedTab()));
}

TEST(PanelLayout, CustomWidthIsClampedToTheTabDefaultAndTheScreen) {
    ModelHarness harness;
    auto model = harness.make();
    model->setNotchPlacement(NotchPlacement::left);
    model->setExpanded(true);
    model->setMetrics({8, 0, false, 1440, 900});
    EventLog log;
    log.attach(*model);

    model->setCustomSideWidth(200);
    EXPECT_EQ(model->customSideExpandedWidth(), 322);
    model->setCustomSideWidth(500);
    EXPECT_EQ(model->customSideExpandedWidth(), 500);
    model->setCustomSideWidth(900);
    EXPECT_EQ(model->customSideExpandedWidth(), 760);
    EXPECT_EQ(log.events, (std::vector<std::string>{"customSideExpandedWidth", "onSideWidthChange",
                                                    "customSideExpandedWidth", "onSideWidthChange",
                                                    "customSideExpandedWidth", "onSideWidthChange"}));
    // Setting the width never writes the preference: the resize handle does when a drag ends.
    EXPECT_TRUE(std::find(harness.preferences->writes.begin(), harness.preferences->writes.end(),
                          "sideExpandedWidth") == harness.preferences->writes.end());
}

TEST(PanelLayout, ChangesOfATenthOrLessAreIgnored) {
    ModelHarness harness;
    auto model = harness.make();
    model->setNotchPlacement(NotchPlacement::right);
    model->setExpanded(true);
    model->setMetrics({8, 0, false, 1440, 900});
    model->setCustomSideWidth(500);
    EventLog log;
    log.attach(*model);

    model->setCustomSideWidth(500.05);
    model->setCustomSideWidth(499.95);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(model->customSideExpandedWidth(), 500);
    model->setCustomSideWidth(500.2);
    EXPECT_EQ(model->customSideExpandedWidth(), 500.2);
    EXPECT_EQ(log.events, (std::vector<std::string>{"customSideExpandedWidth", "onSideWidthChange"}));
}

TEST(PanelLayout, AbsentWidthCountsAsMinusOne) {
    ModelHarness harness;
    auto model = harness.make();
    model->setNotchPlacement(NotchPlacement::left);
    model->setExpanded(true);
    model->setCustomSideWidth(100);
    EXPECT_EQ(model->customSideExpandedWidth(), 322);
}

TEST(PanelLayout, NarrowScreenPinsTheWidthToTheDefault) {
    ModelHarness harness;
    auto model = harness.make();
    model->setNotchPlacement(NotchPlacement::left);
    model->setExpanded(true);
    model->setMetrics({8, 0, false, 300, 800});
    model->setCustomSideWidth(700);
    EXPECT_EQ(model->customSideExpandedWidth(), 322);
}

TEST(PanelLayout, CustomWidthNeedsAnOpenSidePanelAndAFiniteWidth) {
    const auto attempt = [](NotchPlacement placement, bool expanded, double width) {
        ModelHarness harness;
        auto model = harness.make();
        model->setNotchPlacement(placement);
        model->setExpanded(expanded);
        EventLog log;
        log.attach(*model);
        model->setCustomSideWidth(width);
        return std::pair{model->customSideExpandedWidth(), log.events.size()};
    };
    const double inf = std::numeric_limits<double>::infinity();
    const auto nothing = std::pair{std::optional<double>{}, std::size_t{0}};
    EXPECT_EQ(attempt(NotchPlacement::left, false, 500), nothing);
    EXPECT_EQ(attempt(NotchPlacement::top, true, 500), nothing);
    EXPECT_EQ(attempt(NotchPlacement::bottom, true, 500), nothing);
    EXPECT_EQ(attempt(NotchPlacement::right, true, inf), nothing);
    EXPECT_EQ(attempt(NotchPlacement::right, true, -inf), nothing);
    EXPECT_EQ(attempt(NotchPlacement::right, true, std::numeric_limits<double>::quiet_NaN()), nothing);
    EXPECT_EQ(attempt(NotchPlacement::right, true, 500).first, 500);
}

TEST(PanelLayout, HorizontalPanelHeightByTab) {
    const std::map<NotchTab, double> heights = {
        {NotchTab::image, 150},   {NotchTab::shape, 300}, {NotchTab::gradients, 300}, {NotchTab::color, 300},
        {NotchTab::adjust, 210},  {NotchTab::style, 250}, {NotchTab::animation, 200}, {NotchTab::shader, 410},
        {NotchTab::export_, 226}, {NotchTab::history, 336},
    };
    for (const NotchPlacement placement : {NotchPlacement::top, NotchPlacement::bottom}) {
        for (const NotchTab tab : everyCase<NotchTab>()) {
            ModelHarness harness;
            auto model = harness.make();
            model->setNotchPlacement(placement);
            model->setSelectedTab(tab);
            EXPECT_EQ(model->expandedPanelHeight(), heights.at(tab)) << rawValue(tab);
            addPhoto(*model);
            EXPECT_EQ(model->expandedPanelHeight(), tab == NotchTab::image ? 300 : heights.at(tab)) << rawValue(tab);
        }
    }
}

TEST(PanelLayout, SidePanelHeightFollowsTheScreenWithinBounds) {
    for (const NotchPlacement placement : {NotchPlacement::left, NotchPlacement::right}) {
        ModelHarness harness;
        auto model = harness.make();
        model->setNotchPlacement(placement);
        for (const auto& [screenHeight, expected] :
             {std::pair{900.0, 640.0}, std::pair{600.0, 536.0}, std::pair{380.0, 360.0}, std::pair{704.0, 640.0},
              std::pair{424.0, 360.0}, std::pair{0.0, 360.0}}) {
            model->setMetrics({8, 0, false, 1200, screenHeight});
            for (const NotchTab tab : everyCase<NotchTab>()) {
                model->setSelectedTab(tab);
                EXPECT_EQ(model->expandedPanelHeight(), expected) << screenHeight;
            }
        }
    }
}

}  // namespace
}  // namespace glimora
