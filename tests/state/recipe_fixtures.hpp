// Recipes for the editor's recipe tests: one whose every design field differs
// from the editor's initial design, and small helpers around the fakes.
#pragma once

#include <string>
#include <vector>

#include "model/design_recipe.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora::test {

// Every field valid and inside its clamps, none at the editor's initial value.
inline DesignRecipe variedRecipe() {
    DesignRecipe r;
    r.id = *Uuid::parse("6F9619FF-8B86-4011-B42D-00C04FC964FF");
    r.name = "Night shift";
    r.createdAt = 700'000'000;
    r.version = 5;
    r.formatIdentifier = "com.ombriq.recipe";
    r.wallpaperSource = "gradient";
    r.paletteIndex = 48;
    r.customPalette = std::vector<CustomPaletteStop>{{1, 0.2, 0.1}, {0.1, 0.3, 0.9}, {0.9, 0.9, 0.2}};
    r.shape = "sine";
    r.seed = 0xFEEDFACECAFEBEEFull;
    r.hue = 40;
    r.brightness = 6;
    r.contrast = 120;
    r.noise = 12;
    r.angle = 75;
    r.spread = 210;
    r.centerX = 35;
    r.centerY = 65;
    r.phase = 90;
    r.frequencyX = 5.5;
    r.frequencyY = 3.25;
    r.pixelScale = 4.5;
    r.quantization = 9;
    r.mirror = true;
    r.okLab = false;
    r.dither = "noise";
    r.chroma = 7;
    r.warp = 45;
    r.scanlines = true;
    r.vignette = false;
    r.invert = true;
    r.rgbSplit = true;
    r.channel = "green";
    r.imagePaletteMode = "monochrome";
    r.imageDither = "bayer4";
    r.imagePixelShape = "diamond";
    r.imageLook = "poster";
    r.imagePixelSize = 7.5;
    r.imageColorCount = 12;
    r.imageCellGap = 0.3;
    r.imageBrightness = 4;
    r.imageContrast = 130;
    r.imageSaturation = 90;
    r.imageMosaic = ImageMosaicRecipe{"mosaic", "brick", 0.3, 60, 20};
    r.pinnedProperties = {"angle", "palette", "rgbSplit"};
    r.exportFormat = "svg";
    r.exportResolution = "sixK";
    r.grainGradientActive = true;
    r.grainGradientPreset = "ocean";
    r.grainGradientScale = 70;
    r.grainGradientMode = "halftone";
    r.grainGradientWarp = 30;
    r.grainGradientFlow = 12;
    r.grainGradientGlow = 80;
    r.animationPlaying = true;
    r.animationSpeed = 2.5;
    r.animationLoopDuration = 20;
    r.animationAmount = 70;
    r.animationProperty = "phase";
    r.animationWaveform = "pingPong";
    return r;
}

// The same design as a photo recipe with its PNG bytes.
inline DesignRecipe variedPhotoRecipe(std::vector<std::uint8_t> png) {
    DesignRecipe r = variedRecipe();
    r.wallpaperSource = "image";
    r.animationPlaying = false;
    r.image = RecipeImageAsset{"harbour-at-dawn.png", 0.25, 0.75, 1.6, std::move(png)};
    return r;
}

// A picture decoder that returns a 4 x 3 image for any bytes.
inline void decodeEverythingAsSolidImage(ModelHarness& harness) {
    harness.decoder = [](std::span<const std::uint8_t>, int, DecodeNotes*) -> std::optional<PixelImageBuffer> {
        return solidImage(4, 3);
    };
}

}  // namespace glimora::test
