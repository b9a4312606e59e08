#include "state/notch_view_model.hpp"

#include <gtest/gtest.h>

#include <set>

#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;
using Prop = NotchViewModel::Prop;

TEST(NotchViewModelDefaults, EveryPublishedPropertyStartsAtItsInitialValue) {
    ModelHarness harness;
    harness.random->queueRaw({0x0123456789ABCDEFull});
    const auto model = harness.make();
    const NotchViewModel& m = *model;

    EXPECT_FALSE(m.expanded());
    EXPECT_EQ(m.notchPlacement(), NotchPlacement::top);
    EXPECT_EQ(m.customSideExpandedWidth(), std::nullopt);
    EXPECT_EQ(m.wallpaperSource(), WallpaperSource::gradient);
    EXPECT_TRUE(m.pinnedProperties().empty());
    EXPECT_EQ(m.designSeed(), 0x0123456789ABCDEFull);
    EXPECT_EQ(m.selectedTab(), NotchTab::shape);
    EXPECT_FALSE(m.grainGradientActive());
    EXPECT_EQ(m.grainGradientPreset(), GrainGradientPreset::aurora);
    EXPECT_EQ(m.grainGradientMode(), GrainGradientMode::liquid);
    EXPECT_EQ(m.grainGradientScale(), 54);
    EXPECT_EQ(m.grainGradientWarp(), 58);
    EXPECT_EQ(m.grainGradientFlow(), 48);
    EXPECT_EQ(m.grainGradientGlow(), 62);
    EXPECT_EQ(m.shape(), NotchShape::linear);
    EXPECT_EQ(m.paletteIndex(), 26);
    EXPECT_TRUE(m.customPaletteStops().empty());
    EXPECT_EQ(m.hue(), 0);
    EXPECT_EQ(m.brightness(), 0);
    EXPECT_EQ(m.contrast(), 100);
    EXPECT_EQ(m.noise(), 0);
    EXPECT_EQ(m.angle(), 135);
    EXPECT_EQ(m.spread(), 140);
    EXPECT_EQ(m.centerX(), 50);
    EXPECT_EQ(m.centerY(), 50);
    EXPECT_EQ(m.phase(), 0);
    EXPECT_EQ(m.frequencyX(), 4);
    EXPECT_EQ(m.frequencyY(), 2);
    EXPECT_EQ(m.pixelScale(), 3);
    EXPECT_EQ(m.quantization(), 6);
    EXPECT_FALSE(m.mirror());
    EXPECT_TRUE(m.okLab());
    EXPECT_EQ(m.dither(), DitherMode::eightByEight);
    EXPECT_EQ(m.chroma(), 0);
    EXPECT_EQ(m.warp(), 0);
    EXPECT_FALSE(m.scanlines());
    EXPECT_TRUE(m.vignette());
    EXPECT_FALSE(m.invert());
    EXPECT_FALSE(m.rgbSplit());
    EXPECT_EQ(m.channel(), StyleChannel::rgb);
    EXPECT_FALSE(m.animationPlaying());
    EXPECT_EQ(m.animationSpeed(), 1);
    EXPECT_EQ(m.animationLoopDuration(), 8);
    EXPECT_EQ(m.animationAmount(), 50);
    EXPECT_EQ(m.animationProperty(), AnimationProperty::angle);
    EXPECT_EQ(m.animationWaveform(), AnimationWaveform::sine);
    EXPECT_EQ(m.shaderPattern(), ShaderPattern::flow);
    EXPECT_FALSE(m.shaderActive());
    EXPECT_FALSE(m.shaderPlaying());
    EXPECT_EQ(m.shaderSpeed(), 0.55);
    EXPECT_EQ(m.shaderScale(), 1);
    EXPECT_EQ(m.shaderDistortion(), 42);
    EXPECT_EQ(m.shaderRelief(), 62);
    EXPECT_EQ(m.shaderColorShift(), 18);
    EXPECT_EQ(m.shaderIntensity(), 86);
    EXPECT_EQ(m.shaderBaseColor(), (Color{0.025, 0.035, 0.06}));
    EXPECT_EQ(m.shaderMidColor(), (Color{0.24, 0.36, 0.56}));
    EXPECT_EQ(m.shaderHighlightColor(), (Color{1, 1, 1}));
    EXPECT_FALSE(m.shaderSourceImage().has_value());
    EXPECT_EQ(m.shaderSourceName(), "");
    EXPECT_EQ(m.shaderStatus(), "");
    EXPECT_EQ(m.imagePaletteMode(), ImagePaletteMode::source);
    EXPECT_EQ(m.imageDither(), ImageDitherStyle::bayer8);
    EXPECT_EQ(m.imagePixelShape(), ImagePixelShape::square);
    EXPECT_EQ(m.imageRenderMode(), ImageRenderMode::pixel);
    EXPECT_EQ(m.imageMosaicTileShape(), ImageMosaicTileShape::rounded);
    EXPECT_EQ(m.imageMosaicCornerRadius(), 0.18);
    EXPECT_EQ(m.imageMosaicBevel(), 35);
    EXPECT_EQ(m.imageMosaicVariation(), 8);
    EXPECT_EQ(m.imageLook(), ImagePixelLook::softDither);
    EXPECT_EQ(m.imagePixelSize(), 5);
    EXPECT_EQ(m.imageColorCount(), 8);
    EXPECT_EQ(m.imageCellGap(), 0.14);
    EXPECT_EQ(m.imageBrightness(), 0);
    EXPECT_EQ(m.imageContrast(), 112);
    EXPECT_EQ(m.imageSaturation(), 110);
    EXPECT_TRUE(m.imageAssets().empty());
    EXPECT_EQ(m.currentImageIndex(), 0);
    EXPECT_EQ(m.imageStatus(), "");
    EXPECT_EQ(m.exportFormat(), ExportFormat::png);
    EXPECT_EQ(m.exportResolution(), ExportResolution::fourK);
    EXPECT_EQ(m.exportStatus(), "Export");
    EXPECT_EQ(m.copyStatus(), "Copy");
    EXPECT_EQ(m.metrics(), (NotchMetrics{8, 0, false, 1200, 800}));
    EXPECT_EQ(m.outputFolderURL(), std::nullopt);
    EXPECT_TRUE(m.recipeHistory().empty());
    EXPECT_EQ(m.recipeName(), "");
    EXPECT_EQ(m.recipeStatus(), "");
    EXPECT_EQ(m.activeRecipeID(), std::nullopt);
}

TEST(NotchViewModelDefaults, PlainPropertiesStartEmptyAndStopped) {
    ModelHarness harness;
    const auto model = harness.make();
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    EXPECT_FALSE(model->onPlacementChange());
    EXPECT_FALSE(model->onLayoutChange());
    EXPECT_FALSE(model->onSideWidthChange());
    EXPECT_FALSE(model->exportTask().isValid());
    EXPECT_FALSE(model->exportStatusResetTask().isValid());
    EXPECT_FALSE(model->copyStatusResetTask().isValid());
    EXPECT_TRUE(model->imageShuffleOrder().empty());
    EXPECT_EQ(model->imageShufflePosition(), 0);
    EXPECT_EQ(model->gradientShuffleHistory(), std::set<std::string>{model->gradientSignature()});
    EXPECT_TRUE(model->grainGradientShuffleHistory().empty());
    EXPECT_EQ(model->animationStartTime(), std::nullopt);
    EXPECT_EQ(model->animationPausedProgress(), 0);
    EXPECT_EQ(model->shaderStartTime(), std::nullopt);
    EXPECT_EQ(model->shaderPausedTime(), 0);
}

TEST(NotchViewModelDefaults, SeedComesFromTheSystemSourceWithoutInjectedServices) {
    // Two seeds of 64 random bits colliding would mean the source is not used.
    const NotchViewModel first;
    const NotchViewModel second;
    EXPECT_NE(first.designSeed(), second.designSeed());
    EXPECT_EQ(first.notchPlacement(), NotchPlacement::top);
}

TEST(NotchViewModelProperties, IdsAndNamesFollowDeclarationOrder) {
    EXPECT_EQ(NotchViewModel::propCount, 89u);
    EXPECT_EQ(NotchViewModel::propName(Prop::expanded), "expanded");
    EXPECT_EQ(static_cast<int>(Prop::designSeed), 5);
    EXPECT_EQ(static_cast<int>(Prop::shaderBaseColor), 55);
    EXPECT_EQ(static_cast<int>(Prop::metrics), 83);
    EXPECT_EQ(NotchViewModel::propName(Prop::activeRecipeID), "activeRecipeID");
    const std::set<std::string_view> unique(NotchViewModel::propNames.begin(), NotchViewModel::propNames.end());
    EXPECT_EQ(unique.size(), NotchViewModel::propCount);
}

TEST(NotchViewModelNotifications, EveryWriteOfAnEqualValueNotifiesOnceWithItsOwnId) {
    ModelHarness harness;
    auto model = harness.make();
    std::vector<Prop> heard;
    model->onChange([&](Prop prop) { heard.push_back(prop); });

#define GLIMORA_WRITE_BACK(Type, name, Name, initial, kind)                                                     \
    heard.clear();                                                                                             \
    model->set##Name(Type(model->name()));                                                                     \
    EXPECT_EQ(heard, std::vector<Prop>{Prop::name}) << #name;
    GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_WRITE_BACK)
#undef GLIMORA_WRITE_BACK
}

TEST(NotchViewModelNotifications, ListenersSeeTheStoredValue) {
    ModelHarness harness;
    auto model = harness.make();
    double seen = -1;
    model->onChange([&](Prop prop) {
        if (prop == Prop::angle) seen = model->angle();
    });
    model->setAngle(275);
    EXPECT_EQ(seen, 275);
}

TEST(NotchViewModelNotifications, CollectionEditsNotifyOnce) {
    ModelHarness harness;
    auto model = harness.make();
    std::vector<Prop> heard;
    model->onChange([&](Prop prop) { heard.push_back(prop); });

    model->updateCustomPaletteStops([](auto& stops) {
        stops.push_back({1, 0, 0});
        stops.push_back({0, 1, 0});
        stops.push_back({0, 0, 1});
    });
    model->updatePinnedProperties([](auto& pins) {
        pins.insert(ShuffleProperty::angle);
        pins.insert(ShuffleProperty::phase);
    });
    EXPECT_EQ(heard, (std::vector<Prop>{Prop::customPaletteStops, Prop::pinnedProperties}));
    EXPECT_EQ(model->customPaletteStops().size(), 3u);
    EXPECT_EQ(model->pinnedProperties().size(), 2u);
}

TEST(NotchViewModelNotifications, ListenersCanBeRemovedEvenWhileTheyRun) {
    ModelHarness harness;
    auto model = harness.make();
    int first = 0;
    int second = 0;
    int late = 0;
    NotchViewModel::ListenerId firstId = 0;
    firstId = model->onChange([&](Prop) {
        ++first;
        model->removeChangeListener(firstId);
        // Added during a notification: hears only the next write.
        model->onChange([&](Prop) { ++late; });
    });
    const auto secondId = model->onChange([&](Prop) { ++second; });

    model->setHue(10);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(late, 0);

    model->removeChangeListener(secondId);
    model->setHue(20);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(late, 1);
}

TEST(NotchViewModelObservers, PlacementChangeStoresThenCallsPlacementThenLayout) {
    ModelHarness harness;
    auto model = harness.make();
    EventLog log;
    log.attach(*model);
    model->setOnPlacementChange([&] {
        // The preference is already written when the callback runs.
        EXPECT_EQ(harness.preferences->stringValue("notchPlacement"), "left");
        log.events.push_back("onPlacementChange");
    });

    model->setNotchPlacement(NotchPlacement::left);
    EXPECT_EQ(log.events, (std::vector<std::string>{"notchPlacement", "onPlacementChange", "onLayoutChange"}));
    EXPECT_EQ(harness.preferences->writes, std::vector<std::string>{"notchPlacement"});

    log.events.clear();
    model->setNotchPlacement(NotchPlacement::left);
    EXPECT_EQ(log.events, std::vector<std::string>{"notchPlacement"});
    EXPECT_EQ(harness.preferences->writes.size(), 1u);
}

TEST(NotchViewModelObservers, ExpandedFiresLayoutOnlyOnChange) {
    ModelHarness harness;
    auto model = harness.make();
    EventLog log;
    log.attach(*model);
    model->setExpanded(true);
    model->setExpanded(true);
    model->setExpanded(false);
    EXPECT_EQ(log.events, (std::vector<std::string>{"expanded", "onLayoutChange", "expanded", "expanded",
                                                    "onLayoutChange"}));
}

TEST(NotchViewModelObservers, GradientsTabTurnsGrainOnAndTheMaterialOffThenLaysOut) {
    ModelHarness harness;
    auto model = harness.make();
    model->activateShaderMaterial();
    model->setWallpaperSource(WallpaperSource::image);
    EventLog log;
    log.attach(*model);

    model->setSelectedTab(NotchTab::gradients);
    EXPECT_TRUE(model->grainGradientActive());
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_FALSE(model->shaderActive());
    EXPECT_EQ(model->shaderStatus(), "Shapes and pixels restored");
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"selectedTab", "grainGradientActive", "wallpaperSource", "shaderPlaying",
                                        "shaderActive", "shaderStatus", "onLayoutChange"}));

    log.events.clear();
    model->setSelectedTab(NotchTab::gradients);
    EXPECT_EQ(log.events, std::vector<std::string>{"selectedTab"});
}

TEST(NotchViewModelObservers, ShapeTabReplacesShapesItDoesNotOffer) {
    for (const NotchShape offTab : {NotchShape::orbit, NotchShape::glowDots, NotchShape::smoothGradient}) {
        ModelHarness harness;
        auto model = harness.make();
        model->setSelectedTab(NotchTab::color);
        model->setGrainGradientActive(true);
        model->setShape(offTab);
        model->setAnimationProperty(AnimationProperty::spread);
        model->setSelectedTab(NotchTab::shape);
        EXPECT_FALSE(model->grainGradientActive());
        EXPECT_EQ(model->shape(), NotchShape::linear);
        // Spread does not animate the linear shape: the first property that does.
        EXPECT_EQ(model->animationProperty(), AnimationProperty::angle);
    }
    ModelHarness harness;
    auto model = harness.make();
    model->setSelectedTab(NotchTab::color);
    model->setShape(NotchShape::radial);
    model->setSelectedTab(NotchTab::shape);
    EXPECT_EQ(model->shape(), NotchShape::radial);
}

TEST(NotchViewModelObservers, ShaderTabKeepsTheMaterialAndOtherTabsTurnItOff) {
    ModelHarness harness;
    auto model = harness.make();
    model->activateShaderMaterial();
    model->setSelectedTab(NotchTab::shader);
    EXPECT_TRUE(model->shaderActive());
    model->setSelectedTab(NotchTab::export_);
    EXPECT_FALSE(model->shaderActive());
    EXPECT_FALSE(model->grainGradientActive());
}

TEST(NotchViewModelObservers, ImageSourceStopsTheAnimationAndGradientLeavesItStopped) {
    ModelHarness harness;
    auto model = harness.make();
    model->toggleAnimation();
    harness.clock->advance(3);
    ASSERT_TRUE(model->animationPlaying());

    model->setWallpaperSource(WallpaperSource::image);
    EXPECT_FALSE(model->animationPlaying());
    EXPECT_EQ(model->animationStartTime(), std::nullopt);
    EXPECT_EQ(model->animationPausedProgress(), 0);

    model->setWallpaperSource(WallpaperSource::gradient);
    EXPECT_FALSE(model->animationPlaying());
}

TEST(NotchViewModelDerived, ActivePaletteResolvesCustomAndClampsTheIndex) {
    ModelHarness harness;
    auto model = harness.make();
    const auto& catalogue = builtInPalettes();
    EXPECT_EQ(model->activePalette().name, "Ultraviolet");

    model->setPaletteIndex(48);
    EXPECT_EQ(model->activePalette().name, "Custom");
    EXPECT_TRUE(model->activePalette().colors.empty());
    model->setCustomPaletteStops({{0.1, 0.2, 0.3}, {1, 0.5, 0}, {0, 0, 1}});
    EXPECT_EQ(model->activePalette().colors,
              (std::vector<Color>{{0.1, 0.2, 0.3}, {1, 0.5, 0}, {0, 0, 1}}));

    model->setPaletteIndex(49);
    EXPECT_EQ(model->activePalette().name, catalogue[47].name);
    model->setPaletteIndex(-5);
    EXPECT_EQ(model->activePalette().name, catalogue[0].name);
    EXPECT_EQ(model->activePalette().colors, catalogue[0].colors);
}

TEST(NotchViewModelDerived, ImageCountLabel) {
    ModelHarness harness;
    auto model = harness.make();
    EXPECT_EQ(model->imageCountLabel(), "No images");
    EXPECT_EQ(model->currentImageAsset(), nullptr);

    model->setImageAssets({ImportedImageAsset{{}, "a.png", {}, {}, {}}});
    model->setCurrentImageIndex(4);
    EXPECT_EQ(model->imageCountLabel(), "1 image");

    model->updateImageAssets([](auto& assets) {
        assets.push_back({{}, "b.png", {}, {}, {}});
        assets.push_back({{}, "c.png", {}, {}, {}});
    });
    model->setCurrentImageIndex(1);
    EXPECT_EQ(model->imageCountLabel(), "Image 2 of 3");
    EXPECT_EQ(model->currentImageAsset()->fileName, "b.png");
    EXPECT_EQ(model->currentImageNumber(), 2);
    // The number is shown unclamped; the asset lookup is not.
    model->setCurrentImageIndex(6);
    EXPECT_EQ(model->imageCountLabel(), "Image 7 of 3");
    EXPECT_EQ(model->currentImageAsset(), nullptr);
}

TEST(NotchViewModelDerived, GradientSignatureOfTheStartDesign) {
    ModelHarness harness;
    harness.random->queueRaw({18446744073709551615ull});
    auto model = harness.make();
    EXPECT_EQ(model->gradientSignature(),
              "gradient|26|linear|135.0|140.0|50.0|50.0|0.0|4.0|2.0|3.0|false|true|eightByEight|0.0|0.0|0.0|0.0|"
              "100.0|0.0|false|false|false|rgb|18446744073709551615");
    const std::string before = model->gradientSignature();
    model->setQuantization(3);  // neither is part of the fingerprint
    model->setVignette(false);
    EXPECT_EQ(model->gradientSignature(), before);
    model->setAngle(22.5);
    model->setSpread(1e-5);
    EXPECT_EQ(model->gradientSignature().substr(0, 35), "gradient|26|linear|22.5|1e-05|50.0|");
}

}  // namespace
}  // namespace glimora
