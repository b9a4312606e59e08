#include <gtest/gtest.h>

#include <cmath>

#include "geometry/panel_spring.hpp"

namespace glimora {
namespace {

struct SpringRun {
    PanelRect first;  // the frame after the first tick
    int ticks = 0;    // the tick on which it settled; 0 when it never did
};

SpringRun runSpring(PanelRect from, PanelRect to, double response, double interval, int limit = 2000) {
    PanelSpring spring;
    spring.seed(from);
    spring.setTarget(to, response);
    SpringRun run;
    for (int tick = 1; tick <= limit; ++tick) {
        const bool settled = spring.step(interval);
        if (tick == 1) run.first = spring.frame();
        if (settled) {
            run.ticks = tick;
            EXPECT_EQ(spring.frame(), to) << "settling ends on the target itself";
            EXPECT_EQ(spring.velocity(), PanelRect{});
            return run;
        }
    }
    return run;
}

SpringRun growHeight(double response, double interval) {
    return runSpring({0, 0, 320, 34}, {0, 0, 320, 300}, response, interval);
}

TEST(PanelSpring, GrowsTheHeightAsTheSpringOfTheSetDisplayRates) {
    const SpringRun at60 = growHeight(0.3, 1.0 / 60);
    EXPECT_NEAR(at60.first.height, 66.41, 0.005);
    EXPECT_EQ(at60.ticks, 32);
    EXPECT_EQ(growHeight(0.22, 1.0 / 60).ticks, 25);
    EXPECT_EQ(growHeight(0.3, 1.0 / 120).ticks, 58);
    EXPECT_EQ(growHeight(0.22, 1.0 / 120).ticks, 44);
    // The axes already at rest stay exactly where they are.
    EXPECT_EQ(at60.first.x, 0);
    EXPECT_EQ(at60.first.width, 320);
}

TEST(PanelSpring, ClampsTheTickToTheSmallestAndLargestStep) {
    for (const double interval : {0.0, -1.0, std::nan("")}) {
        const SpringRun run = growHeight(0.3, interval);
        EXPECT_NEAR(run.first.height, 36.03, 0.005) << interval;
        EXPECT_EQ(run.ticks, 110) << interval;
    }
    // A half-second hitch moves it as far as one thirtieth of a second does.
    EXPECT_EQ(growHeight(0.3, 0.5).first, growHeight(0.3, 1.0 / 30).first);
}

TEST(PanelSpring, SplitsLongTicksSoFastSpringsStillSettle) {
    const SpringRun atFloor = growHeight(0.08, 1.0 / 60);
    EXPECT_NEAR(atFloor.first.height, 170.10, 0.005);
    EXPECT_EQ(atFloor.ticks, 10);
    const SpringRun layoutAt30 = growHeight(0.22, 1.0 / 30);
    EXPECT_NEAR(layoutAt30.first.height, 143.78, 0.005);
    EXPECT_EQ(layoutAt30.ticks, 13);
    const SpringRun expandAt30 = growHeight(0.3, 1.0 / 30);
    EXPECT_NEAR(expandAt30.first.height, 104.66, 0.005);
    EXPECT_EQ(expandAt30.ticks, 16);
    // A response of 0 or below behaves as the smallest one.
    EXPECT_EQ(growHeight(0, 1.0 / 60).first, atFloor.first);
    EXPECT_EQ(growHeight(-3, 1.0 / 60).ticks, 10);
}

TEST(PanelSpring, MovesWholeFramesOfThePanel) {
    const SpringRun top = runSpring({800, 0, 320, 28}, {580, 0, 760, 300}, 0.3, 1.0 / 60);
    EXPECT_NEAR(top.first.x, 773.19, 0.005);
    EXPECT_EQ(top.first.y, 0);
    EXPECT_NEAR(top.first.width, 373.61, 0.005);
    EXPECT_NEAR(top.first.height, 61.14, 0.005);
    EXPECT_EQ(top.ticks, 34);

    const SpringRun left = runSpring({0, 430, 68, 220}, {0, 220, 322, 640}, 0.3, 1.0 / 60);
    EXPECT_EQ(left.first.x, 0);
    EXPECT_NEAR(left.first.y, 404.41, 0.005);
    EXPECT_NEAR(left.first.width, 98.95, 0.005);
    EXPECT_NEAR(left.first.height, 271.18, 0.005);
    EXPECT_EQ(left.ticks, 34);

    // Shape tab to adjust tab while open at the top.
    EXPECT_EQ(runSpring({580, 0, 760, 300}, {580, 0, 760, 210}, 0.22, 1.0 / 60).ticks, 21);
}

TEST(PanelSpring, ARetargetInFlightKeepsPositionAndVelocity) {
    PanelSpring spring;
    spring.seed({800, 0, 320, 28});
    spring.setTarget({580, 0, 760, 300}, 0.3);
    for (int i = 0; i < 5; ++i) spring.step(1.0 / 60);
    const PanelRect position = spring.frame();
    const PanelRect velocity = spring.velocity();
    ASSERT_GT(velocity.height, 100);
    spring.setTarget({800, 0, 320, 28}, 0.3);
    EXPECT_EQ(spring.frame(), position);
    EXPECT_EQ(spring.velocity(), velocity);
    // The carried velocity shows against a spring that starts there at rest.
    PanelSpring atRest;
    atRest.seed(position);
    atRest.setTarget({800, 0, 320, 28}, 0.3);
    spring.step(1.0 / 60);
    atRest.step(1.0 / 60);
    EXPECT_GT(spring.frame().height, atRest.frame().height + 3);
    int ticks = 1;
    while (!spring.step(1.0 / 60) && ticks < 1000) ++ticks;
    EXPECT_LT(ticks, 1000);
    EXPECT_EQ(spring.frame(), (PanelRect{800, 0, 320, 28}));
}

TEST(PanelSpring, FinishSnapsToTheTargetAtRest) {
    PanelSpring spring;
    spring.seed({0, 0, 10, 10});
    spring.setTarget({5, 6, 70, 80}, 0.3);
    spring.step(1.0 / 60);
    spring.finish();
    EXPECT_EQ(spring.frame(), (PanelRect{5, 6, 70, 80}));
    EXPECT_EQ(spring.velocity(), PanelRect{});
    EXPECT_TRUE(spring.step(1.0 / 60));
}

}  // namespace
}  // namespace glimora
