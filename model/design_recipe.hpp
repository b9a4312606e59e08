// One complete wallpaper design as a value: the unit of the library file and
// of a recipe document. Option values are kept as their raw strings so that a
// recipe naming a value this version does not know still loads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/palette.hpp"
#include "model/shared_bytes.hpp"
#include "model/uuid.hpp"

namespace glimora {

struct ImageMosaicRecipe {
    std::string renderMode;
    std::string tileShape;
    double cornerRadius = 0;
    double bevel = 0;
    double variation = 0;

    friend bool operator==(const ImageMosaicRecipe&, const ImageMosaicRecipe&) = default;
};

struct RecipeImageAsset {
    std::string fileName;
    double cropCenterX = 0.5;
    double cropCenterY = 0.5;
    double cropZoom = 1;
    std::optional<SharedBytes> pngData;

    friend bool operator==(const RecipeImageAsset&, const RecipeImageAsset&) = default;
};

struct DesignRecipe {
    Uuid id;
    std::string name;
    double createdAt = 0;  // seconds since 2001-01-01T00:00:00Z
    bool isFavorite = false;
    std::int64_t version = 5;
    std::string formatIdentifier;
    std::string wallpaperSource;
    std::int64_t paletteIndex = 0;
    std::optional<std::vector<CustomPaletteStop>> customPalette;
    std::string shape;
    std::uint64_t seed = 0;
    double hue = 0;
    double brightness = 0;
    double contrast = 0;
    double noise = 0;
    double angle = 0;
    double spread = 0;
    double centerX = 0;
    double centerY = 0;
    double phase = 0;
    double frequencyX = 0;
    double frequencyY = 0;
    double pixelScale = 0;
    double quantization = 0;
    bool mirror = false;
    bool okLab = false;
    std::string dither;
    double chroma = 0;
    double warp = 0;
    bool scanlines = false;
    bool vignette = false;
    bool invert = false;
    bool rgbSplit = false;
    std::string channel;
    std::string imagePaletteMode;
    std::string imageDither;
    std::string imagePixelShape;
    std::string imageLook;
    double imagePixelSize = 0;
    double imageColorCount = 0;
    double imageCellGap = 0;
    double imageBrightness = 0;
    double imageContrast = 0;
    double imageSaturation = 0;
    std::optional<ImageMosaicRecipe> imageMosaic;
    std::optional<RecipeImageAsset> image;
    std::vector<std::string> pinnedProperties;
    std::string exportFormat;
    std::string exportResolution;
    std::optional<bool> grainGradientActive;
    std::optional<std::string> grainGradientPreset;
    std::optional<double> grainGradientScale;
    std::optional<std::string> grainGradientMode;
    std::optional<double> grainGradientWarp;
    std::optional<double> grainGradientFlow;
    std::optional<double> grainGradientGlow;
    std::optional<bool> animationPlaying;
    std::optional<double> animationSpeed;
    std::optional<double> animationLoopDuration;
    std::optional<double> animationAmount;
    std::optional<std::string> animationProperty;
    std::optional<std::string> animationWaveform;

    friend bool operator==(const DesignRecipe&, const DesignRecipe&) = default;

    // The trimmed name, or "Untitled design" when nothing is left.
    std::string displayName() const;
    // A text that stands for the design alone (no identity, name, date or PNG bytes).
    std::string signature() const;
    // The signature with each text field in Normalization Form C. Two of them
    // are equal exactly when the signatures are canonically equivalent: a file
    // name with a precomposed "é" names the same photo as one with "e" and a
    // combining accent, as documents from other systems may write it.
    std::string canonicalSignature() const;
    // Whether the two recipes hold the same design: their signatures are equal
    // under canonical equivalence.
    bool hasSameDesign(const DesignRecipe& other) const;
};

inline constexpr const char* recipeFormatIdentifier = "com.ombriq.recipe";
inline constexpr std::int64_t recipeFormatVersion = 5;

}  // namespace glimora
