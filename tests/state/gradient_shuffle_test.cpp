#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "render/cell_color.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::ModelHarness;
using P = ShuffleProperty;

void pinAllBut(NotchViewModel& model, std::initializer_list<P> free) {
    for (const P property : allCases<P>())
        if (std::find(free.begin(), free.end(), property) == free.end() && !model.isPinned(property))
            model.togglePin(property);
}

// One colour only: no design drawn from it ever has contrast.
void useOneColourPalette(NotchViewModel& model) {
    model.setCustomPaletteStops({{0.3, 0.4, 0.5}});
    model.setPaletteIndex(48);
}

TEST(GradientShuffle, EveryUnpinnedPropertyTakesItsDrawInOrder) {
    ModelHarness harness;
    const auto model = harness.make();
    const auto start = model->gradientSignature();
    harness.random->queueDraws({5, 1, 3, 5, 20, 30, 2, 15, 2, 1, 4, 0, 3});
    model->shuffleGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->paletteIndex(), 5);
    EXPECT_EQ(model->shape(), NotchShape::radial);
    EXPECT_EQ(model->angle(), 45);
    EXPECT_EQ(model->spread(), 150);
    EXPECT_EQ(model->centerX(), 30);
    EXPECT_EQ(model->centerY(), 40);
    EXPECT_EQ(model->phase(), 30);
    EXPECT_EQ(model->frequencyX(), 4) << "radial has no frequencies";
    EXPECT_EQ(model->frequencyY(), 2);
    EXPECT_EQ(model->pixelScale(), 2.5);
    EXPECT_EQ(model->dither(), DitherMode::fourByFour);
    EXPECT_TRUE(model->mirror());
    EXPECT_EQ(model->warp(), 20);
    EXPECT_TRUE(model->scanlines());
    EXPECT_FALSE(model->rgbSplit());
    EXPECT_EQ(model->gradientShuffleHistory(), (std::set<std::string>{start, model->gradientSignature()}));
    // Never touched by this shuffle.
    EXPECT_EQ(model->quantization(), 6);
    EXPECT_TRUE(model->vignette());
    EXPECT_TRUE(model->okLab());
}

TEST(GradientShuffle, PinnedPropertiesKeepTheirValuesAndCostNoDraw) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setShape(NotchShape::sine);
    for (const P pin : {P::palette, P::shape, P::angle, P::centerX, P::mirror, P::warp}) model->togglePin(pin);
    harness.random->queueDraws({9, 0, 23, 28, 0, 70, 5, 4, 0});
    model->shuffleGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->paletteIndex(), 26);
    EXPECT_EQ(model->shape(), NotchShape::sine);
    EXPECT_EQ(model->angle(), 135);
    EXPECT_EQ(model->centerX(), 50);
    EXPECT_FALSE(model->mirror());
    EXPECT_EQ(model->warp(), 0);
    EXPECT_EQ(model->spread(), 100);
    EXPECT_EQ(model->centerY(), 10);
    EXPECT_EQ(model->phase(), 345);
    EXPECT_EQ(model->frequencyX(), 8);
    EXPECT_EQ(model->frequencyY(), 1);
    EXPECT_EQ(model->pixelScale(), 8);
    EXPECT_EQ(model->dither(), DitherMode::noise);
    EXPECT_FALSE(model->scanlines());
    EXPECT_TRUE(model->rgbSplit());
}

TEST(GradientShuffle, LinearAndConicKeepSpreadAndFrequenciesRadialDrawsAWiderSpread) {
    for (const NotchShape shape : {NotchShape::linear, NotchShape::conic}) {
        ModelHarness harness;
        const auto model = harness.make();
        model->setShape(shape);
        model->togglePin(P::shape);
        // palette, angle, centerX, centerY, phase, pixelScale, dither, mirror, warp, scanlines, rgbSplit
        harness.random->queueDraws({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
        model->shuffleGradient();
        EXPECT_EQ(harness.random->pendingDraws(), 0u) << rawValue(shape);
        EXPECT_EQ(model->spread(), 140);
        EXPECT_EQ(model->frequencyX(), 4);
        EXPECT_EQ(model->frequencyY(), 2);
    }
    ModelHarness harness;
    const auto model = harness.make();
    model->setShape(NotchShape::radial);
    model->togglePin(P::shape);
    harness.random->queueDraws({1, 1, 20, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    model->shuffleGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->spread(), 300);
}

TEST(GradientShuffle, TheDesignOnScreenAndEarlierResultsAreDrawnAgain) {
    ModelHarness harness;
    const auto model = harness.make();
    pinAllBut(*model, {P::phase});
    // Phase 0 is the start design itself.
    harness.random->queueDraws({0, 2});
    model->shuffleGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->phase(), 30);

    // Back at 15, a draw of 30 gives a design shuffled before.
    model->setPhase(15);
    harness.random->queueDraws({2, 4});
    model->shuffleGradient();
    EXPECT_EQ(harness.random->pendingDraws(), 0u);
    EXPECT_EQ(model->phase(), 60);
    EXPECT_EQ(model->gradientShuffleHistory().size(), 3u);
}

TEST(GradientShuffle, WithEveryPropertyPinnedOnlyTheHistoryGrows) {
    ModelHarness harness;
    const auto model = harness.make();
    pinAllBut(*model, {});
    harness.random->queueRaw({1234});
    const auto before = model->makeRecipe("", false);
    model->shuffle();
    EXPECT_EQ(harness.random->pendingRaw(), 0u);
    auto after = model->makeRecipe("", false);
    EXPECT_EQ(after.seed, 1234u);
    after.seed = before.seed;
    EXPECT_EQ(after.signature(), before.signature());
    EXPECT_TRUE(model->gradientShuffleHistory().contains(model->gradientSignature()));
    EXPECT_EQ(model->gradientShuffleHistory().size(), 2u);
}

TEST(GradientShuffle, AfterEightyFailedTriesOneValueIsNudged) {
    {
        SCOPED_TRACE("phase, wrapping at 360");
        ModelHarness harness;
        const auto model = harness.make();
        useOneColourPalette(*model);
        pinAllBut(*model, {P::phase});
        for (int i = 0; i < NotchViewModel::shuffleTryLimit; ++i) harness.random->queueDraws({23});
        model->shuffleGradient();
        EXPECT_EQ(harness.random->pendingDraws(), 0u);
        EXPECT_EQ(model->phase(), 0);
        EXPECT_TRUE(model->gradientShuffleHistory().contains(model->gradientSignature()));
    }
    {
        SCOPED_TRACE("frequencyX on a shape of the nudge list");
        ModelHarness harness;
        const auto model = harness.make();
        useOneColourPalette(*model);
        model->setShape(NotchShape::sine);
        pinAllBut(*model, {P::frequencyX});
        for (int i = 0; i < NotchViewModel::shuffleTryLimit; ++i) harness.random->queueDraws({10});
        model->shuffleGradient();
        EXPECT_EQ(model->frequencyX(), 3.75);
        harness.random->queueDraws({28});  // 8.0 wraps to 1
        for (int i = 1; i < NotchViewModel::shuffleTryLimit; ++i) harness.random->queueDraws({28});
        model->shuffleGradient();
        EXPECT_EQ(model->frequencyX(), 1);
    }
    {
        SCOPED_TRACE("orbit is not on the nudge list: pixelScale moves");
        ModelHarness harness;
        const auto model = harness.make();
        useOneColourPalette(*model);
        model->setShape(NotchShape::orbit);
        pinAllBut(*model, {P::frequencyX, P::frequencyY, P::pixelScale});
        for (int i = 0; i < NotchViewModel::shuffleTryLimit; ++i) harness.random->queueDraws({0, 0, 70});
        model->shuffleGradient();
        EXPECT_EQ(harness.random->pendingDraws(), 0u);
        EXPECT_EQ(model->frequencyX(), 1);
        EXPECT_EQ(model->frequencyY(), 1);
        EXPECT_EQ(model->pixelScale(), 1);
    }
}

// The kernel's generator stands in for a seeded one, so a failure replays.
class SeededRandom final : public Random {
public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    void fill(std::span<std::uint8_t> bytes) override {
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            const std::uint64_t value = engine_();
            std::memcpy(bytes.data() + i, &value, std::min<std::size_t>(8, bytes.size() - i));
        }
    }

private:
    std::mt19937_64 engine_;
};

bool isStep(double value, double step, double low, double high) {
    const double steps = std::round(value / step);
    return value >= low && value <= high && value == steps * step;
}

bool isTenth(double value, double low, double high) {
    // Draws are k / 10 exactly; a nudge adds 0.1 and may land an ulp away.
    return value >= low && value <= high + 1e-9 && std::fabs(value * 10 - std::round(value * 10)) < 1e-9;
}

TEST(ShuffleProperty, AThousandShufflesDrawOnlyValuesOnTheirGrids) {
    ModelHarness harness;
    auto services = harness.services();
    services.random = std::make_shared<SeededRandom>(20250301);
    NotchViewModel model(services);
    std::vector<ImportedImageAsset> photos;
    for (int i = 0; i < 3; ++i) photos.push_back({Uuid{}, "p" + std::to_string(i), test::solidImage(2, 2), {}, {}});
    model.setImageAssets(photos);
    std::mt19937 plan(7);
    const auto chance = [&plan](int percent) { return int(plan() % 100) < percent; };
    const auto drawnShapes = shapeTabCases();
    std::map<std::string, int> kinds;

    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        for (const P property : allCases<P>())
            if (chance(model.isPinned(property) ? 40 : 8)) model.togglePin(property);
        switch (plan() % 8) {
        case 0: model.setWallpaperSource(WallpaperSource::image); break;
        case 1: model.selectGrainGradientMode(GrainGradientMode::bloom); break;
        case 2: model.selectSmoothGradient(); break;
        case 3: model.setSelectedTab(NotchTab::shape); break;
        default: break;
        }
        const NotchViewModel& m = model;
        const auto before = m.makeRecipe("", false);
        const bool photo = m.wallpaperSource() == WallpaperSource::image;
        const bool grain = !photo && m.grainGradientActive();
        const bool smooth = !photo && !grain && m.selectedTab() == NotchTab::gradients &&
                            m.shape() == NotchShape::smoothGradient;
        const auto kept = [&m](P property) { return m.isPinned(property); };
        model.shuffle();

        if (photo) {
            ++kinds["photo"];
            EXPECT_TRUE(kept(P::imagePixelSize) ? m.imagePixelSize() == before.imagePixelSize
                                                 : isTenth(m.imagePixelSize(), 2, 12));
            if (kept(P::imagePixelShape)) EXPECT_EQ(rawValue(m.imagePixelShape()), before.imagePixelShape);
            if (kept(P::image)) EXPECT_EQ(m.currentImageAsset()->fileName, before.image->fileName);
            EXPECT_EQ(m.shape(), fromRawValue<NotchShape>(before.shape));
        } else if (grain) {
            ++kinds["grain"];
            EXPECT_TRUE(isStep(m.grainGradientScale(), 1, 28, 84));
            EXPECT_TRUE(isStep(m.grainGradientWarp(), 1, 24, 92));
            EXPECT_TRUE(isStep(m.grainGradientFlow(), 1, 0, 100));
            EXPECT_TRUE(isStep(m.grainGradientGlow(), 1, 24, 94));
            EXPECT_TRUE(kept(P::palette) ? m.paletteIndex() == before.paletteIndex
                                         : m.paletteIndex() >= 0 && m.paletteIndex() < 48);
        } else if (smooth) {
            ++kinds["smooth"];
            EXPECT_TRUE(kept(P::angle) ? m.angle() == before.angle : isStep(m.angle(), 15, 0, 345));
            EXPECT_TRUE(kept(P::spread) ? m.spread() == before.spread : isStep(m.spread(), 10, 10, 300));
            EXPECT_TRUE(kept(P::phase) ? m.phase() == before.phase : isStep(m.phase(), 15, 0, 345));
            EXPECT_FALSE(m.grainGradientActive());
        } else {
            ++kinds["gradient"];
            const NotchShape shape = m.shape();
            EXPECT_TRUE(kept(P::palette) ? m.paletteIndex() == before.paletteIndex
                                         : m.paletteIndex() >= 0 && m.paletteIndex() < 48);
            if (kept(P::shape))
                EXPECT_EQ(rawValue(shape), before.shape);
            else
                EXPECT_NE(std::find(drawnShapes.begin(), drawnShapes.end(), shape), drawnShapes.end());
            EXPECT_TRUE(kept(P::angle) ? m.angle() == before.angle : isStep(m.angle(), 15, 0, 345));
            // A value not drawn in the last try may come from an earlier one,
            // made for another shape.
            const bool spreadDrawn = shape != NotchShape::linear && shape != NotchShape::conic;
            if (kept(P::spread))
                EXPECT_EQ(m.spread(), before.spread);
            else if (spreadDrawn)
                EXPECT_TRUE(isStep(m.spread(), 10, shape == NotchShape::radial ? 100 : 10, 300));
            else
                EXPECT_TRUE(m.spread() == before.spread || isStep(m.spread(), 10, 10, 300));
            EXPECT_TRUE(kept(P::centerX) ? m.centerX() == before.centerX : isStep(m.centerX(), 1, 10, 90));
            EXPECT_TRUE(kept(P::centerY) ? m.centerY() == before.centerY : isStep(m.centerY(), 1, 10, 90));
            EXPECT_TRUE(kept(P::phase) ? m.phase() == before.phase : isStep(m.phase(), 15, 0, 345));
            const bool frequencies = shape != NotchShape::linear && shape != NotchShape::radial &&
                                     shape != NotchShape::conic && shape != NotchShape::diamond &&
                                     shape != NotchShape::smoothGradient;
            const auto frequency = [&](P property, double value, double old, double high) {
                if (kept(property)) return value == old;
                return isStep(value, 0.25, 1, high) || (!frequencies && value == old);
            };
            EXPECT_TRUE(frequency(P::frequencyX, m.frequencyX(), before.frequencyX, 8));
            EXPECT_TRUE(frequency(P::frequencyY, m.frequencyY(), before.frequencyY, 6));
            EXPECT_TRUE(kept(P::pixelScale) ? m.pixelScale() == before.pixelScale : isTenth(m.pixelScale(), 1, 8));
            EXPECT_TRUE(kept(P::warp) ? m.warp() == before.warp : isStep(m.warp(), 5, 0, 100));
            if (kept(P::dither)) EXPECT_EQ(rawValue(m.dither()), before.dither);
            if (kept(P::mirror)) EXPECT_EQ(m.mirror(), before.mirror);
            if (kept(P::scanlines)) EXPECT_EQ(m.scanlines(), before.scanlines);
            if (kept(P::rgbSplit)) EXPECT_EQ(m.rgbSplit(), before.rgbSplit);
            EXPECT_TRUE(m.gradientShuffleHistory().contains(m.gradientSignature()));
        }
        // Never shuffled.
        EXPECT_EQ(m.imageCellGap(), before.imageCellGap);
        EXPECT_EQ(m.quantization(), before.quantization);
        EXPECT_EQ(m.hue(), before.hue);
        EXPECT_EQ(m.okLab(), before.okLab);
        // Every shuffle is the newest library entry.
        ASSERT_FALSE(m.recipeHistory().empty());
        EXPECT_LE(m.recipeHistory().size(), 36u);
        EXPECT_EQ(m.recipeHistory().front().signature(), m.makeRecipe("", false).signature());
        EXPECT_EQ(m.activeRecipeID(), m.recipeHistory().front().id);
    }
    // Every kind of shuffle ran often.
    for (const char* kind : {"photo", "grain", "smooth", "gradient"}) EXPECT_GT(kinds[kind], 50) << kind;
}

}  // namespace
}  // namespace glimora
