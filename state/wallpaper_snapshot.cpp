#include "state/wallpaper_snapshot.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glimora {

namespace {

// Rounded half away from zero and kept at least 2; a value from a file that
// is not a number or beyond what an integer holds is clamped first.
std::int64_t colorCountOf(double imageColorCount) {
    if (std::isnan(imageColorCount)) return 2;
    const double rounded = std::round(std::clamp(imageColorCount, 2.0, 1e15));
    return std::max<std::int64_t>(2, static_cast<std::int64_t>(rounded));
}

}  // namespace

WallpaperExportSettings makeExportSettings(const NotchViewModel& model, std::optional<ExportResolution> resolution,
                                           std::optional<double> time) {
    WallpaperExportSettings s;
    fillExportSettings(model, resolution, time, s);
    return s;
}

void fillExportSettings(const NotchViewModel& model, std::optional<ExportResolution> resolution,
                        std::optional<double> time, WallpaperExportSettings& into) {
    std::vector<RGB> colors = std::move(into.colors);
    std::vector<RGB> imagePalette = std::move(into.imageSettings.palette);
    into = WallpaperExportSettings{};  // every field as in a fresh snapshot
    WallpaperExportSettings& s = into;
    s.format = model.exportFormat();
    s.resolution = resolution.value_or(model.exportResolution());
    s.seed = model.designSeed();
    s.shape = model.shape();
    s.grainGradientActive = model.grainGradientActive();
    s.grainGradientPreset = model.grainGradientPreset();
    s.grainGradientMode = model.grainGradientMode();
    s.grainGradientScale = model.grainGradientScale();
    s.grainGradientWarp = model.grainGradientWarp();
    s.grainGradientFlow = model.grainGradientFlow();
    s.grainGradientGlow = model.grainGradientGlow();

    if (time) {
        const NotchViewModel::AnimatedValues v = model.animatedSnapshot(*time);
        s.angle = v.angle, s.spread = v.spread, s.centerX = v.centerX, s.centerY = v.centerY;
        s.phase = v.phase, s.frequencyX = v.frequencyX, s.frequencyY = v.frequencyY;
        s.chroma = v.chroma, s.warp = v.warp, s.noise = v.noise;
    } else {
        s.angle = model.angle(), s.spread = model.spread(), s.centerX = model.centerX();
        s.centerY = model.centerY(), s.phase = model.phase(), s.frequencyX = model.frequencyX();
        s.frequencyY = model.frequencyY(), s.chroma = model.chroma(), s.warp = model.warp();
        s.noise = model.noise();
    }

    s.pixelScale = model.pixelScale();
    s.quantization = model.quantization();
    s.mirror = model.mirror();
    s.okLab = model.okLab();
    s.dither = model.dither();
    s.hue = model.hue();
    s.brightness = model.brightness();
    s.contrast = model.contrast();
    s.scanlines = model.scanlines();
    s.vignette = model.vignette();
    s.invert = model.invert();
    s.rgbSplit = model.rgbSplit();
    s.channel = model.channel();

    // The active palette's colours, read in place (activePalette() copies).
    colors.clear();
    const auto& catalogue = builtInPalettes();
    const auto count = static_cast<long long>(catalogue.size());
    if (model.paletteIndex() == count) {
        for (const auto& stop : model.customPaletteStops())
            colors.push_back(WallpaperExportSettings::rgb(stop.color()));
    } else {
        const long long index = std::clamp<long long>(model.paletteIndex(), 0, count - 1);
        for (const Color& color : catalogue[static_cast<std::size_t>(index)].colors)
            colors.push_back(WallpaperExportSettings::rgb(color));
    }
    s.colors = std::move(colors);

    const ImportedImageAsset* asset = model.currentImageAsset();
    if (model.wallpaperSource() == WallpaperSource::image && asset) s.imageBuffer = asset->buffer;

    ImagePixelizer::Settings& image = s.imageSettings;
    image.seed = model.designSeed();
    image.pixelSize = model.imagePixelSize();
    const double screenWidth = model.metrics().screenWidth;
    image.referenceWidth = std::isnan(screenWidth) ? 1 : std::max(screenWidth, 1.0);
    image.colorCount = colorCountOf(model.imageColorCount());
    image.paletteMode = model.imagePaletteMode();
    image.dither = model.imageDither();
    image.pixelShape = model.imagePixelShape();
    image.renderMode = model.imageRenderMode();
    image.mosaicTileShape = model.imageMosaicTileShape();
    image.mosaicCornerRadius = model.imageMosaicCornerRadius();
    image.mosaicBevel = model.imageMosaicBevel();
    image.mosaicVariation = model.imageMosaicVariation();
    image.cellGap = model.imageCellGap();
    image.brightness = model.imageBrightness();
    image.contrast = model.imageContrast();
    image.saturation = model.imageSaturation();
    image.crop = asset ? asset->crop : ImageCrop{};
    imagePalette.assign(s.colors.begin(), s.colors.end());
    image.palette = std::move(imagePalette);
}

}  // namespace glimora
