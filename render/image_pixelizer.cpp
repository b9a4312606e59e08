#include "render/image_pixelizer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/pixel_sampling.hpp"

namespace glimora {

namespace {

constexpr std::int64_t minColumns = 28;
constexpr std::int64_t maxColumns = 360;
constexpr std::int64_t minRows = 16;
constexpr std::int64_t maxRows = 240;

double fract(double value) {
    return value - std::floor(value);
}

// The sine-fraction hash of the dither and mosaic noise.
double sineNoise(std::int64_t n) {
    return fract(std::sin(double(n)) * 43758.5453123);
}

double clampUnit(double value) {
    if (value <= 0) return 0;
    if (value > 1) return 1;
    return value;
}

// Clamps in floating point first so that no out-of-range or NaN value ever
// reaches an integer conversion; NaN takes the lower bound.
std::int64_t clampToCount(double value, std::int64_t low, std::int64_t high) {
    if (!(value >= double(low))) return low;
    if (value >= double(high)) return high;
    return std::int64_t(value);
}

struct GridSize {
    std::int64_t columns;
    std::int64_t rows;
};

GridSize gridSize(std::int64_t targetWidth, std::int64_t targetHeight,
                  const ImagePixelizer::Settings& settings) {
    const double w = double(std::max<std::int64_t>(targetWidth, 1));
    const double h = double(std::max<std::int64_t>(targetHeight, 1));
    double cellSpan = settings.pixelSize * 2.2;
    if (!(cellSpan >= 2.0)) cellSpan = 2.0;
    double reference = settings.referenceWidth;
    if (!(reference >= 1)) reference = 1;
    GridSize size;
    size.columns = clampToCount(std::trunc(reference / cellSpan), minColumns, maxColumns);
    const double rows = std::round(h * double(size.columns) / w);
    size.rows = clampToCount(rows, minRows, maxRows);
    // When the row range cannot follow the output's shape, give up columns
    // (or add them) instead, so the cells stay square and the photo is not
    // squeezed; only very narrow or very wide outputs still hit both limits.
    if (rows > double(maxRows) || rows < double(minRows)) {
        size.columns = clampToCount(std::round(double(size.rows) * w / h), minColumns, maxColumns);
    }
    return size;
}

// One channel through the level rule: quantised to L steps, dithered at the
// offset position.
int quantize(int value, double levels, std::int64_t row, std::int64_t column, std::int64_t rowOffset,
             std::int64_t columnOffset, std::int64_t noiseOffset, ImageDitherStyle dither) {
    const double x = double(value) / 255 * levels;
    const double lo = std::floor(x);
    const double hi = std::min(lo + 1, levels);
    double q = lo;
    switch (dither) {
    case ImageDitherStyle::none: q = std::round(x); break;
    case ImageDitherStyle::bayer4:
        if (bayerThreshold(4, row + rowOffset, column + columnOffset) < x - lo) q = hi;
        break;
    case ImageDitherStyle::bayer8:
        if (bayerThreshold(8, row + rowOffset, column + columnOffset) < x - lo) q = hi;
        break;
    case ImageDitherStyle::noise:
        if (sineNoise(row * 15731 + column * 789221 + noiseOffset) < x - lo) q = hi;
        break;
    }
    return clampToByte(q / levels * 255);
}

double luminance(RGB color) {
    return 0.2126 * color.red / 255 + 0.7152 * color.green / 255 + 0.0722 * color.blue / 255;
}

RGB withFactor(RGB color, double factor) {
    return {std::uint8_t(clampToByte(factor * color.red)), std::uint8_t(clampToByte(factor * color.green)),
            std::uint8_t(clampToByte(factor * color.blue))};
}

}  // namespace

RGB ImagePixelizer::adjustColor(RGB color, const Settings& settings) {
    const double b = settings.brightness / 100;
    const double c = settings.contrast < 0 ? 0 : settings.contrast / 100;
    const double s = settings.saturation < 0 ? 0 : settings.saturation / 100;
    auto channel = [&](std::uint8_t value) { return clampUnit(b + ((double(value) / 255 - 0.5) * c + 0.5)); };
    const double red = channel(color.red);
    const double green = channel(color.green);
    const double blue = channel(color.blue);
    const double luma = 0.2126 * red + 0.7152 * green + 0.0722 * blue;
    auto out = [&](double v) { return std::uint8_t(clampToByte((luma + s * (v - luma)) * 255)); };
    return {out(red), out(green), out(blue)};
}

RGB ImagePixelizer::paletteColor(double luminance, std::int64_t row, std::int64_t column,
                                 const Settings& settings) {
    const auto& palette = settings.palette;
    const std::size_t n = palette.size();
    if (n == 0) {
        const auto g = std::uint8_t(clampToByte(luminance * 255));
        return {g, g, g};
    }
    if (n == 1) return palette[0];
    const double last = double(n - 1);
    const double x = (std::isnan(luminance) ? 0 : std::clamp(luminance, 0.0, 1.0)) * last;
    const double lo = std::clamp(std::floor(x), 0.0, last);
    const double f = x - lo;
    const double hi = std::min(lo + 1, last);
    bool upper = false;
    switch (settings.dither) {
    case ImageDitherStyle::none: upper = f > 0.5; break;
    case ImageDitherStyle::bayer4: upper = bayerThreshold(4, row, column) < f; break;
    case ImageDitherStyle::bayer8: upper = bayerThreshold(8, row, column) < f; break;
    case ImageDitherStyle::noise: upper = sineNoise(row * 15731 + column * 789221) < f; break;
    }
    return palette[std::size_t(upper ? hi : lo)];
}

RGB ImagePixelizer::processColor(RGB color, std::int64_t row, std::int64_t column, const Settings& settings) {
    const RGB a = adjustColor(color, settings);
    const double levels = double(std::max<std::int64_t>(settings.colorCount, 2) - 1);
    const auto dither = settings.dither;
    switch (settings.paletteMode) {
    case ImagePaletteMode::source:
        return {std::uint8_t(quantize(a.red, levels, row, column, 0, 0, 0, dither)),
                std::uint8_t(quantize(a.green, levels, row, column, 3, 5, 1376312589, dither)),
                std::uint8_t(quantize(a.blue, levels, row, column, 6, 10, 2752625178, dither))};
    case ImagePaletteMode::monochrome: {
        const int g = clampToByte(luminance(a) * 255);
        const auto q = std::uint8_t(quantize(g, levels, row, column, 0, 0, 0, dither));
        return {q, q, q};
    }
    case ImagePaletteMode::current: return paletteColor(luminance(a), row, column, settings);
    }
    return a;
}

ImagePixelizer::PixelGrid ImagePixelizer::pixelize(const PixelImageBuffer& buffer, std::int64_t targetWidth,
                                                   std::int64_t targetHeight, const Settings& settings) {
    return pixel_sampling::pixelize(buffer.width, buffer.height, buffer.bytes(), targetWidth, targetHeight,
                                    settings);
}

RGB PixelImageBuffer::sampleColor(double x, double y) const {
    return pixel_sampling::nearestPixel(width, height, bytes(), x, y);
}

namespace pixel_sampling {

RGB nearestPixel(std::int64_t width, std::int64_t height, std::span<const std::uint8_t> rgba, double x,
                 double y) {
    if (width <= 0 || height <= 0) return {};
    if (!std::isfinite(x)) x = 0;
    if (!std::isfinite(y)) y = 0;
    const double lastColumn = double(width - 1);
    const double lastRow = double(height - 1);
    const auto column = std::uint64_t(std::clamp(std::round(lastColumn * x), 0.0, lastColumn));
    const auto row = std::uint64_t(std::clamp(std::round(lastRow * y), 0.0, lastRow));
    std::uint64_t pixel = 0;
    if (__builtin_mul_overflow(row, std::uint64_t(width), &pixel) ||
        __builtin_add_overflow(pixel, column, &pixel) || pixel >= rgba.size() / 4) {
        return {};
    }
    const std::uint8_t* p = rgba.data() + pixel * 4;
    return {p[0], p[1], p[2]};
}

ImagePixelizer::PixelGrid pixelize(std::int64_t width, std::int64_t height,
                                   std::span<const std::uint8_t> rgba, std::int64_t targetWidth,
                                   std::int64_t targetHeight, const ImagePixelizer::Settings& settings) {
    const GridSize size = gridSize(targetWidth, targetHeight, settings);
    ImagePixelizer::PixelGrid grid;
    grid.columns = size.columns;
    grid.rows = size.rows;
    const double columns = double(size.columns);
    const double rows = double(size.rows);
    const double targetAspect = columns / rows;
    const double imageWidth = double(width);
    const double imageHeight = double(height);
    auto sample = [&](double u, double v) {
        const ImageCrop::Point p = settings.crop.sourcePoint(u, v, imageWidth, imageHeight, targetAspect);
        return nearestPixel(width, height, rgba, p.x, p.y);
    };
    grid.background = ImagePixelizer::processColor(sample(0, 0), 0, 0, settings);

    const bool varied = settings.renderMode == ImageRenderMode::mosaic && settings.mosaicVariation > 0;
    const double amount = settings.mosaicVariation > 100 ? 1 : settings.mosaicVariation / 100;
    const double seedTerm = double(settings.seed % 1000003);
    static constexpr double offsets[4][2] = {{-0.22, -0.22}, {0.22, -0.22}, {-0.22, 0.22}, {0.22, 0.22}};

    grid.cells.reserve(std::size_t(size.columns * size.rows));
    for (std::int64_t r = 0; r < size.rows; ++r) {
        for (std::int64_t c = 0; c < size.columns; ++c) {
            double red = 0;
            double green = 0;
            double blue = 0;
            for (const auto& offset : offsets) {
                const double u = clampUnit((double(c) + 0.5 + offset[0]) / columns);
                const double v = clampUnit((double(r) + 0.5 + offset[1]) / rows);
                const RGB s = sample(u, v);
                red += s.red;
                green += s.green;
                blue += s.blue;
            }
            const RGB average{std::uint8_t(clampToByte(red * 0.25)), std::uint8_t(clampToByte(green * 0.25)),
                              std::uint8_t(clampToByte(blue * 0.25))};
            RGB color = ImagePixelizer::processColor(average, r, c, settings);
            if (varied) {
                const double n = fract(std::sin(double(r * 15731 + c * 789221) + seedTerm) * 43758.5453123);
                color = withFactor(color, 1 + amount * (n - 0.5) * 0.34);
            }
            grid.cells.push_back(color);
        }
    }
    return grid;
}

}  // namespace pixel_sampling

}  // namespace glimora
