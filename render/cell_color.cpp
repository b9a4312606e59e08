#include "render/cell_color.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "render/field_math.hpp"
#include "render/grain_gradient.hpp"

namespace glimora::WallpaperRenderer {

using fieldmath::clamp;
using fieldmath::clampUnit;
using fieldmath::pi;
using std::max;
using std::min;

namespace {

constexpr RGB white{255, 255, 255};

std::uint8_t byte(double value) { return std::uint8_t(clampToByte(value)); }

bool nearBlack(RGB color) { return color.red <= 8 && color.green <= 8 && color.blue <= 8; }

int bayerSize(DitherMode mode) {
    switch (mode) {
    case DitherMode::twoByTwo: return 2;
    case DitherMode::fourByFour: return 4;
    case DitherMode::eightByEight: return 8;
    case DitherMode::sixteenBySixteen: return 16;
    case DitherMode::off:
    case DitherMode::noise: return 0;
    }
    return 0;
}

// Tabulating the palette per tone step pays off up to this many steps; more
// than the editor can make anyway.
constexpr double maximumTabulatedSteps = 4096;

}  // namespace

RGB blendPalette(std::span<const RGB> colors, double t) {
    const std::size_t n = colors.size();
    if (n == 0) return {};
    if (n == 1) return colors[0];
    const double position = clampUnit(t) * double(n - 1);
    const double lower = std::floor(position);
    const std::size_t i = std::size_t(lower);
    const std::size_t j = min(i + 1, n - 1);
    const double f = position - lower;
    const RGB a = colors[i];
    const RGB b = colors[j];
    return {byte((1 - f) * a.red + f * b.red), byte((1 - f) * a.green + f * b.green),
            byte((1 - f) * a.blue + f * b.blue)};
}

RGB mixColor(RGB a, RGB b, double amount) {
    const double k = clampUnit(amount);
    return {byte(k * b.red + (1 - k) * a.red), byte(k * b.green + (1 - k) * a.green),
            byte(k * b.blue + (1 - k) * a.blue)};
}

RGB hueShift(RGB color, double degrees) {
    if (!std::isfinite(degrees) || std::abs(degrees) <= 0.001) return color;
    const double r = color.red / 255.0;
    const double g = color.green / 255.0;
    const double b = color.blue / 255.0;
    const double M = max(r, max(g, b));
    const double m = min(r, min(g, b));
    const double D = M - m;
    if (D <= 0.0001) return color;
    double H;
    if (M == r) H = std::fmod((g - b) / D, 6);
    else if (M == g) H = (b - r) / D + 2;
    else H = (r - g) / D + 4;
    double turned = std::fmod(60 * H + degrees, 360);
    if (turned < 0) turned += 360;
    const double h = turned / 60;
    const double C = D;
    const double X = C * (1 - std::abs(std::fmod(h, 2) - 1));
    const double base = M - C;
    double red, green, blue;
    if (h < 1) red = C, green = X, blue = 0;
    else if (h < 2) red = X, green = C, blue = 0;
    else if (h < 3) red = 0, green = C, blue = X;
    else if (h < 4) red = 0, green = X, blue = C;
    else if (h < 5) red = X, green = 0, blue = C;
    else red = C, green = 0, blue = X;
    return {byte((base + red) * 255), byte((base + green) * 255), byte((base + blue) * 255)};
}

RGB vignette(RGB color, double x, double y) {
    const double d = (std::hypot(2 * (x - 0.5), 2 * (y - 0.5)) - 0.45) / 0.95;
    if (d <= 0) return color;
    const double factor = 1 - 0.72 * min(d, 1.0);
    return {byte(color.red * factor), byte(color.green * factor), byte(color.blue * factor)};
}

RGB channelFilter(RGB color, StyleChannel channel) {
    switch (channel) {
    case StyleChannel::rgb: return color;
    case StyleChannel::red: return {color.red, 0, 0};
    case StyleChannel::green: return {0, color.green, 0};
    case StyleChannel::blue: return {0, 0, color.blue};
    }
    return color;
}

namespace detail {

RibbonPhase::RibbonPhase(const WallpaperExportSettings& settings) {
    const double a = settings.angle * pi / 180;
    p = settings.phase * pi / 180;
    cosA = std::cos(a);
    sinA = std::sin(a);
    band = 2 * pi * max(2.0, settings.spread / 22);
    const double warp = std::isnan(settings.warp) ? 0 : settings.warp;
    amplitude = min(warp, 100.0) / 1000 + 0.08;
    waves = 2 * pi * max(1.0, settings.frequencyX);
    centerX = settings.centerX / 100;
}

double RibbonPhase::operator()(double x, double y) const {
    return p + band * ((x - 0.5) * sinA + (y - 0.5) * cosA + amplitude * std::sin(p + waves * (x - centerX)));
}

GlowHighlight::GlowHighlight(const WallpaperExportSettings& settings) {
    centerX = settings.centerX / 100;
    centerY = settings.centerY / 100;
    columns = max(3.0, 2.2 * settings.frequencyX);
    rows = max(2.0, 2 * settings.frequencyY);
    sharpness = max(18.0, settings.spread / 4);
    haloWidth = max(0.14, settings.spread / 240);
}

double GlowHighlight::operator()(double x, double y) const {
    const double a = std::abs(fieldmath::cell(columns * (x - centerX)));
    const double b = std::abs(fieldmath::cell(rows * (y - centerY)));
    const double dots = std::exp(-std::hypot(a, b) * sharpness);
    const double halo = std::exp(-std::hypot(1.1 * (x - centerX), 0.82 * (y - centerY)) / haloWidth);
    return min(1.0, 0.8 * dots + 0.22 * halo);
}

CellAdjustment::CellAdjustment(const WallpaperExportSettings& settings, std::array<std::uint64_t, 3> channelKeys)
    : keys(channelKeys) {
    hue = settings.hue;
    gain = settings.contrast >= 0 ? settings.contrast / 100 : 0;
    offset = settings.brightness / 100 * 255;
    amplitude = clamp(settings.noise, 0, 100) / 100 * 28;
    seed = settings.seed;
    // Channels are whole numbers, so (0 + c - 127.5) * 1 + 127.5 gives c back
    // exactly: such a cell needs no work at all.
    identity = !(std::isfinite(hue) && std::abs(hue) > 0.001) && gain == 1 && offset == 0 && amplitude == 0;
}

RGB CellAdjustment::operator()(RGB color, std::int64_t row, std::int64_t column) const {
    if (identity) return color;
    color = hueShift(color, hue);
    const std::uint64_t key = std::uint64_t(max<std::int64_t>(row, 0)) * 15731u +
                              std::uint64_t(max<std::int64_t>(column, 0)) * 789221u + seed;
    const auto channel = [&](std::uint8_t value, std::uint64_t keyOffset) {
        double result = (offset + value - 127.5) * gain + 127.5;
        // Without noise the term is a signed zero, which changes no sum.
        if (amplitude > 0) result = result + amplitude * (2 * fieldmath::sineFraction(key + keyOffset) - 1);
        return byte(result);
    };
    return {channel(color.red, keys[0]), channel(color.green, keys[1]), channel(color.blue, keys[2])};
}

}  // namespace detail

double ribbonPhase(const WallpaperExportSettings& settings, double x, double y) {
    return detail::RibbonPhase(settings)(x, y);
}

double glowHighlight(const WallpaperExportSettings& settings, double x, double y) {
    return detail::GlowHighlight(settings)(x, y);
}

RGB adjustCell(RGB color, const WallpaperExportSettings& settings, std::int64_t row, std::int64_t column) {
    return detail::CellAdjustment(settings, detail::shapeCellKeys)(color, row, column);
}

CellColorer::CellColorer(const WallpaperExportSettings& settings)
    : field_(settings),
      shape_(settings.shape),
      colors_(settings.colors),
      nearBlackFirst_(!settings.colors.empty() && nearBlack(settings.colors.front())),
      dither_(settings.dither),
      seed_(settings.seed),
      ribbon_(settings),
      glow_(settings),
      adjustment_(settings, detail::shapeCellKeys),
      channel_(settings.channel),
      scanlines_(settings.scanlines),
      vignette_(settings.vignette) {
    bayerSize_ = bayerSize(dither_);
    for (int r = 0; r < bayerSize_; ++r)
        for (int c = 0; c < bayerSize_; ++c)
            bayer_[std::size_t(r * bayerSize_ + c)] = bayerThreshold(bayerSize_, r, c);

    const double warp = std::isnan(settings.warp) ? 0 : settings.warp;
    warpAmount_ = warp <= 0 ? 0 : min(warp, 100.0) / 100 * 0.14;
    warpPhase_ = (settings.angle + 0.35 * settings.phase) * pi / 180;
    chromaOffset_ = settings.chroma <= 0 ? 0 : clamp(settings.chroma, 0, 20) / 20 * 0.08;

    if (field_.stepDivisor() < maximumTabulatedSteps) {
        const auto count = std::size_t(field_.stepDivisor()) + 1;
        steps_.resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            const double tone = field_.toneOfStep(double(k));
            StepColors& step = steps_[k];
            if (shape_ == NotchShape::ribbonBands || shape_ == NotchShape::glowDots) {
                step.nearest = step.lower = step.upper = blendPalette(colors_, tone);
                step.fraction = 0;
                continue;
            }
            const std::size_t n = colors_.size();
            if (n <= 1) {
                step.nearest = step.lower = step.upper = n == 0 ? RGB{} : colors_[0];
                step.fraction = 0;
                continue;
            }
            double t = clampUnit(tone);
            if (nearBlackFirst_) t = std::pow(t, 1.28);
            const double position = t * double(n - 1);
            const double lower = std::floor(position);
            const auto i = std::size_t(lower);
            step.lower = colors_[i];
            step.upper = colors_[min(i + 1, n - 1)];
            step.nearest = colors_[std::size_t(std::round(position))];
            step.fraction = position - lower;
        }
    }
}

double CellColorer::threshold(std::int64_t row, std::int64_t column) const {
    if (bayerSize_ > 0) {
        const std::int64_t mask = bayerSize_ - 1;
        return bayer_[std::size_t((row & mask) * bayerSize_ + (column & mask))];
    }
    const std::uint64_t key = std::uint64_t(max<std::int64_t>(row, 0)) * 668265263u +
                              std::uint64_t(max<std::int64_t>(column, 0)) * 374761393u + seed_;
    return double(key % 1000) / 1000;
}

RGB CellColorer::paletteColor(double tone, std::int64_t row, std::int64_t column) const {
    if (shape_ == NotchShape::ribbonBands || shape_ == NotchShape::glowDots) return blendPalette(colors_, tone);
    const std::size_t n = colors_.size();
    if (n == 0) return {};
    if (n == 1) return colors_[0];
    double t = clampUnit(tone);
    if (nearBlackFirst_) t = std::pow(t, 1.28);
    const double position = t * double(n - 1);
    const double lower = std::floor(position);
    const auto i = std::size_t(lower);
    const std::size_t j = min(i + 1, n - 1);
    if (dither_ == DitherMode::off) return colors_[std::size_t(std::round(position))];
    return threshold(row, column) < position - lower ? colors_[j] : colors_[i];
}

RGB CellColorer::sampledColor(std::int64_t column, std::int64_t row, double x, double y) const {
    if (warpAmount_ > 0) {
        const double wx = clampUnit(x + warpAmount_ * std::sin(2 * pi * y + warpPhase_));
        const double wy = clampUnit(y + warpAmount_ * std::cos(2 * pi * x - warpPhase_));
        x = wx;
        y = wy;
    }
    const double stepless = field_.steplessTone(x, y);
    RGB color;
    if (!steps_.empty()) {
        const StepColors& step = steps_[std::size_t(field_.stepOf(stepless))];
        if (dither_ == DitherMode::off || step.lower == step.upper) color = step.nearest;
        else color = threshold(row, column) < step.fraction ? step.upper : step.lower;
    } else {
        color = paletteColor(field_.finishTone(stepless), row, column);
    }

    if (shape_ == NotchShape::glowDots) {
        color = mixColor(color, white, 0.28 * glow_(x, y));
    } else if (shape_ == NotchShape::ribbonBands) {
        const double phase = ribbon_(x, y);
        const double h1 = std::pow(max(0.0, std::sin(phase + 0.72)), 10);
        const double h2 = std::pow(max(0.0, std::sin(phase - 0.96)), 8);
        color = mixColor(color, white, 0.2 * h1);
        const double factor = 1 - 0.16 * h2;
        color = {byte(color.red * factor), byte(color.green * factor), byte(color.blue * factor)};
    }
    return color;
}

RGB CellColorer::cellColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return sampledColor(column, row, x, y);
}

RGB CellColorer::chromaColor(std::int64_t column, std::int64_t row, double x, double y) const {
    if (!(chromaOffset_ > 0)) return sampledColor(column, row, x, y);
    const RGB red = sampledColor(column, row, x + chromaOffset_, y);
    const RGB green = sampledColor(column, row, x, y);
    const RGB blue = sampledColor(column, row, x - chromaOffset_, y);
    return {red.red, green.green, blue.blue};
}

RGB CellColorer::liveColor(std::int64_t column, std::int64_t row, double x, double y) const {
    return filter(adjust(chromaColor(column, row, x, y), row, column));
}

RGB CellColorer::rasterColor(std::int64_t column, std::int64_t row, double x, double y) const {
    RGB color = liveColor(column, row, x, y);
    if (scanlines_ && (row & 1) == 0)
        color = {byte(color.red * 0.88), byte(color.green * 0.88), byte(color.blue * 0.88)};
    if (vignette_) color = vignette(color, x, y);
    return color;
}

void CellColorer::fillRows(const CellGrid& grid, std::int64_t firstRow, std::int64_t endRow, std::span<RGB> out,
                           CellFinish finish) const {
    std::size_t index = 0;
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const double y = grid.unitY(row);
        for (std::int64_t column = 0; column < grid.columns && index < out.size(); ++column) {
            const double x = grid.unitX(column);
            out[index++] = finish == CellFinish::raster ? rasterColor(column, row, x, y) : liveColor(column, row, x, y);
        }
    }
}

RGB cellColor(const WallpaperExportSettings& settings, std::int64_t column, std::int64_t row, double x, double y) {
    return CellColorer(settings).cellColor(column, row, x, y);
}

bool hasVisibleContrast(const WallpaperExportSettings& settings) {
    if (settings.imageBuffer) return true;
    if (settings.grainGradientActive) return grainGradientHasContrast(settings);
    const CellColorer colorer(settings);
    std::unordered_set<std::uint32_t> distinct;
    int lowest = 255;
    int highest = 0;
    for (std::int64_t i = 0; i < 6; ++i) {
        for (std::int64_t j = 0; j < 10; ++j) {
            const RGB color = colorer.liveColor(j, i, double(j) / 9, double(i) / 5);
            distinct.insert(color.packed());
            const int luma = (299 * color.red + 587 * color.green + 114 * color.blue) / 1000;
            lowest = min(lowest, luma);
            highest = max(highest, luma);
        }
    }
    return distinct.size() >= 2 && highest - lowest > 9;
}

}  // namespace glimora::WallpaperRenderer
