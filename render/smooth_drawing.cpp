// The smooth gradient as a bitmap, evaluated per pixel centre: gradients are
// exact functions of position, so they are computed here directly (as a 2D
// library would, with the colours interpolated unpremultiplied) rather than
// rasterised, which keeps a sixK export within its time.
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/field_math.hpp"
#include "render/grain_gradient.hpp"
#include "render/parallel_bands.hpp"
#include "render/pixel_kernels.hpp"
#include "render/raster_shading.hpp"

namespace glimora::WallpaperRenderer {

namespace {

using fieldmath::clamp;
using fieldmath::pi;

struct Channels {
    std::vector<float> r, g, b;
    explicit Channels(std::int64_t width)
        : r(std::size_t(width)), g(std::size_t(width)), b(std::size_t(width)) {}
};

// A radial glow: the colour at full strength at the centre fading to clear
// (transparent black) at the radius, blended with screen; nothing beyond.
// Colour and alpha both fall as 1 - d / radius, so the premultiplied colour
// falls as its square.
struct Glow {
    double x, y, radius;
    RGB color;

    void screenRow(double rowCenter, std::int64_t width, Channels& row) const {
        const double dy = rowCenter - y;
        if (!(radius > 0) || !std::isfinite(x) || !(std::abs(dy) < radius)) return;
        const double half = std::sqrt(radius * radius - dy * dy);
        // One pixel of margin each side: the kernel itself decides at the rim.
        const auto first = std::int64_t(std::clamp(std::floor(x - half - 0.5) - 1, 0.0, double(width)));
        const auto end = std::int64_t(std::clamp(std::ceil(x + half - 0.5) + 2, 0.0, double(width)));
        const float channels[3] = {float(color.red), float(color.green), float(color.blue)};
        kernels::screenGlow(row.r.data(), row.g.data(), row.b.data(), first, end, float(x), float(dy),
                            float(1 / radius), channels);
    }
};

// The scanline bands: black at 0.1 over rows 2p apart, p = max(H / 140, 2),
// each max(1, 0.12 H / 140) high, whatever part of a pixel row they cover.
std::vector<double> scanlineFactors(std::int64_t height) {
    const double H = double(height);
    std::vector<double> factors(std::size_t(height), 1.0);
    const double pitch = std::max(H / 140, 2.0);
    const double band = std::max(1.0, 0.12 * H / 140);
    for (double y = 0; y < H; y += 2 * pitch) {
        const auto first = std::int64_t(std::floor(y));
        for (std::int64_t p = first; p < height && double(p) < y + band; ++p) {
            const double covered = std::min(double(p + 1), y + band) - std::max(double(p), y);
            if (covered > 0) factors[std::size_t(p)] *= 1 - 0.1 * std::min(covered, 1.0);
        }
    }
    return factors;
}

// One row of the linear gradient, whose position along its axis at pixel x
// is t = tRow + tStep * x; before 0 and after 1 it keeps its end colours.
// Between two stops each channel is linear in t, so the stop pair is looked
// up once per run of pixels rather than per pixel.
void fillLinearRow(const std::vector<RGB>& colors, double tRow, double tStep, Channels& row) {
    const auto width = std::int64_t(row.r.size());
    const double last = double(colors.size() - 1);
    auto position = [&](std::int64_t x) { return clamp(tRow + tStep * double(x), 0, 1) * last; };
    for (std::int64_t x = 0; x < width;) {
        const double index = std::min(std::floor(position(x)), last - 1);
        // The run ends before the first pixel past the stop ahead; the end
        // stops need no end, since the clamp holds their colour.
        std::int64_t end = width;
        const double ahead = tStep > 0 ? index + 1 : index;
        if (tStep != 0 && ahead > 0 && ahead < last) {
            const double reach = std::floor((ahead / last - tRow) / tStep);
            if (reach < double(width)) end = std::max(x + 1, std::int64_t(std::max(reach, 0.0)));
        }
        const RGB a = colors[std::size_t(index)];
        const RGB c = colors[std::size_t(index) + 1];
        const float from[3] = {float(a.red), float(a.green), float(a.blue)};
        const float delta[3] = {float(c.red - a.red), float(c.green - a.green), float(c.blue - a.blue)};
        kernels::gradientRun(row.r.data(), row.g.data(), row.b.data(), x, end, float(tRow * last - index),
                             float(tStep * last), from, delta);
        x = end;
    }
}

}  // namespace

void drawSmoothGradient(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount) {
    if (!target.data || target.width <= 0 || target.height <= 0) return;
    detail::checkTarget(target);
    const std::int64_t width = target.width;
    const std::int64_t height = target.height;
    const double W = double(width);
    const double H = double(height);
    const std::vector<RGB> colors = smoothGradientColors(settings);
    const std::size_t n = colors.size();

    // The linear gradient's position along its axis, t = tRow + tStep * x at
    // the centre of pixel x; held at the end colours before 0 and after 1.
    const double b = (settings.angle + 0.15 * settings.phase) * pi / 180;
    const double x0 = (0.5 - 0.7 * std::cos(b)) * W;
    const double y0 = (0.5 - 0.7 * std::sin(b)) * H;
    const double dx = (0.5 + 0.7 * std::cos(b)) * W - x0;
    const double dy = (0.5 + 0.7 * std::sin(b)) * H - y0;
    const double length2 = dx * dx + dy * dy;
    // Without a direction, the first colour covers the image.
    const bool linear = std::isfinite(length2) && length2 > 0 && n > 1;

    const double cx = clamp(settings.centerX / 100, 0, 1);
    const double cy = clamp(settings.centerY / 100, 0, 1);
    const double r1 = std::max(0.16 * std::min(W, H), clamp(settings.spread / 260, 0.18, 1.2) * std::max(W, H));
    const Glow accent{cx * W, cy * H, r1, colors.back()};
    const Glow counter{(1 - cx) * W, (0.72 + 0.08 * std::sin(settings.phase * pi / 180)) * H, 0.78 * r1,
                       colors.front()};

    const std::vector<double> scanlines = settings.scanlines ? scanlineFactors(height) : std::vector<double>();
    const detail::RadialShade vignette(width, height, 0.12 * std::min(W, H), 0.72 * std::max(W, H), 0.34, 0.72);

    const int threads = threadCount > 0 ? threadCount : defaultThreadCount();
    const int bands = detail::bandCount(height, threads, 2);
    forEachBand(bands, threads, [&](int band) {
        Channels row(width);
        std::vector<float> factors(static_cast<std::size_t>(width));
        for (std::int64_t y = height * band / bands; y < height * (band + 1) / bands; ++y) {
            const double center = double(y) + 0.5;
            if (linear) {
                fillLinearRow(colors, ((0.5 - x0) * dx + (center - y0) * dy) / length2, dx / length2, row);
            } else {
                std::fill(row.r.begin(), row.r.end(), float(colors.front().red));
                std::fill(row.g.begin(), row.g.end(), float(colors.front().green));
                std::fill(row.b.begin(), row.b.end(), float(colors.front().blue));
            }
            accent.screenRow(center, width, row);
            counter.screenRow(center, width, row);
            const bool shaded = settings.vignette && vignette.rowFactors(y, factors.data());
            kernels::channelsToRGBA(row.r.data(), row.g.data(), row.b.data(), shaded ? factors.data() : nullptr,
                                    float(settings.scanlines ? scanlines[std::size_t(y)] : 1.0), width,
                                    target.data + y * target.stride);
        }
    });
}

}  // namespace glimora::WallpaperRenderer
