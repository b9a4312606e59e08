// Two recipes used across the recipe tests: one with every optional part set
// and one with only the required keys.
#pragma once

#include "model/design_recipe.hpp"

namespace glimora::test {

inline DesignRecipe requiredOnlyRecipe() {
    DesignRecipe r;
    r.id = *Uuid::parse("00112233-4455-4677-8899-AABBCCDDEEFF");
    r.name = "Plain";
    r.createdAt = 0;
    r.version = 5;
    r.formatIdentifier = "com.ombriq.recipe";
    r.wallpaperSource = "gradient";
    r.paletteIndex = 3;
    r.shape = "linear";
    r.seed = 42;
    r.dither = "off";
    r.channel = "rgb";
    r.imagePaletteMode = "source";
    r.imageDither = "none";
    r.imagePixelShape = "square";
    r.imageLook = "softDither";
    r.exportFormat = "png";
    r.exportResolution = "hd";
    return r;
}

inline DesignRecipe fullRecipe() {
    DesignRecipe r;
    r.id = *Uuid::parse("0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0");
    r.name = "  Dusk study \n";
    r.createdAt = 762514200;  // 2025-03-01T09:30:00Z
    r.isFavorite = true;
    r.version = 5;
    r.formatIdentifier = "com.ombriq.recipe";
    r.wallpaperSource = "image";
    r.paletteIndex = 48;
    r.customPalette = std::vector<CustomPaletteStop>{{1, 0.5, 0.25}, {0, 0.1, 1}};
    r.shape = "sunsetStrip";
    r.seed = 18446744073709551615ull;
    r.hue = 0.25;
    r.brightness = 1.05;
    r.contrast = 1;
    r.noise = 0.1;
    r.angle = 135;
    r.spread = -0.5;
    r.centerX = 0.3;
    r.centerY = 0.7;
    r.phase = 0.125;
    r.frequencyX = 3;
    r.frequencyY = 2.5;
    r.pixelScale = 12;
    r.quantization = 0.4;
    r.mirror = true;
    r.okLab = false;
    r.dither = "fourByFour";
    r.chroma = 0.2;
    r.warp = 0.35;
    r.scanlines = false;
    r.vignette = true;
    r.invert = false;
    r.rgbSplit = true;
    r.channel = "red";
    r.imagePaletteMode = "current";
    r.imageDither = "bayer4";
    r.imagePixelShape = "dot";
    r.imageLook = "halftone";
    r.imagePixelSize = 14;
    r.imageColorCount = 16;
    r.imageCellGap = 0.15;
    r.imageBrightness = -0.1;
    r.imageContrast = 1.2;
    r.imageSaturation = 0.9;
    r.imageMosaic = ImageMosaicRecipe{"mosaic", "brick", 4.5, 0.3, 0.6};
    r.image = RecipeImageAsset{"beach|2.png", 0.4, 0.6, 1.5, std::vector<std::uint8_t>{1, 2, 3}};
    r.pinnedProperties = {"shape", "centerY", "centerX", "palette"};
    r.exportFormat = "svg";
    r.exportResolution = "fourK";
    r.grainGradientActive = true;
    r.grainGradientPreset = "ember";
    r.grainGradientScale = 60;
    r.grainGradientMode = "bloom";
    r.grainGradientWarp = 58.5;
    r.grainGradientFlow = 1e-5;
    r.grainGradientGlow = 62;
    r.animationPlaying = true;
    r.animationSpeed = 1.5;
    r.animationLoopDuration = 12;
    r.animationAmount = 75;
    r.animationProperty = "phase";
    r.animationWaveform = "pingPong";
    return r;
}

}  // namespace glimora::test
