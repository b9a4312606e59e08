// The published properties of NotchViewModel, in declaration order: the one
// list from which the fields, accessors, change ids and names are all made.
//
// X(Type, name, Name, initial value, kind)
//   kind `plain`:    generated setter; views observe it through onChange.
//   kind `observed`: setter written by hand, it runs the property's observer
//                    (or, for recipeHistory, drops the library's cached file text).
// Initial values with commas are parenthesised. `designSeed`'s initial value
// reads the injected random source, which is declared before the fields.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/design_options.hpp"
#include "model/design_recipe.hpp"
#include "model/notch_metrics.hpp"
#include "model/palette.hpp"
#include "model/uuid.hpp"
#include "render/pixel_image_buffer.hpp"
#include "state/imported_image_asset.hpp"

#define GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(X)                                                                 \
    X(bool, expanded, Expanded, false, observed)                                                               \
    X(NotchPlacement, notchPlacement, NotchPlacement, NotchPlacement::top, observed)                           \
    X(std::optional<double>, customSideExpandedWidth, CustomSideExpandedWidth, std::nullopt, plain)            \
    X(WallpaperSource, wallpaperSource, WallpaperSource, WallpaperSource::gradient, observed)                  \
    X(std::set<ShuffleProperty>, pinnedProperties, PinnedProperties, {}, plain)                                \
    X(std::uint64_t, designSeed, DesignSeed, services_.random->next64(), plain)                                \
    X(NotchTab, selectedTab, SelectedTab, NotchTab::shape, observed)                                           \
    X(bool, grainGradientActive, GrainGradientActive, false, plain)                                            \
    X(GrainGradientPreset, grainGradientPreset, GrainGradientPreset, GrainGradientPreset::aurora, plain)       \
    X(GrainGradientMode, grainGradientMode, GrainGradientMode, GrainGradientMode::liquid, plain)               \
    X(double, grainGradientScale, GrainGradientScale, 54, plain)                                               \
    X(double, grainGradientWarp, GrainGradientWarp, 58, plain)                                                 \
    X(double, grainGradientFlow, GrainGradientFlow, 48, plain)                                                 \
    X(double, grainGradientGlow, GrainGradientGlow, 62, plain)                                                 \
    X(NotchShape, shape, Shape, NotchShape::linear, plain)                                                     \
    X(int, paletteIndex, PaletteIndex, 26, plain)                                                              \
    X(std::vector<CustomPaletteStop>, customPaletteStops, CustomPaletteStops, {}, plain)                       \
    X(double, hue, Hue, 0, plain)                                                                              \
    X(double, brightness, Brightness, 0, plain)                                                                \
    X(double, contrast, Contrast, 100, plain)                                                                  \
    X(double, noise, Noise, 0, plain)                                                                          \
    X(double, angle, Angle, 135, plain)                                                                        \
    X(double, spread, Spread, 140, plain)                                                                      \
    X(double, centerX, CenterX, 50, plain)                                                                     \
    X(double, centerY, CenterY, 50, plain)                                                                     \
    X(double, phase, Phase, 0, plain)                                                                          \
    X(double, frequencyX, FrequencyX, 4, plain)                                                                \
    X(double, frequencyY, FrequencyY, 2, plain)                                                                \
    X(double, pixelScale, PixelScale, 3, plain)                                                                \
    X(double, quantization, Quantization, 6, plain)                                                            \
    X(bool, mirror, Mirror, false, plain)                                                                      \
    X(bool, okLab, OkLab, true, plain)                                                                         \
    X(DitherMode, dither, Dither, DitherMode::eightByEight, plain)                                             \
    X(double, chroma, Chroma, 0, plain)                                                                        \
    X(double, warp, Warp, 0, plain)                                                                            \
    X(bool, scanlines, Scanlines, false, plain)                                                                \
    X(bool, vignette, Vignette, true, plain)                                                                   \
    X(bool, invert, Invert, false, plain)                                                                      \
    X(bool, rgbSplit, RgbSplit, false, plain)                                                                  \
    X(StyleChannel, channel, Channel, StyleChannel::rgb, plain)                                                \
    X(bool, animationPlaying, AnimationPlaying, false, plain)                                                  \
    X(double, animationSpeed, AnimationSpeed, 1, plain)                                                        \
    X(double, animationLoopDuration, AnimationLoopDuration, 8, plain)                                          \
    X(double, animationAmount, AnimationAmount, 50, plain)                                                     \
    X(AnimationProperty, animationProperty, AnimationProperty, AnimationProperty::angle, plain)                \
    X(AnimationWaveform, animationWaveform, AnimationWaveform, AnimationWaveform::sine, plain)                 \
    X(ShaderPattern, shaderPattern, ShaderPattern, ShaderPattern::flow, plain)                                 \
    X(bool, shaderActive, ShaderActive, false, plain)                                                          \
    X(bool, shaderPlaying, ShaderPlaying, false, plain)                                                        \
    X(double, shaderSpeed, ShaderSpeed, 0.55, plain)                                                           \
    X(double, shaderScale, ShaderScale, 1, plain)                                                              \
    X(double, shaderDistortion, ShaderDistortion, 42, plain)                                                   \
    X(double, shaderRelief, ShaderRelief, 62, plain)                                                           \
    X(double, shaderColorShift, ShaderColorShift, 18, plain)                                                   \
    X(double, shaderIntensity, ShaderIntensity, 86, plain)                                                     \
    X(Color, shaderBaseColor, ShaderBaseColor, defaultShaderBaseColor, plain)                                  \
    X(Color, shaderMidColor, ShaderMidColor, defaultShaderMidColor, plain)                                     \
    X(Color, shaderHighlightColor, ShaderHighlightColor, defaultShaderHighlightColor, plain)                   \
    X(std::optional<PixelImageBuffer>, shaderSourceImage, ShaderSourceImage, std::nullopt, plain)              \
    X(std::string, shaderSourceName, ShaderSourceName, {}, plain)                                              \
    X(std::string, shaderStatus, ShaderStatus, {}, plain)                                                      \
    X(ImagePaletteMode, imagePaletteMode, ImagePaletteMode, ImagePaletteMode::source, plain)                   \
    X(ImageDitherStyle, imageDither, ImageDither, ImageDitherStyle::bayer8, plain)                             \
    X(ImagePixelShape, imagePixelShape, ImagePixelShape, ImagePixelShape::square, plain)                       \
    X(ImageRenderMode, imageRenderMode, ImageRenderMode, ImageRenderMode::pixel, plain)                        \
    X(ImageMosaicTileShape, imageMosaicTileShape, ImageMosaicTileShape, ImageMosaicTileShape::rounded, plain)  \
    X(double, imageMosaicCornerRadius, ImageMosaicCornerRadius, 0.18, plain)                                   \
    X(double, imageMosaicBevel, ImageMosaicBevel, 35, plain)                                                   \
    X(double, imageMosaicVariation, ImageMosaicVariation, 8, plain)                                            \
    X(ImagePixelLook, imageLook, ImageLook, ImagePixelLook::softDither, plain)                                 \
    X(double, imagePixelSize, ImagePixelSize, 5, plain)                                                        \
    X(double, imageColorCount, ImageColorCount, 8, plain)                                                      \
    X(double, imageCellGap, ImageCellGap, 0.14, plain)                                                         \
    X(double, imageBrightness, ImageBrightness, 0, plain)                                                      \
    X(double, imageContrast, ImageContrast, 112, plain)                                                        \
    X(double, imageSaturation, ImageSaturation, 110, plain)                                                    \
    X(std::vector<ImportedImageAsset>, imageAssets, ImageAssets, {}, plain)                                    \
    X(int, currentImageIndex, CurrentImageIndex, 0, plain)                                                     \
    X(std::string, imageStatus, ImageStatus, {}, plain)                                                        \
    X(ExportFormat, exportFormat, ExportFormat, ExportFormat::png, plain)                                      \
    X(ExportResolution, exportResolution, ExportResolution, ExportResolution::fourK, plain)                    \
    X(std::string, exportStatus, ExportStatus, "Export", plain)                                                \
    X(std::string, copyStatus, CopyStatus, "Copy", plain)                                                      \
    X(NotchMetrics, metrics, Metrics, (NotchMetrics{8, 0, false, 1200, 800}), plain)                           \
    X(std::optional<std::filesystem::path>, outputFolderURL, OutputFolderURL, std::nullopt, plain)             \
    X(std::vector<DesignRecipe>, recipeHistory, RecipeHistory, {}, observed)                                   \
    X(std::string, recipeName, RecipeName, {}, plain)                                                          \
    X(std::string, recipeStatus, RecipeStatus, {}, plain)                                                      \
    X(std::optional<Uuid>, activeRecipeID, ActiveRecipeID, std::nullopt, plain)
