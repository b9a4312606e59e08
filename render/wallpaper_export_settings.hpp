// The immutable snapshot of a design that every renderer works from.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/design_options.hpp"
#include "model/palette.hpp"
#include "render/color_math.hpp"
#include "render/image_pixelizer.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {

// Default-constructed, the snapshot holds the editor's initial design with an
// empty palette and seed 0, so a test can start from it and set what it needs.
struct WallpaperExportSettings {
    using RGB = glimora::RGB;

    ExportFormat format = ExportFormat::png;
    ExportResolution resolution = ExportResolution::hd;
    std::uint64_t seed = 0;
    NotchShape shape = NotchShape::linear;
    bool grainGradientActive = false;
    GrainGradientPreset grainGradientPreset = GrainGradientPreset::aurora;
    GrainGradientMode grainGradientMode = GrainGradientMode::liquid;
    double grainGradientScale = 54;
    double grainGradientWarp = 58;
    double grainGradientFlow = 48;
    double grainGradientGlow = 62;
    std::vector<RGB> colors;
    double angle = 135;
    double spread = 140;
    double centerX = 50;
    double centerY = 50;
    double phase = 0;
    double frequencyX = 4;
    double frequencyY = 2;
    double pixelScale = 3;
    double quantization = 6;
    bool mirror = false;
    bool okLab = true;
    DitherMode dither = DitherMode::eightByEight;
    double chroma = 0;
    double warp = 0;
    double hue = 0;
    double brightness = 0;
    double contrast = 100;
    double noise = 0;
    bool scanlines = false;
    bool vignette = true;
    bool invert = false;
    bool rgbSplit = false;
    StyleChannel channel = StyleChannel::rgb;
    std::optional<PixelImageBuffer> imageBuffer;
    ImagePixelizer::Settings imageSettings;

    // A palette colour as bytes: each component becomes trunc(c * 255) clamped
    // to 0...255 (truncated, not rounded, so 0.999 gives 254); a component that
    // is not a number gives 0. No colour management: components pass as they are.
    static RGB rgb(const Color& color);
};

namespace WallpaperRenderer {

enum class RendererError { bitmapUnavailable, encodingFailed };

}  // namespace WallpaperRenderer

}  // namespace glimora
