#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/recipe_json.hpp"
#include "render/cell_color.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/state/recipe_fixtures.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;

TEST(ApplyRecipe, EveryFieldComesBackInTheNextRecipe) {
    ModelHarness harness;
    const auto model = harness.make();
    const DesignRecipe recipe = test::variedRecipe();
    model->applyRecipe(recipe);

    EXPECT_TRUE(model->animationPlaying()) << "a playing recipe restarts its animation";
    const DesignRecipe made = model->makeRecipe("again", false);
    EXPECT_EQ(made.signature(), recipe.signature());
    EXPECT_NE(made.id, recipe.id);
    EXPECT_EQ(made.name, "again");
    EXPECT_EQ(made.createdAt, harness.clock->now());
    EXPECT_FALSE(made.isFavorite);
    EXPECT_EQ(made.version, 5);
    EXPECT_EQ(made.formatIdentifier, "com.ombriq.recipe");
    EXPECT_FALSE(made.image.has_value());
    // The recipe's pins are now the saved pins.
    EXPECT_EQ(harness.preferences->value(pinnedShufflePropertiesKey),
              nlohmann::json({"angle", "palette", "rgbSplit"}));
}

TEST(ApplyRecipe, APhotoRecipeRestoresItsPictureAndComesBackTheSame) {
    ModelHarness harness;
    test::decodeEverythingAsSolidImage(harness);
    const auto model = harness.make();
    const DesignRecipe recipe = test::variedPhotoRecipe({1, 2, 3});
    model->applyRecipe(recipe);

    ASSERT_EQ(model->imageAssets().size(), 1u);
    const ImportedImageAsset& asset = model->imageAssets().front();
    EXPECT_EQ(asset.fileName, "harbour-at-dawn.png");
    EXPECT_EQ(asset.crop, (ImageCrop{0.25, 0.75, 1.6}));
    EXPECT_EQ(asset.buffer.width, 4);
    ASSERT_TRUE(asset.preview.has_value());
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->imageStatus(), "Restored from recipe");

    const DesignRecipe made = model->makeRecipe("x", true);
    EXPECT_EQ(made.signature(), recipe.signature());
    ASSERT_TRUE(made.image && made.image->pngData);
    EXPECT_EQ(made.image->pngData, asset.buffer.pngData());
    EXPECT_FALSE(model->makeRecipe("x", false).image->pngData.has_value());
}

TEST(ApplyRecipe, ChangesArriveInTheOrderOfTheFieldsAndTheLayoutCallbackComesLast) {
    ModelHarness harness;
    const auto model = harness.make();
    DesignRecipe recipe = test::variedRecipe();
    recipe.animationPlaying = false;
    recipe.shape = "linear";
    recipe.animationProperty = "spread";  // not animatable on linear: validated to angle
    EventLog log;
    log.attach(*model);
    model->applyRecipe(recipe);

    const std::vector<std::string> expected{
        "wallpaperSource", "customPaletteStops", "paletteIndex", "shape", "designSeed",
        "hue", "brightness", "contrast", "noise", "angle", "spread", "centerX", "centerY", "phase",
        "frequencyX", "frequencyY", "pixelScale", "quantization", "mirror", "okLab", "dither",
        "chroma", "warp", "scanlines", "vignette", "invert", "rgbSplit", "channel",
        "imagePaletteMode", "imageDither", "imagePixelShape", "imageLook",
        "imageRenderMode", "imageMosaicTileShape", "imageMosaicCornerRadius", "imageMosaicBevel",
        "imageMosaicVariation", "imagePixelSize", "imageColorCount", "imageCellGap", "imageBrightness",
        "imageContrast", "imageSaturation", "exportFormat", "exportResolution", "grainGradientActive",
        "grainGradientPreset", "grainGradientMode", "grainGradientScale", "grainGradientWarp",
        "grainGradientFlow", "grainGradientGlow", "animationSpeed", "animationLoopDuration",
        "animationAmount", "animationProperty", "animationWaveform", "animationPlaying",
        "pinnedProperties", "animationProperty", "onLayoutChange"};
    EXPECT_EQ(log.events, expected);
    EXPECT_EQ(model->animationProperty(), AnimationProperty::angle);
}

TEST(ApplyRecipe, LeavesTheLibraryAndItsTextsAlone) {
    ModelHarness harness;
    harness.library = {test::variedRecipe()};
    const auto model = harness.make();
    model->setRecipeName("kept");
    model->setRecipeStatus("status");
    model->applyRecipe(test::variedPhotoRecipe({}));
    EXPECT_EQ(model->recipeHistory(), harness.library);
    EXPECT_EQ(model->recipeName(), "kept");
    EXPECT_EQ(model->recipeStatus(), "status");
    EXPECT_FALSE(model->activeRecipeID().has_value());
}

TEST(ApplyRecipe, UnknownRawValuesTakeTheirDefaults) {
    ModelHarness harness;
    const auto model = harness.make();
    DesignRecipe recipe = test::variedRecipe();
    recipe.wallpaperSource = "Image";
    recipe.shape = "hexagon";
    recipe.dither = "";
    recipe.channel = "alpha";
    recipe.imagePaletteMode = "x";
    recipe.imageDither = "x";
    recipe.imagePixelShape = "x";
    recipe.imageLook = "x";
    recipe.imageMosaic->renderMode = "Mosaic";
    recipe.imageMosaic->tileShape = "hex";
    recipe.exportFormat = "SVG";
    recipe.exportResolution = "8k";
    recipe.grainGradientPreset = "neon";
    recipe.grainGradientMode.reset();
    recipe.animationProperty = "zoom";
    recipe.animationWaveform = "square";
    recipe.animationPlaying = false;
    recipe.pinnedProperties = {"shape", "Shape", "colour", "palette"};
    model->applyRecipe(recipe);

    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_EQ(model->shape(), NotchShape::linear);
    EXPECT_EQ(model->dither(), DitherMode::eightByEight);
    EXPECT_EQ(model->channel(), StyleChannel::rgb);
    EXPECT_EQ(model->imagePaletteMode(), ImagePaletteMode::source);
    EXPECT_EQ(model->imageDither(), ImageDitherStyle::bayer8);
    EXPECT_EQ(model->imagePixelShape(), ImagePixelShape::square);
    EXPECT_EQ(model->imageLook(), ImagePixelLook::softDither);
    EXPECT_EQ(model->imageRenderMode(), ImageRenderMode::pixel);
    EXPECT_EQ(model->imageMosaicTileShape(), ImageMosaicTileShape::rounded);
    EXPECT_EQ(model->exportFormat(), ExportFormat::png);
    EXPECT_EQ(model->exportResolution(), ExportResolution::fourK);
    EXPECT_EQ(model->grainGradientPreset(), GrainGradientPreset::aurora);
    EXPECT_EQ(model->grainGradientMode(), GrainGradientMode::liquid);
    EXPECT_EQ(model->animationProperty(), AnimationProperty::angle);
    EXPECT_EQ(model->animationWaveform(), AnimationWaveform::sine);
    EXPECT_EQ(model->pinnedProperties(), (std::set{ShuffleProperty::palette, ShuffleProperty::shape}));

    // Without a mode the preset decides it.
    for (const auto& [preset, mode] : {std::pair{"pastel", GrainGradientMode::ribbon},
                                       std::pair{"ember", GrainGradientMode::bloom},
                                       std::pair{"spectrum", GrainGradientMode::halftone},
                                       std::pair{"ocean", GrainGradientMode::liquid}}) {
        recipe.grainGradientPreset = preset;
        model->applyRecipe(recipe);
        EXPECT_EQ(model->grainGradientMode(), mode) << preset;
    }
}

TEST(ApplyRecipe, PaletteIndexKeepsTheCustomPaletteAndClampsTheRest) {
    ModelHarness harness;
    const auto model = harness.make();
    DesignRecipe recipe = test::variedRecipe();
    const std::vector<std::pair<std::int64_t, int>> cases{
        {48, 48}, {60, 47}, {-3, 0}, {47, 47}, {0, 0},
        {std::numeric_limits<std::int64_t>::max(), 47}, {std::numeric_limits<std::int64_t>::min(), 0}};
    for (const auto& [stored, applied] : cases) {
        recipe.paletteIndex = stored;
        model->applyRecipe(recipe);
        EXPECT_EQ(model->paletteIndex(), applied) << stored;
    }
}

TEST(ApplyRecipe, AnEmptyOrMissingCustomPaletteKeepsTheCurrentStops) {
    ModelHarness harness;
    const auto model = harness.make();
    const std::vector<CustomPaletteStop> current{{0.5, 0.5, 0.5}};
    model->setCustomPaletteStops(current);
    DesignRecipe recipe = test::variedRecipe();
    recipe.customPalette = std::vector<CustomPaletteStop>{};
    model->applyRecipe(recipe);
    EXPECT_EQ(model->customPaletteStops(), current);
    recipe.customPalette.reset();
    model->applyRecipe(recipe);
    EXPECT_EQ(model->customPaletteStops(), current);
}

TEST(ApplyRecipe, ClampsMosaicGrainAndAnimationSettingsAndFillsMissingOnes) {
    ModelHarness harness;
    const auto model = harness.make();
    DesignRecipe recipe = test::variedRecipe();
    recipe.imageMosaic = ImageMosaicRecipe{"mosaic", "wide", 0.9, -5, 250};
    recipe.grainGradientScale = 140;
    recipe.grainGradientWarp = -1;
    recipe.grainGradientFlow.reset();
    recipe.grainGradientGlow.reset();
    recipe.animationSpeed = 0;
    recipe.animationLoopDuration = 500;
    recipe.animationAmount = -20;
    model->applyRecipe(recipe);
    EXPECT_EQ(model->imageMosaicCornerRadius(), 0.45);
    EXPECT_EQ(model->imageMosaicBevel(), 0);
    EXPECT_EQ(model->imageMosaicVariation(), 100);
    EXPECT_EQ(model->grainGradientScale(), 100);
    EXPECT_EQ(model->grainGradientWarp(), 0);
    EXPECT_EQ(model->grainGradientFlow(), 48);
    EXPECT_EQ(model->grainGradientGlow(), 62);
    EXPECT_EQ(model->animationSpeed(), 0.05);
    EXPECT_EQ(model->animationLoopDuration(), 120);
    EXPECT_EQ(model->animationAmount(), 0);

    // Without a mosaic only the render mode changes.
    model->setImageMosaicBevel(12);
    recipe.imageMosaic.reset();
    recipe.animationSpeed.reset();
    recipe.animationLoopDuration.reset();
    recipe.animationAmount.reset();
    model->applyRecipe(recipe);
    EXPECT_EQ(model->imageRenderMode(), ImageRenderMode::pixel);
    EXPECT_EQ(model->imageMosaicTileShape(), ImageMosaicTileShape::wide);
    EXPECT_EQ(model->imageMosaicBevel(), 12);
    EXPECT_EQ(model->animationSpeed(), 1);
    EXPECT_EQ(model->animationLoopDuration(), 8);
    EXPECT_EQ(model->animationAmount(), 50);
}

TEST(ApplyRecipe, StopsTheClockAndRestartsOnlyAnimationsThatCanPlay) {
    ModelHarness harness;
    const auto model = harness.make();
    model->toggleAnimation();
    harness.clock->advance(3);
    DesignRecipe recipe = test::variedRecipe();
    recipe.animationPlaying = false;
    model->applyRecipe(recipe);
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_FALSE(model->animationStartTime().has_value());
    EXPECT_EQ(model->animationPausedProgress(), 0);

    recipe.animationPlaying = true;
    model->applyRecipe(recipe);
    EXPECT_TRUE(model->animationPlaying());
    EXPECT_EQ(model->animationStartTime(), harness.clock->now());

    // A photo recipe whose photo cannot be restored falls back to the
    // gradient: its animation may play.
    recipe.wallpaperSource = "image";
    recipe.image = RecipeImageAsset{"gone.png", 0.5, 0.5, 1, std::nullopt};
    model->applyRecipe(recipe);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_TRUE(model->animationPlaying());

    // A photo wallpaper never animates.
    model->setImageAssets({{Uuid{}, "gone.png", test::solidImage(2, 2), std::nullopt, {}}});
    model->applyRecipe(recipe);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_FALSE(model->animationPlaying());
}

TEST(ApplyRecipe, PhotoRestoreFallsBackToLoadedPhotosByName) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setImageAssets({{Uuid{}, "a.png", test::solidImage(2, 2), std::nullopt, {}},
                           {Uuid{}, "b.png", test::solidImage(3, 3), std::nullopt, {}},
                           {Uuid{}, "b.png", test::solidImage(4, 4), std::nullopt, {}}});
    DesignRecipe recipe = test::variedRecipe();
    recipe.wallpaperSource = "image";
    recipe.animationPlaying = false;
    // Bytes the decoder refuses count as no bytes.
    recipe.image = RecipeImageAsset{"b.png", 1.4, -0.2, 0.5, std::vector<std::uint8_t>{9, 9}};
    model->applyRecipe(recipe);
    EXPECT_EQ(model->currentImageIndex(), 1);
    EXPECT_EQ(model->imageAssets()[1].crop, (ImageCrop{1, 0, 1}));
    EXPECT_EQ(model->imageAssets()[2].crop, ImageCrop{});
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->imageStatus(), "Restored from current images");

    recipe.image->fileName = "c.png";
    model->applyRecipe(recipe);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_EQ(model->imageStatus(), "Import c.png to restore this image");
    EXPECT_EQ(model->imageAssets().size(), 3u);

    recipe.image.reset();
    model->applyRecipe(recipe);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_EQ(model->imageStatus(), "This recipe does not include its source image");
}

TEST(ApplyRecipe, RestoredPhotoReplacesEveryLoadedPhotoAndRebuildsTheShuffleOrder) {
    ModelHarness harness;
    test::decodeEverythingAsSolidImage(harness);
    const auto model = harness.make();
    model->setImageAssets({{Uuid{}, "a.png", test::solidImage(2, 2), std::nullopt, {}},
                           {Uuid{}, "b.png", test::solidImage(2, 2), std::nullopt, {}}});
    model->setCurrentImageIndex(1);
    model->applyRecipe(test::variedPhotoRecipe({1}));
    EXPECT_EQ(model->imageAssets().size(), 1u);
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->imageShuffleOrder(), std::vector<int>{0});
    EXPECT_EQ(model->imageShufflePosition(), 0);
}

// Files are untrusted: every number of a recipe at the edge of the double
// range, or beyond it, must leave a design that saves, renders and shuffles.
TEST(ApplyRecipe, ExtremeNumbersInEveryFieldLeaveAUsableDesign) {
    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double value : {1e308, -1e308, infinity, -infinity, nan}) {
        SCOPED_TRACE(value);
        ModelHarness harness;
        test::decodeEverythingAsSolidImage(harness);
        const auto model = harness.make();
        DesignRecipe r = test::variedRecipe();
        for (double* field : {&r.hue, &r.brightness, &r.contrast, &r.noise, &r.angle, &r.spread, &r.centerX,
                              &r.centerY, &r.phase, &r.frequencyX, &r.frequencyY, &r.pixelScale, &r.quantization,
                              &r.chroma, &r.warp, &r.imagePixelSize, &r.imageColorCount, &r.imageCellGap,
                              &r.imageBrightness, &r.imageContrast, &r.imageSaturation})
            *field = value;
        r.customPalette = std::vector<CustomPaletteStop>{{value, value, value}, {0, 0.5, 1}};
        r.imageMosaic = ImageMosaicRecipe{"mosaic", "square", value, value, value};
        r.grainGradientScale = r.grainGradientWarp = r.grainGradientFlow = r.grainGradientGlow = value;
        r.animationSpeed = r.animationLoopDuration = r.animationAmount = value;
        r.paletteIndex = 48;
        r.pinnedProperties = {};

        model->applyRecipe(r);
        const bool finite = std::isfinite(value);
        EXPECT_EQ(model->hue(), finite ? value : 0);
        EXPECT_EQ(model->contrast(), finite ? value : 100);
        EXPECT_EQ(model->pixelScale(), finite ? value : 3);
        EXPECT_EQ(model->imageColorCount(), finite ? value : 8);
        EXPECT_EQ(model->customPaletteStops().front().red, finite ? value : 0);
        EXPECT_EQ(model->imageMosaicCornerRadius(), finite ? (value > 0 ? 0.45 : 0) : 0.18);
        EXPECT_EQ(model->grainGradientGlow(), finite ? (value > 0 ? 100 : 0) : 62);
        EXPECT_EQ(model->animationLoopDuration(), finite ? (value > 0 ? 120 : 1) : 8);
        EXPECT_TRUE(model->animationPlaying() || !model->availableAnimationProperties().size());

        // The design saves, renders and shuffles.
        const DesignRecipe made = model->makeRecipe("edge", true);
        EXPECT_NO_THROW(encodeRecipeDocument(made));
        const auto settings = makeExportSettings(*model, ExportResolution::hd, harness.clock->now() + 1.5);
        (void)WallpaperRenderer::hasVisibleContrast(settings);
        (void)model->gradientSignature();
        (void)model->designDisplayName();
        model->shuffle();
        model->setSelectedTab(NotchTab::gradients);
        model->shuffle();
        model->applyRecipe(r);
        model->setShape(NotchShape::smoothGradient);
        model->shuffle();
        // A photo design with the same numbers.
        DesignRecipe photo = r;
        photo.wallpaperSource = "image";
        photo.image = RecipeImageAsset{"p.png", value, value, value, std::vector<std::uint8_t>{1}};
        model->applyRecipe(photo);
        EXPECT_EQ(model->imageAssets().front().crop.zoom, finite && value > 0 ? value : 1);
        (void)WallpaperRenderer::hasVisibleContrast(makeExportSettings(*model));
        model->shuffle();
        EXPECT_NO_THROW(encodeRecipeDocument(model->makeRecipe("photo", true)));
    }
}

TEST(DesignDisplayName, PaletteAndShapeForGradientsAndTheFileNameForPhotos) {
    ModelHarness harness;
    const auto model = harness.make();
    EXPECT_EQ(model->designDisplayName(), "Ultraviolet \u00B7 Rayfield");
    model->setPaletteIndex(48);
    model->setShape(NotchShape::sine);
    EXPECT_EQ(model->designDisplayName(), "Custom \u00B7 Pulse");

    model->setImageAssets({{Uuid{}, "beach-DAY.final.JPG", test::solidImage(2, 2), std::nullopt, {}}});
    EXPECT_EQ(model->designDisplayName(), "Custom \u00B7 Pulse") << "a gradient wallpaper";
    model->setWallpaperSource(WallpaperSource::image);
    EXPECT_EQ(model->designDisplayName(), "Beach Day Final Jpg");
    model->setImageAssets({{Uuid{}, "", test::solidImage(2, 2), std::nullopt, {}}});
    EXPECT_EQ(model->designDisplayName(), "Custom \u00B7 Pulse");
}

TEST(MakeRecipe, GradientDesignsNeverCarryAPhotoAndPinsAreSorted) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setImageAssets({{Uuid{}, "a.png", test::solidImage(2, 2), std::nullopt, {0.2, 0.3, 2}}});
    model->setPinnedProperties({ShuffleProperty::shape, ShuffleProperty::centerY, ShuffleProperty::centerX,
                                ShuffleProperty::imageCellGap, ShuffleProperty::image});
    const auto gradient = model->makeRecipe("g", true);
    EXPECT_FALSE(gradient.image.has_value());
    EXPECT_EQ(gradient.wallpaperSource, "gradient");
    EXPECT_EQ(gradient.pinnedProperties,
              (std::vector<std::string>{"centerX", "centerY", "image", "imageCellGap", "shape"}));
    EXPECT_EQ(gradient.customPalette, std::vector<CustomPaletteStop>{});
    ASSERT_TRUE(gradient.imageMosaic.has_value());
    EXPECT_EQ(gradient.imageMosaic->renderMode, "pixel");
    EXPECT_EQ(gradient.grainGradientMode, "liquid");
    EXPECT_EQ(gradient.animationPlaying, false);

    model->setWallpaperSource(WallpaperSource::image);
    const auto photo = model->makeRecipe("p", true);
    ASSERT_TRUE(photo.image.has_value());
    EXPECT_EQ(photo.image->fileName, "a.png");
    EXPECT_EQ(photo.image->cropZoom, 2);
    EXPECT_EQ(photo.image->pngData, test::solidImage(2, 2).pngData());
    // A photo without pixels gives no bytes, not a failure.
    model->setImageAssets({{Uuid{}, "empty.png", PixelImageBuffer{}, std::nullopt, {}}});
    EXPECT_FALSE(model->makeRecipe("p", true).image->pngData.has_value());
}

}  // namespace
}  // namespace glimora
