#include <gtest/gtest.h>

#include <array>

#include "geometry/panel_reach.hpp"
#include "state/panel_layout_inputs.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

struct PanelReachTest : ::testing::Test {
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();

    PanelRect reach(const PanelRect& screen, NotchPlacement placement) const {
        return panelReach(panelReachInputs(*model, placement), screen, screen, placement);
    }

    std::array<PanelRect, 4> reaches(const PanelRect& screen) {
        model->setMetrics({8, 0, false, screen.width, screen.height});
        std::array<PanelRect, 4> all;
        for (const NotchPlacement placement : allCases<NotchPlacement>())
            all[std::size_t(placement)] = reach(screen, placement);
        return all;
    }
};

TEST_F(PanelReachTest, TheReachIsTheTallestAndWidestOpenPanelOfAnyTab) {
    const PanelRect screen{0, 0, 1920, 1080};
    // Collapsed, on the shape tab: the reach does not depend on either.
    const auto all = reaches(screen);
    // History is the tallest open top or bottom panel (336).
    EXPECT_EQ(all[std::size_t(NotchPlacement::top)], (PanelRect{580, 0, 760, 336}));
    EXPECT_EQ(all[std::size_t(NotchPlacement::bottom)], (PanelRect{580, 744, 760, 336}));
    // A dragged side width goes up to 760; the collapsed rail lies within.
    EXPECT_EQ(all[std::size_t(NotchPlacement::left)], (PanelRect{0, 220, 760, 640}));
    EXPECT_EQ(all[std::size_t(NotchPlacement::right)], (PanelRect{1160, 220, 760, 640}));
    // The material tab, which no button selects, counts when it is selected.
    model->setSelectedTab(NotchTab::shader);
    EXPECT_EQ(reach(screen, NotchPlacement::top), (PanelRect{580, 0, 760, 410}));
}

TEST_F(PanelReachTest, TheWindowIsCentredWhereThatIsClearElseMovedOutOfTheCurrentReach) {
    // On a full HD screen the centre is clear of the panel at every edge.
    const PanelRect hd{0, 0, 1920, 1080};
    const auto all = reaches(hd);
    for (const NotchPlacement placement : allCases<NotchPlacement>())
        EXPECT_EQ(placeClearOfPanel(hd, 362, 245, placement, all[std::size_t(placement)], all, 12),
                  (PanelRect{779, 417.5, 362, 245}));

    // On 1280x800 the centre lies in the reach of the open top and bottom
    // panels and of the widest side ones.
    const PanelRect small{0, 0, 1280, 800};
    const auto near = reaches(small);
    const auto place = [&](NotchPlacement placement) {
        return placeClearOfPanel(small, 362, 245, placement, near[std::size_t(placement)], near, 12);
    };
    EXPECT_EQ(place(NotchPlacement::top), (PanelRect{459, 348, 362, 245}));
    EXPECT_EQ(place(NotchPlacement::bottom), (PanelRect{459, 207, 362, 245}));
    EXPECT_EQ(place(NotchPlacement::left), (PanelRect{772, 277.5, 362, 245}));
    EXPECT_EQ(place(NotchPlacement::right), (PanelRect{146, 277.5, 362, 245}));
    for (const NotchPlacement placement : allCases<NotchPlacement>())
        EXPECT_FALSE(intersects(place(placement), near[std::size_t(placement)])) << rawValue(placement);

    // Where nothing fits beside the reach, the window stays on the work area.
    const PanelRect tiny{0, 0, 640, 480};
    const auto cramped = reaches(tiny);
    const PanelRect kept = placeClearOfPanel(tiny, 362, 245, NotchPlacement::top, cramped[0], cramped, 12);
    EXPECT_EQ(kept.y, 480 - 245);
    EXPECT_EQ(kept.x, 139);
}

}  // namespace
}  // namespace glimora
