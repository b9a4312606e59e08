#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;

class AnimationClock : public ::testing::Test {
protected:
    ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();
    double now() const { return harness.clock->now(); }
};

TEST_F(AnimationClock, ProgressRunsFromTheStartAndNeverBackwards) {
    model->toggleAnimation();
    ASSERT_TRUE(model->animationPlaying());
    EXPECT_EQ(model->animationStartTime(), now());
    EXPECT_EQ(model->animationProgress(now() - 5), 0);
    EXPECT_EQ(model->animationProgress(now() + 2), 0.25);
    EXPECT_EQ(model->animationProgress(now() + 8), 0);
    EXPECT_EQ(model->animationProgress(now() + 13), 0.625);
}

TEST_F(AnimationClock, LoopDurationAndSpeedAreFlooredOnlyInsideTheFormula) {
    model->toggleAnimation();
    model->setAnimationLoopDuration(0);
    EXPECT_EQ(model->animationProgress(now() + 0.25), 0.5);
    model->setAnimationLoopDuration(0.3);
    EXPECT_EQ(model->animationProgress(now() + 0.25), 0.5);
    model->setAnimationLoopDuration(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(model->animationProgress(now() + 0.25), 0.5);

    model->setAnimationLoopDuration(8);
    model->setAnimationSpeed(0);
    EXPECT_EQ(model->animationProgress(now() + 100), 0.125);
    model->setAnimationSpeed(-3);
    EXPECT_EQ(model->animationProgress(now() + 100), 0.125);
    EXPECT_EQ(model->animationSpeed(), -3);
    EXPECT_EQ(model->animationLoopDuration(), 8);

    model->setAnimationSpeed(std::numeric_limits<double>::infinity());
    EXPECT_EQ(model->animationProgress(now() + 1), 0);
}

TEST_F(AnimationClock, PausingKeepsThePositionWhateverChangesWhilePaused) {
    model->toggleAnimation();
    harness.clock->advance(2);
    model->toggleAnimation();
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_EQ(model->animationStartTime(), std::nullopt);
    EXPECT_EQ(model->animationPausedProgress(), 0.25);
    EXPECT_EQ(model->animationProgress(now() + 50), 0.25);

    harness.clock->advance(100);
    model->setAnimationSpeed(2);
    model->setAnimationLoopDuration(4);
    model->toggleAnimation();
    EXPECT_TRUE(model->animationPlaying());
    EXPECT_EQ(model->animationProgress(now()), 0.25);
    EXPECT_EQ(model->animationProgress(now() + 0.5), 0.5);
}

TEST_F(AnimationClock, ChangingTheTempoWhileRunningMovesThePosition) {
    model->toggleAnimation();
    harness.clock->advance(2);
    EXPECT_EQ(model->animationProgress(now()), 0.25);
    model->setAnimationSpeed(2);
    EXPECT_EQ(model->animationProgress(now()), 0.5);
}

TEST_F(AnimationClock, ToggleDoesNothingForAPhotoWallpaper) {
    model->setWallpaperSource(WallpaperSource::image);
    EventLog log;
    log.attach(*model);
    model->toggleAnimation();
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(model->availableAnimationProperties().empty());
}

TEST_F(AnimationClock, PlayingTurnsAnActiveMaterialOff) {
    model->activateShaderMaterial();
    model->toggleAnimation();
    EXPECT_FALSE(model->shaderActive());
    EXPECT_FALSE(model->shaderPlaying());
    EXPECT_EQ(model->shaderStatus(), "Shapes and pixels restored");
    EXPECT_TRUE(model->animationPlaying());
}

TEST_F(AnimationClock, AvailablePropertiesFollowTheShape) {
    model->setShape(NotchShape::linear);
    EXPECT_EQ(model->availableAnimationProperties().front(), AnimationProperty::angle);
    EXPECT_EQ(model->availableAnimationProperties().size(), 8u);  // no spread, no phase
    model->setShape(NotchShape::radial);
    EXPECT_EQ(model->availableAnimationProperties().front(), AnimationProperty::spread);

    model->setAnimationProperty(AnimationProperty::angle);
    model->validateAnimationProperty();
    EXPECT_EQ(model->animationProperty(), AnimationProperty::spread);
    EventLog log;
    log.attach(*model);
    model->validateAnimationProperty();
    EXPECT_TRUE(log.events.empty());
}

// Puts the paused loop at a chosen position, so the design shows that moment.
void pauseAt(NotchViewModel& model, double progress, AnimationWaveform waveform, AnimationProperty property,
             double amount) {
    model.setAnimationWaveform(waveform);
    model.setAnimationProperty(property);
    model.setAnimationAmount(amount);
    model.setAnimationPausedProgress(progress);
}

TEST_F(AnimationClock, StoppedAnimationShowsTheValuesAsSet) {
    const auto asSet = model->animatedSnapshot(now());
    EXPECT_EQ(asSet.angle, 135);
    EXPECT_EQ(asSet.spread, 140);
    // At the loop start a paused ping-pong is stopped, not at the -1 end of its wave.
    pauseAt(*model, 0, AnimationWaveform::pingPong, AnimationProperty::angle, 100);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 135);
    pauseAt(*model, 0.0001, AnimationWaveform::pingPong, AnimationProperty::angle, 100);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 135);
    pauseAt(*model, 0.25, AnimationWaveform::pingPong, AnimationProperty::angle, 100);
    model->setWallpaperSource(WallpaperSource::image);  // also clears the paused position
    model->setAnimationPausedProgress(0.25);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 135);
}

TEST_F(AnimationClock, WavesAtKnownPositions) {
    model->setAngle(100);
    pauseAt(*model, 0.25, AnimationWaveform::sine, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 190);
    pauseAt(*model, 0.75, AnimationWaveform::sine, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 10);
    pauseAt(*model, 0.5, AnimationWaveform::pingPong, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 190);
    pauseAt(*model, 0.125, AnimationWaveform::pingPong, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 55);  // -0.5 of the swing
    pauseAt(*model, 0.875, AnimationWaveform::pingPong, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 55);

    // The noise wave at the loop start: 0.55 sin 0.4 + 0.3 sin 1.7 + 0.15 sin 2.9.
    model->setAnimationWaveform(AnimationWaveform::noise);
    model->setAnimationAmount(100);
    model->setAnimationPausedProgress(0);
    model->toggleAnimation();
    EXPECT_NEAR(model->animatedSnapshot(now()).angle, 100 + 0.54756693078759 * 180, 1e-9);
    // The noise wave never leaves -1...1: warp 50 swings at most 30 either way.
    model->setWarp(50);
    model->setAnimationProperty(AnimationProperty::warp);
    for (double t = 0; t < 8; t += 0.01) {
        const double warp = model->animatedSnapshot(now() + t).warp;
        EXPECT_TRUE(warp >= 20 && warp <= 80) << t;
    }
}

TEST_F(AnimationClock, AnglesAndPhasesWrapIntoAFullTurn) {
    model->setShape(NotchShape::conic);
    model->setAngle(350);
    pauseAt(*model, 0.25, AnimationWaveform::sine, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 80);
    model->setAngle(10);
    pauseAt(*model, 0.75, AnimationWaveform::sine, AnimationProperty::angle, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 280);
    // Offsets that do not divide evenly: 350 + 20 gives 10, and a result of -30 gives 330.
    model->setAngle(350);
    pauseAt(*model, 0.25, AnimationWaveform::sine, AnimationProperty::angle, 100.0 * 20 / 180);
    EXPECT_NEAR(model->animatedSnapshot(now()).angle, 10, 1e-9);
    model->setPhase(20);
    pauseAt(*model, 0.75, AnimationWaveform::sine, AnimationProperty::phase, 100.0 * 50 / 180);
    EXPECT_NEAR(model->animatedSnapshot(now()).phase, 330, 1e-9);
    EXPECT_EQ(model->animatedSnapshot(now()).angle, 350);
}

TEST_F(AnimationClock, BoundedPropertiesStayInsideTheirRanges) {
    struct Case {
        AnimationProperty property;
        NotchShape shape;
        double progress;  // 0.25 rises to +1, 0.75 falls to -1
        double expected;
    };
    model->setSpread(120);
    model->setFrequencyX(4);
    model->setFrequencyY(2);
    model->setCenterX(90);
    model->setCenterY(10);
    model->setWarp(95);
    model->setNoise(3);
    model->setChroma(18);
    const Case cases[] = {
        {AnimationProperty::spread, NotchShape::radial, 0.75, 100},
        {AnimationProperty::spread, NotchShape::conic, 0.75, 10},
        {AnimationProperty::spread, NotchShape::conic, 0.25, 300},
        {AnimationProperty::frequencyX, NotchShape::sine, 0.25, 8},
        {AnimationProperty::frequencyX, NotchShape::sine, 0.75, 1},
        {AnimationProperty::frequencyY, NotchShape::sine, 0.25, 6},
        {AnimationProperty::frequencyY, NotchShape::sine, 0.75, 1},
        {AnimationProperty::centerX, NotchShape::sine, 0.25, 100},
        {AnimationProperty::centerY, NotchShape::sine, 0.75, 0},
        {AnimationProperty::warp, NotchShape::sine, 0.25, 100},
        {AnimationProperty::noise, NotchShape::sine, 0.75, 0},
        {AnimationProperty::chroma, NotchShape::sine, 0.25, 20},
    };
    for (const auto& c : cases) {
        model->setShape(c.shape);
        pauseAt(*model, c.progress, AnimationWaveform::sine, c.property, 1000);
        const auto values = model->animatedSnapshot(now());
        const double got[] = {values.angle, values.spread,     values.centerX,    values.centerY,
                              values.phase, values.frequencyX, values.frequencyY, values.warp,
                              values.noise, values.chroma};
        EXPECT_EQ(got[static_cast<int>(c.property)], c.expected) << rawValue(c.property);
        // Only the animated value moves.
        EXPECT_EQ(values.angle, 135);
    }
    // A value that is not a number takes the lower bound.
    model->setShape(NotchShape::radial);
    model->setSpread(std::numeric_limits<double>::quiet_NaN());
    pauseAt(*model, 0.25, AnimationWaveform::sine, AnimationProperty::spread, 50);
    EXPECT_EQ(model->animatedSnapshot(now()).spread, 100);
}

TEST_F(AnimationClock, SnapshotWritesNothing) {
    EventLog log;
    log.attach(*model);
    pauseAt(*model, 0.3, AnimationWaveform::noise, AnimationProperty::warp, 80);
    log.events.clear();
    (void)model->animatedSnapshot(now());
    (void)model->animationProgress(now());
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(model->warp(), 0);
}

TEST_F(AnimationClock, SelectShapeRaisesRadialSpreadAndPinsTheShapeOnce) {
    model->setSpread(60);
    model->selectShape(NotchShape::radial);
    EXPECT_EQ(model->spread(), 100);
    EXPECT_TRUE(model->isPinned(ShuffleProperty::shape));
    EXPECT_EQ(harness.preferences->value("pinnedShuffleProperties"), nlohmann::json({"shape"}));
    const auto writes = harness.preferences->writes.size();

    model->setSpread(140);
    model->selectShape(NotchShape::radial);
    EXPECT_EQ(model->spread(), 140);
    EXPECT_EQ(harness.preferences->writes.size(), writes);

    model->setAnimationProperty(AnimationProperty::spread);
    model->setGrainGradientActive(true);
    model->selectShape(NotchShape::linear);
    EXPECT_EQ(model->animationProperty(), AnimationProperty::angle);
    EXPECT_FALSE(model->grainGradientActive());
}

TEST_F(AnimationClock, SelectShapeWritesInOrder) {
    EventLog log;
    log.attach(*model);
    model->selectShape(NotchShape::radial);
    EXPECT_EQ(log.events, (std::vector<std::string>{"grainGradientActive", "shape", "spread", "animationProperty",
                                                    "pinnedProperties"}));
}

TEST_F(AnimationClock, SmoothGradientSelection) {
    model->setSelectedTab(NotchTab::color);
    model->setWallpaperSource(WallpaperSource::image);
    model->activateShaderMaterial();
    EventLog log;
    log.attach(*model);
    model->selectSmoothGradient();
    EXPECT_EQ(model->shape(), NotchShape::smoothGradient);
    EXPECT_EQ(model->selectedTab(), NotchTab::gradients);
    EXPECT_FALSE(model->grainGradientActive());
    EXPECT_FALSE(model->shaderActive());
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"wallpaperSource", "shape", "selectedTab", "grainGradientActive",
                                        "wallpaperSource", "shaderPlaying", "shaderActive", "shaderStatus",
                                        "onLayoutChange", "grainGradientActive"}));
}

TEST_F(AnimationClock, GrainGradientModeSelection) {
    model->setShape(NotchShape::smoothGradient);
    model->selectGrainGradientMode(GrainGradientMode::halftone);
    EXPECT_EQ(model->grainGradientMode(), GrainGradientMode::halftone);
    EXPECT_EQ(model->shape(), NotchShape::linear);
    EXPECT_TRUE(model->grainGradientActive());
    EXPECT_EQ(model->selectedTab(), NotchTab::gradients);

    model->setShape(NotchShape::spiral);
    model->selectGrainGradientMode(GrainGradientMode::bloom);
    EXPECT_EQ(model->shape(), NotchShape::spiral);
}

class MaterialClock : public AnimationClock {};

TEST_F(MaterialClock, ActivationStartsTheClockAndStopsTheAnimation) {
    model->toggleAnimation();
    harness.clock->advance(3);
    model->activateShaderMaterial();
    EXPECT_TRUE(model->shaderActive());
    EXPECT_TRUE(model->shaderPlaying());
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_EQ(model->animationPausedProgress(), 0);
    EXPECT_EQ(model->animationStartTime(), std::nullopt);
    EXPECT_EQ(model->shaderMaterialTime(now()), 0);
    EXPECT_DOUBLE_EQ(model->shaderMaterialTime(now() + 10), 5.5);
    EXPECT_EQ(model->shaderMaterialTime(now() - 10), 0);
}

TEST_F(MaterialClock, PauseAndResumeKeepTheMaterialTimeAtAnySpeed) {
    model->setShaderSpeed(2);
    model->activateShaderMaterial();
    harness.clock->advance(6);
    model->toggleShaderPlayback();
    EXPECT_FALSE(model->shaderPlaying());
    EXPECT_TRUE(model->shaderActive());
    EXPECT_EQ(model->shaderPausedTime(), 12);
    EXPECT_EQ(model->shaderMaterialTime(now() + 100), 12);

    harness.clock->advance(100);
    model->setShaderSpeed(0.3);
    model->toggleShaderPlayback();
    EXPECT_NEAR(model->shaderMaterialTime(now()), 12, 1e-6);
    EXPECT_NEAR(model->shaderMaterialTime(now() + 10), 15, 1e-6);
}

TEST_F(MaterialClock, SpeedIsFlooredInsideTheFormula) {
    model->setShaderSpeed(0);
    model->activateShaderMaterial();
    EXPECT_DOUBLE_EQ(model->shaderMaterialTime(now() + 100), 1);
    model->setShaderSpeed(-1);
    EXPECT_DOUBLE_EQ(model->shaderMaterialTime(now() + 100), 1);
    EXPECT_EQ(model->shaderSpeed(), -1);
}

TEST_F(MaterialClock, TurningOffKeepsTheTimeForTheNextActivationAndResetStartsOver) {
    model->setShaderSpeed(1);
    model->activateShaderMaterial();
    harness.clock->advance(7);
    model->turnOffShaderMaterial();
    EXPECT_FALSE(model->shaderActive());
    EXPECT_FALSE(model->shaderPlaying());
    EXPECT_EQ(model->shaderStartTime(), std::nullopt);
    EXPECT_EQ(model->shaderPausedTime(), 7);
    EXPECT_EQ(model->shaderStatus(), "Shapes and pixels restored");

    // Off while paused keeps the paused time too.
    model->activateShaderMaterial();
    harness.clock->advance(1);
    model->toggleShaderPlayback();
    harness.clock->advance(50);
    model->turnOffShaderMaterial();
    EXPECT_EQ(model->shaderPausedTime(), 8);

    model->activateShaderMaterial();
    EXPECT_EQ(model->shaderMaterialTime(now()), 8);

    harness.clock->advance(4);
    model->resetShaderMaterial();
    EXPECT_EQ(model->shaderMaterialTime(now()), 0);
    EXPECT_TRUE(model->shaderPlaying());
    EXPECT_EQ(model->shaderStatus(), "Material reset");
}

TEST_F(MaterialClock, PatternChangeKeepsARunningClock) {
    model->activateShaderMaterial();
    const auto start = model->shaderStartTime();
    harness.clock->advance(3);
    model->selectShaderPattern(ShaderPattern::rings);
    EXPECT_EQ(model->shaderPattern(), ShaderPattern::rings);
    EXPECT_EQ(model->shaderStartTime(), start);

    model->turnOffShaderMaterial();
    model->toggleAnimation();
    model->selectShaderPattern(ShaderPattern::cells);
    EXPECT_TRUE(model->shaderActive());
    EXPECT_TRUE(model->shaderPlaying());
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_NEAR(model->shaderMaterialTime(now()), 3 * 0.55, 1e-6);
}

TEST_F(MaterialClock, ResetRestoresEverySettingButThePicture) {
    model->setShaderSourceName("kept.png");
    model->setShaderSourceImage(test::solidImage(2, 2));
    model->setShaderPattern(ShaderPattern::bands);
    model->setShaderSpeed(3);
    model->setShaderScale(2);
    model->setShaderDistortion(1);
    model->setShaderRelief(2);
    model->setShaderColorShift(3);
    model->setShaderIntensity(4);
    model->setShaderBaseColor({1, 0, 0});
    model->setShaderMidColor({0, 1, 0});
    model->setShaderHighlightColor({0, 0, 1});
    EventLog log;
    log.attach(*model);
    model->resetShaderMaterial();
    EXPECT_EQ(model->shaderPattern(), ShaderPattern::flow);
    EXPECT_EQ(model->shaderSpeed(), 0.55);
    EXPECT_EQ(model->shaderScale(), 1);
    EXPECT_EQ(model->shaderDistortion(), 42);
    EXPECT_EQ(model->shaderRelief(), 62);
    EXPECT_EQ(model->shaderColorShift(), 18);
    EXPECT_EQ(model->shaderIntensity(), 86);
    EXPECT_EQ(model->shaderBaseColor(), defaultShaderBaseColor);
    EXPECT_EQ(model->shaderMidColor(), defaultShaderMidColor);
    EXPECT_EQ(model->shaderHighlightColor(), (Color{1, 1, 1}));
    EXPECT_EQ(model->shaderSourceName(), "kept.png");
    EXPECT_TRUE(model->shaderSourceImage().has_value());
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"shaderPattern", "shaderSpeed", "shaderScale", "shaderDistortion",
                                        "shaderRelief", "shaderColorShift", "shaderIntensity", "shaderBaseColor",
                                        "shaderMidColor", "shaderHighlightColor", "shaderPlaying",
                                        "animationPlaying", "shaderActive", "shaderPlaying", "shaderStatus"}));
}

TEST_F(MaterialClock, FullDesktopAndCurrentImageSources) {
    model->setShaderSourceName("old.png");
    model->setShaderSourceImage(test::solidImage(2, 2));
    model->useFullDesktopMaterial();
    EXPECT_EQ(model->shaderSourceName(), "");
    EXPECT_FALSE(model->shaderSourceImage().has_value());
    EXPECT_TRUE(model->shaderActive());
    EXPECT_EQ(model->shaderStatus(), "Full desktop material");

    model->turnOffShaderMaterial();
    model->useCurrentImageAsShaderSource();
    EXPECT_EQ(model->shaderStatus(), "Import an image or SVG first");
    EXPECT_FALSE(model->shaderActive());

    model->setImageAssets({ImportedImageAsset{{}, "no-preview.png", test::solidImage(3, 3), std::nullopt, {}}});
    model->useCurrentImageAsShaderSource();
    EXPECT_EQ(model->shaderStatus(), "Import an image or SVG first");

    model->updateImageAssets(
        [](auto& assets) { assets.push_back({{}, "sea.jpg", test::solidImage(8, 4), test::solidImage(4, 2), {}}); });
    model->setCurrentImageIndex(1);
    model->useCurrentImageAsShaderSource();
    EXPECT_EQ(model->shaderSourceName(), "sea.jpg");
    ASSERT_TRUE(model->shaderSourceImage().has_value());
    EXPECT_EQ(model->shaderSourceImage()->width, 4);
    EXPECT_TRUE(model->shaderActive());
    EXPECT_EQ(model->shaderStatus(), "Using sea.jpg");
}

}  // namespace
}  // namespace glimora
