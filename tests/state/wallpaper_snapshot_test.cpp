#include "state/wallpaper_snapshot.hpp"

#include <gtest/gtest.h>

#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::ModelHarness;

PixelImageBuffer solidPhoto(std::int64_t width, std::int64_t height) {
    return {width, height, std::make_shared<const std::vector<std::uint8_t>>(width * height * 4, 200)};
}

ImportedImageAsset photoWithCrop(ImageCrop crop) {
    ImportedImageAsset asset;
    asset.fileName = "photo.png";
    asset.buffer = solidPhoto(4, 3);
    asset.crop = crop;
    return asset;
}

TEST(WallpaperSnapshot, PaletteColoursAreTruncatedToBytes) {
    ModelHarness harness;
    auto model = harness.make();
    model->setCustomPaletteStops({{0.999, 1.5, -0.2}, {0.5, 0.25, 1}});
    model->setPaletteIndex(48);
    const auto s = makeExportSettings(*model);
    ASSERT_EQ(s.colors.size(), 2u);
    EXPECT_EQ(s.colors[0], (RGB{254, 255, 0}));
    EXPECT_EQ(s.colors[1], (RGB{127, 63, 255}));
    EXPECT_EQ(s.imageSettings.palette, s.colors);

    model->setCustomPaletteStops({});
    EXPECT_TRUE(makeExportSettings(*model).colors.empty());
    EXPECT_TRUE(makeExportSettings(*model).imageSettings.palette.empty());
}

TEST(WallpaperSnapshot, ResolutionAndPixelizerSettings) {
    ModelHarness harness;
    auto model = harness.make();
    model->setExportResolution(ExportResolution::sixK);
    EXPECT_EQ(makeExportSettings(*model).resolution, ExportResolution::sixK);
    EXPECT_EQ(makeExportSettings(*model, ExportResolution::hd).resolution, ExportResolution::hd);

    const std::vector<std::pair<double, std::int64_t>> counts{
        {1.4, 2}, {2.5, 3}, {7.5, 8}, {-1e300, 2}, {std::nan(""), 2}, {1e300, 1'000'000'000'000'000}};
    for (const auto& [count, expected] : counts) {
        model->setImageColorCount(count);
        EXPECT_EQ(makeExportSettings(*model).imageSettings.colorCount, expected) << count;
    }
    NotchMetrics metrics;
    metrics.screenWidth = 0;
    model->setMetrics(metrics);
    EXPECT_EQ(makeExportSettings(*model).imageSettings.referenceWidth, 1);
    metrics.screenWidth = 1512;
    model->setMetrics(metrics);
    EXPECT_EQ(makeExportSettings(*model).imageSettings.referenceWidth, 1512);
}

TEST(WallpaperSnapshot, PhotoTravelsOnlyWithAnImageWallpaper) {
    ModelHarness harness;
    auto model = harness.make();
    const ImageCrop crop{0.2, 0.7, 1.5};
    model->setImageAssets({photoWithCrop(crop)});
    model->setCurrentImageIndex(0);

    auto s = makeExportSettings(*model);
    EXPECT_FALSE(s.imageBuffer);  // gradient wallpaper
    EXPECT_EQ(s.imageSettings.crop, crop);

    model->setWallpaperSource(WallpaperSource::image);
    s = makeExportSettings(*model);
    ASSERT_TRUE(s.imageBuffer);
    EXPECT_EQ(s.imageBuffer->rgba, model->imageAssets()[0].buffer.rgba);  // shared, not copied

    model->setCurrentImageIndex(3);
    s = makeExportSettings(*model);
    EXPECT_FALSE(s.imageBuffer);
    EXPECT_EQ(s.imageSettings.crop, ImageCrop{});
}

TEST(WallpaperSnapshot, TimeTakesAllTenValuesFromTheAnimationClock) {
    ModelHarness harness;
    auto model = harness.make();
    model->setAnimationProperty(AnimationProperty::warp);
    model->setAnimationAmount(100);
    model->setAnimationWaveform(AnimationWaveform::sine);
    model->setWarp(10);
    model->setChroma(4);
    model->toggleAnimation();
    ASSERT_TRUE(model->animationPlaying());
    const double time = harness.clock->now() + model->animationLoopDuration() / 4;
    const auto animated = model->animatedSnapshot(time);
    ASSERT_NE(animated.warp, 10);  // the clock really moves the bend here

    const auto s = makeExportSettings(*model, std::nullopt, time);
    EXPECT_EQ(s.warp, animated.warp);
    EXPECT_EQ(s.chroma, 4);
    // Without a time the values are the model's own.
    EXPECT_EQ(makeExportSettings(*model).warp, 10);
}

// Whichever value the clock moves reaches its own field, and the nine others
// stay as set.
TEST(WallpaperSnapshot, EachAnimatedValueLandsInItsOwnField) {
    const auto fields = [](const WallpaperExportSettings& s) {
        return std::vector<double>{s.angle,      s.spread,     s.centerX, s.centerY, s.phase,
                                   s.frequencyX, s.frequencyY, s.warp,    s.noise,   s.chroma};
    };
    const auto values = [](const NotchViewModel::AnimatedValues& v) {
        return std::vector<double>{v.angle,      v.spread,     v.centerX, v.centerY, v.phase,
                                   v.frequencyX, v.frequencyY, v.warp,    v.noise,   v.chroma};
    };
    std::size_t index = 0;
    for (const AnimationProperty property : allCases<AnimationProperty>()) {
        ModelHarness harness;
        auto model = harness.make();
        model->setShape(NotchShape::orbit);
        model->setAngle(20), model->setSpread(150), model->setCenterX(30), model->setCenterY(60);
        model->setPhase(40), model->setFrequencyX(3), model->setFrequencyY(2), model->setWarp(10);
        model->setNoise(20), model->setChroma(4);
        model->setAnimationAmount(100);
        model->setAnimationWaveform(AnimationWaveform::sine);
        model->toggleAnimation();
        ASSERT_TRUE(model->animationPlaying());
        model->setAnimationProperty(property);
        const double time = harness.clock->now() + model->animationLoopDuration() / 4;

        const std::vector<double> still = fields(makeExportSettings(*model));
        const std::vector<double> moved = fields(makeExportSettings(*model, std::nullopt, time));
        EXPECT_EQ(moved, values(model->animatedSnapshot(time))) << rawValue(property);
        ASSERT_EQ(moved.size(), still.size());
        for (std::size_t i = 0; i < moved.size(); ++i) {
            if (i == index) EXPECT_NE(moved[i], still[i]) << rawValue(property);
            else EXPECT_EQ(moved[i], still[i]) << rawValue(property) << " field " << i;
        }
        ++index;
    }
    EXPECT_EQ(index, 10u);
}

}  // namespace
}  // namespace glimora
