#include "saver/ombriq_screen_saver_view.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "saver/screen_saver_settings.hpp"
#include "tests/saver/saver_fixtures.hpp"

namespace glimora::test {
namespace {

std::vector<DesignRecipe> recipes(std::initializer_list<const char*> names) {
    std::vector<DesignRecipe> result;
    double angle = 10;
    for (const char* name : names) result.push_back(gradientRecipe(name, angle += 10));
    return result;
}

TEST(SaverCycle, TwoRecipesAlternateForeverAcrossPasses) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 10.0);
    // Every shuffle after the first puts the recipe just shown first; the
    // swap at the pass boundary must undo it each time.
    h.random->queueDraws({0, 1, 0, 1, 0, 1});
    auto view = h.make(recipes({"a", "b"}));
    EXPECT_EQ(view->model().angle(), 20);  // "a" is on screen before the host starts
    view->startAnimation();
    for (int i = 0; i < 7; ++i) h.run(*view, 10.5);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"a", "b", "a", "b", "a", "b", "a", "b"}));
}

TEST(SaverCycle, OneRecipeIsAppliedAgainAtEveryIntervalRestartingItsAnimation) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 10.0);
    auto view = h.make(recipes({"only"}));
    view->startAnimation();
    h.run(*view, 9.5);
    EXPECT_EQ(h.applied.size(), 1u);  // startAnimation's
    const auto startedAt = view->model().animationStartTime();
    ASSERT_TRUE(startedAt.has_value());
    h.run(*view, 1);
    h.run(*view, 10.5);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"only", "only", "only"}));
    ASSERT_TRUE(view->model().animationStartTime().has_value());
    EXPECT_GT(*view->model().animationStartTime(), *startedAt + 15);
    EXPECT_EQ(view->model().animationPausedProgress(), 0);
}

TEST(SaverCycle, NoRecipesAppliesNothingAndKeepsTheClockStopped) {
    SaverHarness h;
    auto view = h.make({});
    view->startAnimation();
    h.run(*view, 200);
    view->advanceRecipe();
    EXPECT_TRUE(h.applied.empty());
    EXPECT_FALSE(view->model().animationPlaying());
    EXPECT_FALSE(view->model().animationStartTime().has_value());
    EXPECT_EQ(view->model().angle(), 135);  // the model's initial design
    EXPECT_TRUE(view->recipeOrder().empty());
}

TEST(SaverCycle, ANewPassNeverOpensWithTheRecipeThatClosedTheLastOne) {
    SaverHarness h;
    // First pass: draws 0,0 give the order 0,1,2; the second pass's draws
    // 2,0 give 2,1,0, which opens with 2 (the last shown): swapped to 1,2,0.
    h.random->queueDraws({0, 0, 2, 0});
    auto view = h.make(recipes({"a", "b", "c"}));
    EXPECT_EQ(view->recipeOrder(), (std::vector<int>{0, 1, 2}));
    view->advanceRecipe();
    view->advanceRecipe();
    EXPECT_EQ(view->recipePosition(), 2);
    view->advanceRecipe();
    EXPECT_EQ(view->recipeOrder(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(view->recipePosition(), 0);
    EXPECT_EQ(h.applied, (std::vector<std::string>{"b", "c", "b"}));
}

TEST(SaverCycle, EachPassShowsEveryRecipeOnce) {
    SaverHarness h;
    auto view = h.make(recipes({"a", "b", "c", "d", "e"}));
    view->startAnimation();  // the first of the first pass
    for (int i = 0; i < 19; ++i) view->advanceRecipe();
    ASSERT_EQ(h.applied.size(), 20u);
    for (std::size_t pass = 0; pass < 4; ++pass) {
        const std::set<std::string> names(h.applied.begin() + std::ptrdiff_t(pass * 5),
                                          h.applied.begin() + std::ptrdiff_t(pass * 5 + 5));
        EXPECT_EQ(names.size(), 5u) << "pass " << pass;
    }
    for (std::size_t i = 1; i < h.applied.size(); ++i) EXPECT_NE(h.applied[i], h.applied[i - 1]) << i;
}

TEST(SaverCycle, StopAndStartKeepThePositionAndApplyTheCurrentRecipeAgain) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 10.0);
    h.random->queueDraws({0, 0});
    auto view = h.make(recipes({"a", "b", "c"}));
    view->startAnimation();
    h.run(*view, 10.5);
    ASSERT_EQ(view->recipePosition(), 1);
    view->stopAnimation();
    EXPECT_FALSE(view->model().animationPlaying());
    EXPECT_FALSE(view->model().animationStartTime().has_value());
    h.clock->advance(500);  // long stopped: the restart must not count this time
    view->startAnimation();
    EXPECT_EQ(view->recipePosition(), 1);
    EXPECT_EQ(h.applied.back(), "b");
    EXPECT_TRUE(view->model().animationPlaying());
    h.run(*view, 9.5);
    EXPECT_EQ(h.applied.back(), "b");
    EXPECT_EQ(h.applied.size(), 3u);
}

TEST(SaverSettings, IntervalRules) {
    MemoryPreferences settings;
    EXPECT_EQ(artworkInterval(settings, false), 90);  // missing
    EXPECT_EQ(artworkInterval(settings, true), 15);
    settings.setValue(artworkIntervalKey, 5.0);
    EXPECT_EQ(artworkInterval(settings, false), 10);
    settings.setValue(artworkIntervalKey, 600);
    EXPECT_EQ(artworkInterval(settings, false), 600);
    EXPECT_EQ(artworkInterval(settings, true), 15);
    settings.setValue(artworkIntervalKey, 12.0);
    EXPECT_EQ(artworkInterval(settings, false), 12);
    EXPECT_EQ(artworkInterval(settings, true), 12);
    // A text or a number that is not finite: not a number of seconds, the floor.
    for (const nlohmann::json& notANumber :
         {nlohmann::json("soon"), nlohmann::json("600"), nlohmann::json(std::numeric_limits<double>::infinity()),
          nlohmann::json(std::numeric_limits<double>::quiet_NaN())}) {
        settings.setValue(artworkIntervalKey, notANumber);
        EXPECT_EQ(artworkInterval(settings, false), 10) << notANumber.dump();
        EXPECT_EQ(loadScreenSaverSettings(settings).interval, 10) << notANumber.dump();
    }
    // Null and the other kinds say nothing: as if missing.
    for (const nlohmann::json& noValue : {nlohmann::json(nullptr), nlohmann::json(true), nlohmann::json::array(),
                                          nlohmann::json::object({{"seconds", 30}})}) {
        settings.setValue(artworkIntervalKey, noValue);
        EXPECT_EQ(artworkInterval(settings, false), 90) << noValue.dump();
        EXPECT_EQ(artworkInterval(settings, true), 15) << noValue.dump();
        EXPECT_EQ(loadScreenSaverSettings(settings).interval, 90) << noValue.dump();
    }
}

TEST(SaverSettings, TheIntervalIsReadAtEveryFrame) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 600.0);
    auto view = h.make(recipes({"a", "b"}));
    view->startAnimation();
    h.run(*view, 20);
    EXPECT_EQ(h.applied.size(), 1u);
    h.settings->setValue(artworkIntervalKey, 10.0);
    h.run(*view, 0.1);
    EXPECT_EQ(h.applied.size(), 2u);
}

TEST(SaverSettings, ThePreviewChangesAtMostEveryFifteenSeconds) {
    SaverHarness h;
    h.settings->setValue(artworkIntervalKey, 600.0);
    auto view = h.make(recipes({"a", "b"}), true);
    view->startAnimation();
    h.run(*view, 14.5);
    EXPECT_EQ(h.applied.size(), 1u);
    h.run(*view, 1);
    EXPECT_EQ(h.applied.size(), 2u);
}

TEST(SaverApply, AnimationValuesAreClampedAndDefaulted) {
    SaverHarness h;
    auto wild = gradientRecipe("wild", 30);
    wild.animationSpeed = 9;
    wild.animationLoopDuration = 0.5;
    wild.animationAmount = 150;
    wild.animationWaveform = "zigzag";
    wild.animationProperty = "spread";
    auto view = h.make({wild});
    const NotchViewModel& model = view->model();
    EXPECT_TRUE(model.animationPlaying());
    EXPECT_EQ(model.animationSpeed(), 4.0);
    EXPECT_EQ(model.animationLoopDuration(), 1.0);
    EXPECT_EQ(model.animationAmount(), 100.0);
    EXPECT_EQ(model.animationWaveform(), AnimationWaveform::sine);
    EXPECT_EQ(model.animationProperty(), AnimationProperty::spread);
    EXPECT_EQ(model.animationPausedProgress(), 0);
    EXPECT_EQ(model.animationStartTime(), h.clock->now());

    auto bare = gradientRecipe("bare", 40);  // no animation fields at all
    bare.animationSpeed = std::numeric_limits<double>::quiet_NaN();
    applyRecipeForScreenSaver(view->model(), bare, true);
    EXPECT_TRUE(model.animationPlaying());
    EXPECT_EQ(model.animationProperty(), model.availableAnimationProperties().front());
    EXPECT_EQ(model.animationSpeed(), 1.0);
    EXPECT_EQ(model.animationLoopDuration(), 8.0);
    EXPECT_EQ(model.animationAmount(), 50.0);
    EXPECT_EQ(model.animationWaveform(), AnimationWaveform::sine);

    auto low = gradientRecipe("low", 50);
    low.animationSpeed = 0.001;
    low.animationLoopDuration = 500;
    low.animationAmount = -3;
    low.animationWaveform = "pingPong";
    low.animationProperty = "no such property";
    applyRecipeForScreenSaver(view->model(), low, true);
    EXPECT_EQ(model.animationSpeed(), 0.05);
    EXPECT_EQ(model.animationLoopDuration(), 120.0);
    EXPECT_EQ(model.animationAmount(), 0.0);
    EXPECT_EQ(model.animationWaveform(), AnimationWaveform::pingPong);
    EXPECT_EQ(model.animationProperty(), model.availableAnimationProperties().front());
}

TEST(SaverApply, StillWhenAnimationsAreOffOrTheDesignIsAPhoto) {
    SaverHarness h;
    h.settings->setValue(animateArtworkKey, false);
    auto playing = gradientRecipe("playing", 30);
    playing.animationPlaying = true;  // the recipe's own flag is not what counts
    auto view = h.make({playing});
    EXPECT_FALSE(view->model().animationPlaying());
    EXPECT_FALSE(view->model().animationStartTime().has_value());

    auto photo = gradientRecipe("photo", 40);
    photo.wallpaperSource = "image";
    photo.image = RecipeImageAsset{"beach.png", 0.5, 0.5, 1, std::vector<std::uint8_t>{'P', 'N', 'G'}};
    applyRecipeForScreenSaver(view->model(), photo, true);
    EXPECT_EQ(view->model().wallpaperSource(), WallpaperSource::image);
    EXPECT_FALSE(view->model().animationPlaying());

    // Its photo cannot be decoded: the model falls back to a gradient, which
    // must not be animated with the values the photo recipe left behind.
    auto broken = photo;
    broken.image->pngData = std::vector<std::uint8_t>{'x'};
    broken.image->fileName = "gone.png";
    applyRecipeForScreenSaver(view->model(), broken, true);
    EXPECT_EQ(view->model().wallpaperSource(), WallpaperSource::gradient);
    EXPECT_FALSE(view->model().animationPlaying());
    EXPECT_FALSE(view->model().animationStartTime().has_value());
}

TEST(SaverApply, PhotosAreDecodedOnlyWhenTheirRecipeIsShown) {
    SaverHarness h;
    std::vector<DesignRecipe> library;
    for (int i = 0; i < 4; ++i) {
        auto photo = gradientRecipe("photo " + std::to_string(i), 20 + i);
        photo.wallpaperSource = "image";
        photo.image = RecipeImageAsset{"p.png", 0.5, 0.5, 1, std::vector<std::uint8_t>{'P'}};
        library.push_back(photo);
    }
    auto view = h.make(library);
    EXPECT_EQ(h.decodes, 1);
    EXPECT_EQ(h.lastMaxPixelSize, NotchViewModel::recipeImageMaxPixelSize);
    view->advanceRecipe();
    EXPECT_EQ(h.decodes, 2);
}

TEST(SaverApply, AppliedPinsStayInTheSaversMemory) {
    SaverHarness h;
    auto pinned = gradientRecipe("pinned", 30);
    pinned.pinnedProperties = {"angle", "palette"};
    auto view = h.make({pinned});
    EXPECT_TRUE(view->model().isPinned(ShuffleProperty::angle));
    EXPECT_FALSE(view->model().services().paths->configHome().has_value());
    EXPECT_FALSE(view->model().services().paths->dataHome().has_value());
    // Nothing reached the saver's own settings either.
    EXPECT_TRUE(h.settings->values().empty());
}

TEST(SaverDrawing, RedrawsOnAChangeOfDesignAndWhileAnimating) {
    SaverHarness h;
    h.settings->setValue(animateArtworkKey, false);
    auto view = h.make(recipes({"a", "b"}));
    std::vector<std::uint8_t> pixels(64 * 36 * 4);
    const WallpaperRenderer::CanvasContext context{{pixels.data(), 64, 36, 64 * 4}, 1.0, 1};
    WallpaperRenderer::LiveCanvasFrames frames;
    EXPECT_TRUE(view->needsDisplay());
    view->drawFrame(context, 64, 36, frames);
    EXPECT_FALSE(view->needsDisplay());
    EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](std::uint8_t byte) { return byte != 0; }));
    h.run(*view, 5);
    EXPECT_FALSE(view->needsDisplay());  // still design: no work between changes
    view->advanceRecipe();
    EXPECT_TRUE(view->needsDisplay());
    view->drawFrame(context, 64, 36, frames);

    h.settings->setValue(animateArtworkKey, true);
    view->advanceRecipe();
    view->drawFrame(context, 64, 36, frames);
    EXPECT_EQ(view->content(), CanvasContent::animatedGradient);
    EXPECT_TRUE(view->needsDisplay());  // a moving drawing wants every frame
}

}  // namespace
}  // namespace glimora::test
