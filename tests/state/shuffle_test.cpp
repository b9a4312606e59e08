#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>

#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;
using P = ShuffleProperty;

ImportedImageAsset photo(std::string name) {
    return {Uuid{}, std::move(name), test::solidImage(2, 2), std::nullopt, {}};
}

std::unique_ptr<NotchViewModel> photoModel(ModelHarness& harness, std::size_t photos) {
    auto model = harness.make();
    std::vector<ImportedImageAsset> assets;
    for (std::size_t i = 0; i < photos; ++i) assets.push_back(photo("p" + std::to_string(i) + ".png"));
    model->setImageAssets(std::move(assets));
    model->setWallpaperSource(WallpaperSource::image);
    return model;
}

TEST(ImageShuffle, OnePhotoChangesOnlyItsLookAndTheSeed) {
    ModelHarness harness;
    const auto model = photoModel(harness, 1);
    const auto before = model->makeRecipe("", false);
    harness.random->queueRaw({77});
    harness.random->queueDraws({2, 37});
    model->shuffle();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->designSeed(), 77u);
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->imagePixelShape(), ImagePixelShape::diamond);
    EXPECT_EQ(model->imagePixelSize(), 5.7);
    // Nothing else of the design moved; the result is recorded.
    auto after = model->makeRecipe("", false);
    after.seed = before.seed;
    after.imagePixelShape = before.imagePixelShape;
    after.imagePixelSize = before.imagePixelSize;
    EXPECT_EQ(after.signature(), before.signature());
    EXPECT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->recipeHistory().front().image->fileName, "p0.png");
}

TEST(ImageShuffle, PinsLeaveOnlyTheSeedAndTheRecord) {
    ModelHarness harness;
    const auto model = photoModel(harness, 3);
    for (const P pin : {P::image, P::imagePixelShape, P::imagePixelSize}) model->togglePin(pin);
    harness.random->queueRaw({5});
    model->shuffle();
    EXPECT_EQ(harness.random->pendingRaw(), 0u);
    EXPECT_EQ(model->designSeed(), 5u);
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->imagePixelShape(), ImagePixelShape::square);
    EXPECT_EQ(model->imagePixelSize(), 5);
    EXPECT_EQ(model->recipeHistory().size(), 1u);
}

TEST(ImageShuffle, EveryCycleShowsEachPhotoOnceAndNeverRepeatsAcrossCycles) {
    ModelHarness harness;
    const auto model = photoModel(harness, 3);
    int previous = model->currentImageIndex();
    std::vector<int> shown;
    for (int i = 0; i < 30; ++i) {
        model->shuffle();
        EXPECT_NE(model->currentImageIndex(), previous) << "shuffle " << i;
        previous = model->currentImageIndex();
        shown.push_back(previous);
    }
    for (std::size_t cycle = 0; cycle + 3 <= shown.size(); cycle += 3)
        EXPECT_EQ(std::set<int>(shown.begin() + long(cycle), shown.begin() + long(cycle) + 3), (std::set{0, 1, 2}));

    // Two photos alternate.
    ModelHarness two;
    const auto pair = photoModel(two, 2);
    for (int i = 1; i <= 6; ++i) {
        pair->shuffle();
        EXPECT_EQ(pair->currentImageIndex(), i % 2);
    }
}

TEST(ImageShuffle, AScriptedOrderAndARemovedPhoto) {
    ModelHarness harness;
    const auto model = photoModel(harness, 3);
    // Draws 0 and 0 leave [0, 1, 2] in place; photo 0 is on screen, so the
    // first two swap.
    harness.random->queueDraws({0, 0, 0, 0});
    model->shuffle();
    EXPECT_EQ(model->imageShuffleOrder(), (std::vector{1, 0, 2}));
    EXPECT_EQ(model->currentImageIndex(), 1);
    EXPECT_EQ(model->imageShufflePosition(), 1);

    model->updateImageAssets([](auto& assets) { assets.pop_back(); });
    harness.random->queueDraws({0, 0, 0});
    model->shuffle();
    EXPECT_EQ(model->imageShuffleOrder(), (std::vector{0, 1})) << "rebuilt for two photos";
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->imageShufflePosition(), 1);
}

TEST(ImageShuffle, WithoutPhotosTheGradientDesignIsShuffled) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setWallpaperSource(WallpaperSource::image);
    const auto signature = model->gradientSignature();
    model->shuffle();
    EXPECT_NE(model->gradientSignature(), signature);
    EXPECT_EQ(model->gradientShuffleHistory().size(), 2u);
}

// A plain byte stream that counts what it hands out: a seeded source.
class CountingRandom final : public Random {
public:
    void fill(std::span<std::uint8_t> bytes) override {
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(given++ * 29 + 3);
    }
    std::size_t given = 0;
};

TEST(Shuffle, ASeededSourceGivesOnlyTheSeedWhenEverythingIsPinned) {
    // Two designs in a row from a seeded source: the second seed must be the
    // next eight bytes after the first, however many library entries the
    // shuffles recorded in between.
    for (const bool photos : {true, false}) {
        ModelHarness harness;
        auto services = harness.services();
        const auto random = std::make_shared<CountingRandom>();
        services.random = random;
        NotchViewModel model(services);
        EXPECT_EQ(random->given, 8u) << "the start seed";
        if (photos) {
            std::vector<ImportedImageAsset> assets;
            for (const char* name : {"a.png", "b.png"}) assets.push_back(photo(name));
            model.setImageAssets(std::move(assets));
            model.setWallpaperSource(WallpaperSource::image);
        }
        for (const P pin : everyCase<ShuffleProperty>())
            if (!model.isPinned(pin)) model.togglePin(pin);
        model.shuffle();
        model.shuffle();
        EXPECT_EQ(random->given, 24u) << (photos ? "photos" : "shapes");
        // Bytes 16...23 of the stream.
        std::uint64_t expected = 0;
        for (int i = 7; i >= 0; --i) expected = expected << 8 | std::uint8_t((16 + i) * 29 + 3);
        EXPECT_EQ(model.designSeed(), expected);
        EXPECT_FALSE(model.recipeHistory().empty());
    }
}

TEST(Pins, TogglingWritesTheSortedRawValuesEveryTime) {
    ModelHarness harness;
    const auto model = harness.make();
    EventLog log;
    log.attach(*model);
    model->togglePin(P::shape);
    model->togglePin(P::centerY);
    model->togglePin(P::centerX);
    EXPECT_EQ(harness.preferences->value(pinnedShufflePropertiesKey),
              nlohmann::json({"centerX", "centerY", "shape"}));
    model->togglePin(P::centerY);
    EXPECT_EQ(harness.preferences->value(pinnedShufflePropertiesKey), nlohmann::json({"centerX", "shape"}));
    model->togglePin(P::centerY);
    model->togglePin(P::centerY);
    EXPECT_EQ(model->pinnedProperties(), (std::set{P::centerX, P::shape}));
    EXPECT_EQ(std::count(harness.preferences->writes.begin(), harness.preferences->writes.end(),
                         std::string(pinnedShufflePropertiesKey)),
              6);
    EXPECT_EQ(log.events, std::vector<std::string>(6, "pinnedProperties"));
    EXPECT_TRUE(model->isPinned(P::shape));
    EXPECT_FALSE(model->isPinned(P::centerY));
}

TEST(GrainShuffle, DrawsTheFourValuesAgainUntilTheyAreNew) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setGrainGradientActive(true);
    model->setSelectedTab(NotchTab::gradients);
    model->activateShaderMaterial();
    model->togglePin(P::palette);
    const auto historyBefore = model->grainGradientShuffleHistory().size();

    harness.random->queueRaw({9});
    // The first try gives back the values on screen (54, 58, 48, 62) under
    // the new seed: the design that shows now, so it is drawn again.
    harness.random->queueDraws({26, 34, 48, 38, 0, 0, 0, 0});
    model->shuffle();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->grainGradientScale(), 28);
    EXPECT_EQ(model->grainGradientWarp(), 24);
    EXPECT_EQ(model->grainGradientFlow(), 0);
    EXPECT_EQ(model->grainGradientGlow(), 24);
    EXPECT_EQ(model->grainGradientShuffleHistory().size(), historyBefore + 1);
    EXPECT_EQ(model->paletteIndex(), 26);
    EXPECT_EQ(model->selectedTab(), NotchTab::gradients);
    EXPECT_FALSE(model->shaderActive());

    // A signature produced before is drawn again too.
    model->setGrainGradientScale(1);
    harness.random->queueDraws({0, 0, 0, 0, 56, 68, 100, 70});
    model->shuffleGrainGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->grainGradientScale(), 84);
    EXPECT_EQ(model->grainGradientWarp(), 92);
    EXPECT_EQ(model->grainGradientFlow(), 100);
    EXPECT_EQ(model->grainGradientGlow(), 94);
    EXPECT_EQ(model->grainGradientSignature(), "grain|liquid|26|84.0|92.0|100.0|94.0|9");
}

TEST(GrainShuffle, PicksABuiltInPaletteAndSwitchesToTheGradientTab) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setPaletteIndex(48);
    model->setWallpaperSource(WallpaperSource::image);
    harness.random->queueDraws({47, 0, 0, 0, 0});
    model->shuffleGrainGradient();
    EXPECT_EQ(model->paletteIndex(), 47);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_TRUE(model->grainGradientActive());
    EXPECT_EQ(model->selectedTab(), NotchTab::gradients);
    EXPECT_EQ(model->grainGradientScale(), 28);
}

TEST(SmoothShuffle, DrawsPaletteAngleSpreadAndPhaseUnlessPinned) {
    ModelHarness harness;
    const auto model = harness.make();
    model->selectSmoothGradient();
    model->setAnimationProperty(AnimationProperty::frequencyX);
    harness.random->queueDraws({3, 23, 29, 1});
    model->shuffle();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->shape(), NotchShape::smoothGradient);
    EXPECT_FALSE(model->grainGradientActive());
    EXPECT_EQ(model->paletteIndex(), 3);
    EXPECT_EQ(model->angle(), 345);
    EXPECT_EQ(model->spread(), 300);
    EXPECT_EQ(model->phase(), 15);

    model->togglePin(P::angle);
    model->togglePin(P::palette);
    harness.random->queueDraws({0, 0});
    model->shuffle();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->paletteIndex(), 3);
    EXPECT_EQ(model->angle(), 345);
    EXPECT_EQ(model->spread(), 10);
    EXPECT_EQ(model->phase(), 0);
}

}  // namespace
}  // namespace glimora
