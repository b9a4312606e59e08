#include "render/grain_gradient.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "render/cell_grid.hpp"
#include "render/field_math.hpp"

namespace glimora::WallpaperRenderer {

using fieldmath::clamp;
using fieldmath::clampUnit;
using fieldmath::pi;
using std::max;
using std::min;

namespace {

constexpr std::uint64_t golden = 0x9e3779b97f4a7c15;

using fieldmath::byte;

// The SplitMix64 finaliser, reduced to 24 bits in 0...1.
double unit(std::uint64_t z) {
    z = z ^ (z >> 30);
    z = z * 0xbf58476d1ce4e5b9;
    z = z ^ (z >> 27);
    z = z * 0x94d049bb133111eb;
    z = z ^ (z >> 31);
    return double(z & 0xffffff) / 16777215;
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

// Octave sums: octave m samples at the frequency factor g(m) with seed offset
// o(m) and weight 0.5^(m+1); the sum is divided by the sum of the weights.
constexpr double octaveFrequency[4] = {1, 2.03, 4.1209, 8.365427};

double fbm3(std::uint64_t seed, std::uint64_t o1, std::uint64_t o2, std::uint64_t o3, double x, double y) {
    double sum = 0;
    sum = sum + valueNoise(seed + o1, octaveFrequency[0] * x, octaveFrequency[0] * y) * 0.5;
    sum = sum + valueNoise(seed + o2, octaveFrequency[1] * x, octaveFrequency[1] * y) * 0.25;
    sum = sum + valueNoise(seed + o3, octaveFrequency[2] * x, octaveFrequency[2] * y) * 0.125;
    return sum / 0.875;
}

double fbm4(std::uint64_t seed, std::uint64_t o1, std::uint64_t o2, std::uint64_t o3, std::uint64_t o4, double x,
            double y) {
    double sum = 0;
    sum = sum + valueNoise(seed + o1, octaveFrequency[0] * x, octaveFrequency[0] * y) * 0.5;
    sum = sum + valueNoise(seed + o2, octaveFrequency[1] * x, octaveFrequency[1] * y) * 0.25;
    sum = sum + valueNoise(seed + o3, octaveFrequency[2] * x, octaveFrequency[2] * y) * 0.125;
    sum = sum + valueNoise(seed + o4, octaveFrequency[3] * x, octaveFrequency[3] * y) * 0.0625;
    return sum / 0.9375;
}

GrainSample liquid(std::uint64_t seed, double x, double y, double t, double cosT, double sinT) {
    const double l1 = fbm4(seed, 101, 1078, 2055, 3032, 1.12 * x, 1.12 * y);
    const double u = 2.45 * x + 0.75 * l1 + 0.3 * cosT;
    const double v = 2.45 * y - 0.55 * l1 + 0.3 * sinT;
    const double l2 = fbm3(seed, 211, 1188, 2165, u, v);
    const double u2 = 5 * x - 0.45 * l2;
    const double v2 = 5 * y + 0.35 * l2;
    const double l3 = 0.5 * valueNoise(seed + 307, u2, v2) + 0.25 * valueNoise(seed + 1284, 2.03 * u2, 2.03 * v2);
    const double tone = clampUnit(0.5 * l1 + 0.3 * l2 + 0.1 * l3 / 0.75 +
                                  0.1 * (0.5 + 0.5 * std::sin(1.55 * x + 0.92 * y + 3.3 * l2 + t)));
    const double edge = 1 - std::abs(2 * tone - 1);
    return {tone, edge * edge, min(1.0, 1.4 * std::abs(2 * l2 - 1))};
}

double ribbonFlow(std::uint64_t seed, double t) { return 2 * pi * unit(seed + golden + 811) + t; }

GrainSample ribbon(std::uint64_t seed, double x, double y, double f) {
    const double centre = 0.15 * std::sin(1.35 * x + f) + 0.075 * std::sin(2.75 * x - 0.55 * f) +
                          0.025 * std::sin(4.6 * x + 0.25 * f);
    const double d = std::abs(y - centre);
    const double qc = d / 0.09;
    const double qg = d / 0.342;
    const double core = std::exp(-(qc * qc));
    const double glow = std::exp(-(qg * qg));
    const double n = fbm3(seed, 907, 1884, 2861, 1.4 * x + 2, 1.4 * y - 1);
    return {min(1.0, 0.72 * core + 0.18 * glow + 0.1 * n), min(1.0, std::pow(core, 1.35)), min(1.0, glow)};
}

}  // namespace

double valueNoise(std::uint64_t seed, double x, double y) {
    const double floorX = std::floor(x);
    const double floorY = std::floor(y);
    const auto i = std::uint64_t(fieldmath::clampedInt64(floorX));
    const auto j = std::uint64_t(fieldmath::clampedInt64(floorY));
    const double fx = x - floorX;
    const double fy = y - floorY;
    const auto corner = [seed](std::uint64_t ci, std::uint64_t cj) {
        return unit(((ci * golden) ^ seed ^ (cj * 0xc2b2ae3d27d4eb4f)) + golden);
    };
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    return lerp(lerp(corner(i, j), corner(i + 1, j), sx), lerp(corner(i, j + 1), corner(i + 1, j + 1), sx), sy);
}

GrainSample liquidField(std::uint64_t seed, double x, double y, double time) {
    return liquid(seed, x, y, time, std::cos(time), std::sin(time));
}

GrainSample bloomField(std::uint64_t seed, double x, double y, double aspect) {
    double sum = 0;
    double peak = 0;
    for (std::uint64_t k = 0; k < 6; ++k) {
        const std::uint64_t u = seed + golden + 4 + 97 * k;
        const double r = 0.1 + 0.22 * unit(u - 1);
        const double q = 0.55 + 1.2 * unit(u);
        const double th = pi * unit(u + 1);
        const double bx = x - 1.45 * aspect * (unit(u - 3) - 0.5);
        const double by = y - 1.35 * (unit(u - 2) - 0.5);
        const double P = std::cos(2 * th) * bx - std::sin(2 * th) * by;
        const double Q = std::sin(2 * th) * bx + std::cos(2 * th) * by;
        const double ep = P / max(r, 0.03);
        const double eq = Q / max(r * q, 0.03);
        const double e = std::sqrt(ep * ep + eq * eq);
        const double blob = (0.55 + 0.65 * unit(u + 2)) * std::exp(-0.55 * (e * e));
        sum += blob;
        peak = max(peak, blob);
    }
    const double v = min(1.0, 0.34 * sum);
    return {v, min(1.0, std::pow(peak, 1.45)), min(1.0, 2.2 * std::abs(v - 0.46))};
}

GrainSample ribbonField(std::uint64_t seed, double x, double y, double time) {
    return ribbon(seed, x, y, ribbonFlow(seed, time));
}

RGB gradientColor(std::span<const RGB> colors, double t) {
    const std::size_t n = colors.size();
    if (n == 0) return {};
    if (n == 1) return colors[0];
    const double position = clampUnit(t) * double(n - 1);
    const double index = min(max(std::floor(position), 0.0), double(n - 2));
    const auto i = std::size_t(index);
    return mixColor(colors[i], colors[i + 1], position - index);
}

GrainGrid grainGrid(const WallpaperExportSettings& settings, double width, double height) {
    const bool halftone = settings.grainGradientMode == GrainGradientMode::halftone;
    const double divisor = halftone ? 4.0 : 6.2;
    GrainGrid grid;
    grid.columns = std::int64_t(clamp(std::trunc(width / divisor), halftone ? 84 : 68, halftone ? 280 : 220));
    const double rows = std::ceil(height / width * double(grid.columns));
    grid.rows = std::int64_t(clamp(rows, 1, double(CellGrid::maximumRows)));
    return grid;
}

GrainColorer::GrainColorer(const WallpaperExportSettings& settings, double aspect)
    : seed_(settings.seed),
      mode_(settings.grainGradientMode),
      colors_(settings.colors),
      adjustment_(settings, detail::grainCellKeys),
      invert_(settings.invert),
      scanlines_(settings.scanlines),
      channel_(settings.channel) {
    const double scale = settings.grainGradientScale;
    zoom_ = !(scale > 0) ? 0.72 : 0.72 + 1.55 * min(scale, 100.0) / 100;
    const double warp = settings.grainGradientWarp;
    warpScale_ = 2.1 * (!(warp > 0) ? 0 : warp > 100 ? 1 : warp / 100);
    const double flow = clamp(settings.grainGradientFlow, 0, 100) / 100 * pi;
    time_ = 2 * flow;
    cosTime_ = std::cos(time_);
    sinTime_ = std::sin(time_);
    aspect_ = clamp(aspect, 0.6, 2.2);
    driftX1_ = 0.42 * std::cos(2 * flow);
    driftY1_ = 0.42 * std::sin(2 * flow);
    driftX2_ = 0.42 * std::sin(2 * flow);
    driftY2_ = 0.42 * std::cos(2 * flow);
    glow_ = clamp(settings.grainGradientGlow, 0, 100) / 100;
    ribbonFlow_ = ribbonFlow(seed_, time_);
    for (std::uint64_t k = 0; k < 6; ++k) {
        const std::uint64_t u = seed_ + golden + 4 + 97 * k;
        const double r = 0.1 + 0.22 * unit(u - 1);
        const double q = 0.55 + 1.2 * unit(u);
        const double th = pi * unit(u + 1);
        Blob& blob = blobs_[k];
        blob.cos2 = std::cos(2 * th);
        blob.sin2 = std::sin(2 * th);
        blob.offsetX = 1.45 * aspect_ * (unit(u - 3) - 0.5);
        blob.offsetY = 1.35 * (unit(u - 2) - 0.5);
        blob.radiusP = max(r, 0.03);
        blob.radiusQ = max(r * q, 0.03);
        blob.weight = 0.55 + 0.65 * unit(u + 2);
    }
}

GrainSample GrainColorer::field(double x, double y) const {
    const double X = (x - 0.5) * aspect_ * zoom_;
    const double Y = (y - 0.5) * zoom_;
    const double d1 = fbm3(seed_, 17, 994, 1971, 0.72 * X + driftX1_, 0.72 * Y + driftY1_);
    const double d2 = fbm3(seed_, 53, 1030, 2007, 0.72 * X - driftX2_ + 4.2, 0.72 * Y + driftY2_ - 2.4);
    const double wx = X + warpScale_ * (d1 - 0.5);
    const double wy = Y + warpScale_ * (d2 - 0.5);
    switch (mode_) {
    case GrainGradientMode::liquid:
        return liquid(seed_, wx, wy, time_, cosTime_, sinTime_);
    case GrainGradientMode::bloom: {
        double sum = 0;
        double peak = 0;
        for (const Blob& blob : blobs_) {
            const double bx = wx - blob.offsetX;
            const double by = wy - blob.offsetY;
            const double P = blob.cos2 * bx - blob.sin2 * by;
            const double Q = blob.sin2 * bx + blob.cos2 * by;
            const double ep = P / blob.radiusP;
            const double eq = Q / blob.radiusQ;
            const double e = std::sqrt(ep * ep + eq * eq);
            const double value = blob.weight * std::exp(-0.55 * (e * e));
            sum += value;
            peak = max(peak, value);
        }
        const double v = min(1.0, 0.34 * sum);
        return {v, min(1.0, std::pow(peak, 1.45)), min(1.0, 2.2 * std::abs(v - 0.46))};
    }
    case GrainGradientMode::ribbon:
        return ribbon(seed_, wx, wy, ribbonFlow_);
    case GrainGradientMode::halftone: {
        GrainSample sample = liquid(seed_, wx, wy, time_, cosTime_, sinTime_);
        sample.v = clampUnit(1.18 * (sample.v - 0.08));
        sample.a = min(1.0, 1.25 * sample.a);
        return sample;
    }
    }
    return {};
}

RGB GrainColorer::adjust(RGB color, std::int64_t row, std::int64_t column) const {
    color = adjustment_(color, row, column);
    if (invert_)
        color = {std::uint8_t(255 - color.red), std::uint8_t(255 - color.green),
                 std::uint8_t(255 - color.blue)};
    return channelFilter(color, channel_);
}

GrainColorer::Cell GrainColorer::cell(std::int64_t row, std::int64_t column, double x, double y) const {
    const GrainSample sample = field(x, y);
    RGB color = mixColor(gradientColor(colors_, sample.v),
                         gradientColor(colors_, min(1.0, sample.v + 0.18 + 0.08 * sample.b)),
                         (0.62 * glow_ + 0.08) * sample.a);
    if (mode_ == GrainGradientMode::bloom || mode_ == GrainGradientMode::ribbon)
        color = mixColor(color, gradientColor(colors_, 1), 0.24 * glow_ * sample.a);
    return {adjust(color, row, column), sample};
}

RGB GrainColorer::scanlined(RGB color, std::int64_t row) const {
    if (!scanlines_ || (row & 1) != 0) return color;
    return {byte(color.red * 0.9), byte(color.green * 0.9), byte(color.blue * 0.9)};
}

RGB GrainColorer::ground(RGB scanlinedColor) const {
    if (!halftone()) return scanlinedColor;
    return {byte(scanlinedColor.red * 0.14), byte(scanlinedColor.green * 0.14), byte(scanlinedColor.blue * 0.14)};
}

HalftoneDot GrainColorer::halftoneDot(const Cell& cell, RGB scanlinedColor, std::int64_t row, std::int64_t column,
                                      double x, double y, double width, double height) const {
    const std::uint64_t key = 15731 * std::uint64_t(row) + 789221 * std::uint64_t(column);
    const double jx = 2 * fieldmath::sineFraction(seed_ + (1003 + key)) - 1;
    const double jy = 2 * fieldmath::sineFraction(seed_ + (2017 + key)) - 1;
    const double v = cell.sample.v;
    const double a = cell.sample.a;
    const double size = clamp(2.25 * (v - (0.38 + 0.12 * jx)) + 0.42, 0.08, 1);
    const double m = min(width, height);
    HalftoneDot dot;
    dot.radius = m * (0.035 + 0.28 * size);
    dot.centerX = x + width / 2 + 0.14 * m * jx;
    dot.centerY = y + height / 2 + 0.14 * m * jy;
    const RGB highlight = adjust(gradientColor(colors_, min(1.0, v + 0.16 + 0.08 * a)), row, column);
    dot.color = mixColor(scanlinedColor, highlight, 0.32 * a);
    dot.alpha = min(0.96, 0.2 + 0.72 * size + 0.12 * a);
    return dot;
}

GrainSample grainField(const WallpaperExportSettings& settings, double x, double y, double aspect) {
    return GrainColorer(settings, aspect).field(x, y);
}

RGB adjustGrainCell(RGB color, std::int64_t row, std::int64_t column, const WallpaperExportSettings& settings) {
    return GrainColorer(settings, 1).adjust(color, row, column);
}

bool grainGradientHasContrast(const WallpaperExportSettings& settings) {
    const GrainColorer colorer(settings, 1);
    std::unordered_set<std::uint32_t> distinct;
    int lowest = 255;
    int highest = 0;
    for (std::int64_t r = 0; r < 8; ++r) {
        for (std::int64_t c = 0; c < 12; ++c) {
            const RGB color = colorer.cell(r, c, double(c) / 11, double(r) / 7).color;
            distinct.insert(color.packed());
            const int luma = (299 * color.red + 587 * color.green + 114 * color.blue) / 1000;
            lowest = min(lowest, luma);
            highest = max(highest, luma);
        }
    }
    return distinct.size() > 6 && highest - lowest > 13;
}

std::vector<RGB> smoothGradientColors(const WallpaperExportSettings& settings) {
    std::vector<RGB> colors;
    smoothGradientColors(settings, colors);
    return colors;
}

void smoothGradientColors(const WallpaperExportSettings& settings, std::vector<RGB>& colors) {
    colors.assign(settings.colors.begin(), settings.colors.end());
    if (settings.invert) std::reverse(colors.begin(), colors.end());
    const detail::CellAdjustment adjustment(settings, detail::shapeCellKeys);
    for (std::size_t i = 0; i < colors.size(); ++i)
        colors[i] = channelFilter(adjustment(colors[i], 0, std::int64_t(i)), settings.channel);
    if (colors.empty()) colors.push_back(RGB{});
}

}  // namespace glimora::WallpaperRenderer
