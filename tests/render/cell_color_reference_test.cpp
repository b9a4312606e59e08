// The cell colours against a second implementation written the plain way:
// every formula evaluated afresh for every cell, term by term, with the
// library's functions and no tables, caches or rough calls. It shares no code
// with the renderer, so a wrong constant, a wrong order of operations or a
// fast path that rounds differently shows up as a cell whose bytes differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"

namespace glimora::WallpaperRenderer {
namespace {

namespace plain {

constexpr double pi = std::numbers::pi;

double clamp(double value, double lo, double hi) {
    if (std::isnan(value)) return lo;
    return std::min(std::max(value, lo), hi);
}

double fract(double z) { return z - std::floor(z); }

std::uint8_t toByte(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::round(value);
    return std::uint8_t(rounded < 0 ? 0 : rounded > 255 ? 255 : rounded);
}

double field(const WallpaperExportSettings& s, double x, double y) {
    const double a = s.angle * pi / 180;
    const double u = (x - 0.5) * std::cos(a) - (y - 0.5) * std::sin(a) + 0.5;
    const double v = (x - 0.5) * std::sin(a) + (y - 0.5) * std::cos(a) + 0.5;
    const double R = s.spread;
    const double S = std::max(10.0, R);
    const double sc = S / 180;
    const double cx = clamp(s.centerX / 100, 0, 1);
    const double cy = clamp(s.centerY / 100, 0, 1);
    const double dx = u - cx;
    const double dy = v - cy;
    const double p = s.phase * pi / 180;
    const double fx = s.frequencyX;
    const double fy = s.frequencyY;
    const double r = std::hypot(dx, dy);
    const double th = std::atan2(dy, dx);
    const auto cell = [](double z) { return fract(z + 0.5) - 0.5; };
    double t = 0;
    switch (s.shape) {
    case NotchShape::linear: t = 0.72 * dx + 0.28 * dy + 0.5; break;
    case NotchShape::radial: t = r / std::max(0.18, 0.62 * sc); break;
    case NotchShape::smoothGradient: {
        const double mx = clamp(cx + 0.18 * std::cos(p), 0, 1);
        const double my = clamp(cy + 0.18 * std::sin(p), 0, 1);
        const double d = std::hypot(u - mx, v - my);
        t = 0.42 * (0.68 * dx + 0.32 * dy) + 0.78 * std::exp(-d / std::max(0.15, sc / 180)) + 0.46;
        break;
    }
    case NotchShape::ribbonBands:
        t = 0.5 - 0.5 * std::cos(p + 2 * pi * std::max(2.0, sc / 22) *
                                         (dy + (std::min(s.warp, 100.0) / 1000 + 0.08) *
                                                   std::sin(p + 2 * pi * dx * std::max(1.0, fx))));
        break;
    case NotchShape::glowDots: {
        const double C = std::max(3.0, 2.2 * fx);
        const double Q = std::max(2.0, 2 * fy);
        const double A = std::abs(cell(dx * C));
        const double B = std::abs(cell(dy * Q));
        t = 0.62 * std::exp(-std::hypot(1.1 * dx, 0.82 * dy) / std::max(0.14, sc / 240)) +
            0.88 * std::exp(-std::max(18.0, R / 4) * std::hypot(A, B));
        break;
    }
    case NotchShape::conic: t = (th + p + pi) / (2 * pi); break;
    case NotchShape::sine:
        t = 0.5 + 0.5 * std::sin(p + std::max(0.15, 1.8 * sc) * pi * (dx * fx + dy * fy));
        break;
    case NotchShape::sunsetStrip: {
        const double A = cell(dx * std::max(2.0, 1.25 * fx));
        const double B = cell(dy * std::max(2.0, 2 * fy));
        t = 0.5 - 0.5 * std::cos(p + 2 * pi * std::max(1.0, R / 28) * std::hypot(0.82 * A, 1.55 * B));
        break;
    }
    case NotchShape::diamond:
        t = 0.5 - 0.5 * std::cos(p + 2 * pi * std::max(1.0, R / 22) * (std::abs(dx) + std::abs(dy)));
        break;
    case NotchShape::fractal: {
        const double zoom = R / 45 < 1 ? 3.5 : std::max(0.35, 3.5 / (R / 45));
        double re = std::max(0.55, fx / 4) * zoom * dx;
        double im = std::max(0.55, fy / 3) * zoom * dy;
        const double cre = 0.32 * std::cos(p) - 0.18;
        const double cim = 0.32 * std::sin(p) + 0.08;
        int n = 0;
        while (n < 14) {
            const double nre = re * re - im * im + cre;
            im = 2 * re * im + cim;
            re = nre;
            const double size = re * re + im * im;
            if (size > 4 || std::isnan(size)) break;
            ++n;
        }
        t = n / 14.0;
        break;
    }
    case NotchShape::tree: {
        const double h = (1 - v) + 0.35 * (cy - 0.5);
        const double w = R / 300 <= 0.15 ? 0.0147 : 0.012 + 0.018 * std::min(1.0, R / 300);
        double m = std::exp(-std::abs(dx) / w) * clamp(h, 0, 1);
        for (int i = 1; i <= 8; ++i) {
            const double f = i / 9.0;
            const double b = 0.7 * f + 0.12;
            if (h < b) continue;
            const double reach = std::min(0.42, (0.9 + 0.55 * f) * (h - b));
            const double branch =
                std::exp(-std::abs(std::abs(dx) - reach) / std::max(0.004, w * (1.35 - 0.35 * f))) *
                std::exp(-1.7 * (h - b));
            m = std::max(m, branch);
        }
        t = 0.12 + 0.9 * m * (0.78 + 0.22 * std::sin(p + 1.4 * pi * std::max(2.0, fx) * (dx + h)));
        break;
    }
    case NotchShape::landscape: {
        const double h0 = 0.58 + 0.28 * (0.5 - cy);
        const double A = pi * dx * std::max(1.0, 0.65 * fx);
        const double B = pi * dx * std::max(1.0, 0.8 * fy);
        const double r1 = h0 - 0.18 * std::abs(std::sin(p + A)) - 0.06 * std::abs(std::sin(2.3 * A - 0.4 * p));
        const double r2 = h0 + 0.16 - 0.13 * std::abs(std::sin(0.7 * p + B));
        if (v < r1) {
            t = 0.12 + 0.18 * v + 0.05 * std::abs(std::sin(A));
        } else if (v < r2) {
            const double D = r2 - r1 < 0.05 ? 0.05 : r2 - r1;
            t = 0.35 + 0.25 * clamp((v - r1) / D, 0, 1);
        } else {
            const double D = 1 - r2 < 0.05 ? 0.05 : 1 - r2;
            t = 0.68 + 0.22 * clamp((v - r2) / D, 0, 1);
        }
        break;
    }
    case NotchShape::petals: {
        const double k = std::max(3.0, std::round(fx));
        t = 0.5 + 0.5 * std::cos(2 * pi * std::max(3.0, R / 14) * r - 2.8 * (0.5 + 0.5 * std::cos(p + k * th)));
        break;
    }
    case NotchShape::crystal: {
        const double A = std::abs(cell(dx * std::max(2.0, 1.25 * fx)));
        const double B = std::abs(cell(dy * std::max(2.0, 1.75 * fy)));
        t = 0.5 - 0.5 * std::cos(p + 8 * pi * std::max(1.0, R / 24) * (A + B + 0.7 * std::abs(A - B)));
        break;
    }
    case NotchShape::spiral:
        t = 0.5 + 0.5 * std::sin(p + th * std::max(1.5, 0.85 * fx) + 4 * pi * std::max(2.0, R / 16) * r);
        break;
    case NotchShape::kaleidoscope: {
        const double n = std::max(3.0, std::round(fx + 2));
        const double w = std::abs(fract(n * th / (2 * pi) + 0.5) - 0.5);
        t = 0.5 + 0.5 * std::cos(p + 8 * pi * std::max(2.0, R / 18) * r + 6 * pi * (1.2 + 0.12 * fy) * w);
        break;
    }
    case NotchShape::topography: {
        const double A = pi * dx * std::max(2.0, fx);
        const double B = pi * dy * std::max(1.5, fy);
        const double w = std::sin(A + 1.6 * std::sin(p + B)) + 0.45 * std::sin(0.62 * (A + B) - 0.7 * p);
        t = 0.5 + 0.5 * std::cos(p + pi * std::max(2.0, R / 22) * w);
        break;
    }
    case NotchShape::orbit: {
        const double r2 = std::hypot(1.25 * dx, 0.72 * dy);
        t = 0.5 + 0.5 * std::cos(p + 8 * pi * std::max(2.0, R / 18) * r2 +
                                 (1.2 + 0.2 * fy) * std::sin(std::max(2.0, fx) * th - 1.2 * p));
        break;
    }
    }
    t = clamp(t, 0, 1);
    if (s.mirror) t = std::abs(2 * t - 1);
    if (s.invert) t = 1 - t;
    const double L = std::max(2.0, std::round(s.quantization));
    t = std::round(t * (L - 1)) / (L - 1);
    if (s.okLab) t = std::pow(t, 0.88);
    return clamp(t, 0, 1);
}

// The Bayer matrix built by blocks: M(2n) = [[4M, 4M + 2], [4M + 3, 4M + 1]].
int bayerIndex(int n, std::int64_t row, std::int64_t column) {
    if (n == 1) return 0;
    const int half = n / 2;
    const std::int64_t i = row % n;
    const std::int64_t j = column % n;
    static constexpr int block[2][2] = {{0, 2}, {3, 1}};
    return 4 * bayerIndex(half, i % half, j % half) + block[i / half][j / half];
}

RGB blend(const std::vector<RGB>& colors, double t) {
    const std::size_t n = colors.size();
    if (n == 0) return {};
    if (n == 1) return colors[0];
    const double P = clamp(t, 0, 1) * double(n - 1);
    const auto i = std::size_t(std::floor(P));
    const std::size_t j = std::min(i + 1, n - 1);
    const double f = P - double(i);
    return {toByte((1 - f) * colors[i].red + f * colors[j].red),
            toByte((1 - f) * colors[i].green + f * colors[j].green),
            toByte((1 - f) * colors[i].blue + f * colors[j].blue)};
}

RGB mix(RGB a, RGB b, double amount) {
    const double k = clamp(amount, 0, 1);
    return {toByte(k * b.red + (1 - k) * a.red), toByte(k * b.green + (1 - k) * a.green),
            toByte(k * b.blue + (1 - k) * a.blue)};
}

double glow(const WallpaperExportSettings& s, double x, double y) {
    const double cx = s.centerX / 100, cy = s.centerY / 100;
    const double C = std::max(3.0, 2.2 * s.frequencyX);
    const double Q = std::max(2.0, 2 * s.frequencyY);
    const double A = std::abs(fract(C * (x - cx) + 0.5) - 0.5);
    const double B = std::abs(fract(Q * (y - cy) + 0.5) - 0.5);
    const double dots = std::exp(-std::hypot(A, B) * std::max(18.0, s.spread / 4));
    const double halo = std::exp(-std::hypot(1.1 * (x - cx), 0.82 * (y - cy)) / std::max(0.14, s.spread / 240));
    return std::min(1.0, 0.8 * dots + 0.22 * halo);
}

double ribbon(const WallpaperExportSettings& s, double x, double y) {
    const double a = s.angle * pi / 180;
    const double p = s.phase * pi / 180;
    return p + 2 * pi * std::max(2.0, s.spread / 22) *
                   ((x - 0.5) * std::sin(a) + (y - 0.5) * std::cos(a) +
                    (std::min(s.warp, 100.0) / 1000 + 0.08) *
                        std::sin(p + 2 * pi * std::max(1.0, s.frequencyX) * (x - s.centerX / 100)));
}

RGB sample(const WallpaperExportSettings& s, std::int64_t column, std::int64_t row, double x, double y) {
    const double w = s.warp <= 0 ? 0 : std::min(s.warp, 100.0) / 100 * 0.14;
    if (w > 0) {
        const double q = (s.angle + 0.35 * s.phase) * pi / 180;
        const double wx = clamp(x + w * std::sin(2 * pi * y + q), 0, 1);
        const double wy = clamp(y + w * std::cos(2 * pi * x - q), 0, 1);
        x = wx;
        y = wy;
    }
    const double t = field(s, x, y);
    const std::size_t n = s.colors.size();
    RGB color;
    if (s.shape == NotchShape::ribbonBands || s.shape == NotchShape::glowDots) {
        color = blend(s.colors, t);
    } else if (n == 1) {
        color = s.colors[0];
    } else if (n > 1) {
        double tt = clamp(t, 0, 1);
        const RGB first = s.colors[0];
        if (first.red <= 8 && first.green <= 8 && first.blue <= 8) tt = std::pow(tt, 1.28);
        const double P = tt * double(n - 1);
        const auto i = std::size_t(std::floor(P));
        const std::size_t j = std::min(i + 1, n - 1);
        if (s.dither == DitherMode::off) {
            color = s.colors[std::size_t(std::round(P))];
        } else {
            double h;
            if (s.dither == DitherMode::noise) {
                const std::uint64_t key = std::uint64_t(std::max<std::int64_t>(row, 0)) * 668265263ull +
                                          std::uint64_t(std::max<std::int64_t>(column, 0)) * 374761393ull + s.seed;
                h = double(key % 1000) / 1000;
            } else {
                const int size = s.dither == DitherMode::twoByTwo       ? 2
                                 : s.dither == DitherMode::fourByFour   ? 4
                                 : s.dither == DitherMode::eightByEight ? 8
                                                                        : 16;
                h = double(bayerIndex(size, row, column)) / (size * size);
            }
            color = h < P - double(i) ? s.colors[j] : s.colors[i];
        }
    }
    if (s.shape == NotchShape::glowDots) color = mix(color, RGB{255, 255, 255}, 0.28 * glow(s, x, y));
    if (s.shape == NotchShape::ribbonBands) {
        const double F = ribbon(s, x, y);
        const double h1 = std::pow(std::max(0.0, std::sin(F + 0.72)), 10);
        const double h2 = std::pow(std::max(0.0, std::sin(F - 0.96)), 8);
        color = mix(color, RGB{255, 255, 255}, 0.2 * h1);
        color = {toByte(color.red * (1 - 0.16 * h2)), toByte(color.green * (1 - 0.16 * h2)),
                 toByte(color.blue * (1 - 0.16 * h2))};
    }
    return color;
}

RGB hueShift(RGB color, double degrees) {
    if (std::abs(degrees) <= 0.001) return color;
    const double r = color.red / 255.0, g = color.green / 255.0, b = color.blue / 255.0;
    const double M = std::max({r, g, b}), m = std::min({r, g, b}), D = M - m;
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
    const double m0 = M - C;
    double parts[3];
    switch (int(h)) {
    case 0: parts[0] = C, parts[1] = X, parts[2] = 0; break;
    case 1: parts[0] = X, parts[1] = C, parts[2] = 0; break;
    case 2: parts[0] = 0, parts[1] = C, parts[2] = X; break;
    case 3: parts[0] = 0, parts[1] = X, parts[2] = C; break;
    case 4: parts[0] = X, parts[1] = 0, parts[2] = C; break;
    default: parts[0] = C, parts[1] = 0, parts[2] = X; break;
    }
    return {toByte((m0 + parts[0]) * 255), toByte((m0 + parts[1]) * 255), toByte((m0 + parts[2]) * 255)};
}

RGB adjust(RGB color, const WallpaperExportSettings& s, std::int64_t row, std::int64_t column) {
    color = hueShift(color, s.hue);
    const double k = s.contrast >= 0 ? s.contrast / 100 : 0;
    const double B = s.brightness / 100 * 255;
    const double A = clamp(s.noise, 0, 100) / 100 * 28;
    const std::uint64_t H = std::uint64_t(std::max<std::int64_t>(row, 0)) * 15731ull +
                            std::uint64_t(std::max<std::int64_t>(column, 0)) * 789221ull + s.seed;
    const std::uint64_t offsets[3] = {0, 1376312589ull, 2752625178ull};
    const std::uint8_t in[3] = {color.red, color.green, color.blue};
    std::uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        const double z = std::sin(double((H + offsets[c]) % 1000000)) * 43758.5453123;
        const double e = z - std::floor(z);
        out[c] = toByte((B + in[c] - 127.5) * k + 127.5 + A * (2 * e - 1));
    }
    return {out[0], out[1], out[2]};
}

RGB filter(RGB c, StyleChannel channel) {
    switch (channel) {
    case StyleChannel::rgb: return c;
    case StyleChannel::red: return {c.red, 0, 0};
    case StyleChannel::green: return {0, c.green, 0};
    case StyleChannel::blue: return {0, 0, c.blue};
    }
    return c;
}

RGB vignette(RGB c, double x, double y) {
    const double d = (std::hypot(2 * (x - 0.5), 2 * (y - 0.5)) - 0.45) / 0.95;
    const double factor = d <= 0 ? 1 : 1 - 0.72 * std::min(d, 1.0);
    return {toByte(c.red * factor), toByte(c.green * factor), toByte(c.blue * factor)};
}

RGB liveCell(const WallpaperExportSettings& s, std::int64_t column, std::int64_t row, double x, double y) {
    const double o = s.chroma <= 0 ? 0 : clamp(s.chroma, 0, 20) / 20 * 0.08;
    RGB color = sample(s, column, row, x, y);
    if (o > 0) color = {sample(s, column, row, x + o, y).red, color.green, sample(s, column, row, x - o, y).blue};
    return filter(adjust(color, s, row, column), s.channel);
}

RGB rasterCell(const WallpaperExportSettings& s, std::int64_t column, std::int64_t row, double x, double y) {
    RGB color = liveCell(s, column, row, x, y);
    if (s.scanlines && row % 2 == 0)
        color = {toByte(color.red * 0.88), toByte(color.green * 0.88), toByte(color.blue * 0.88)};
    if (s.vignette) color = vignette(color, x, y);
    return color;
}

bool visibleContrast(const WallpaperExportSettings& s) {
    std::set<std::uint32_t> distinct;
    int lo = 1000, hi = -1;
    for (int i = 0; i <= 5; ++i) {
        for (int j = 0; j <= 9; ++j) {
            const RGB c = liveCell(s, j, i, j / 9.0, i / 5.0);
            distinct.insert(c.packed());
            const int luma = (299 * c.red + 587 * c.green + 114 * c.blue) / 1000;
            lo = std::min(lo, luma);
            hi = std::max(hi, luma);
        }
    }
    return distinct.size() >= 2 && hi - lo > 9;
}

struct Grid {
    std::int64_t columns, rows;
    double w, h, xDivisor, yDivisor;
};

Grid grid(double pixelScale, double W, double H) {
    const double divisor = std::isnan(3 * pixelScale) ? 1 : std::max(3 * pixelScale, 1.0);
    const auto C = std::int64_t(std::clamp(std::trunc(W / divisor), 56.0, 260.0));
    const double w = W / double(C);
    const double rows = std::ceil(H / w);
    const auto R = std::max<std::int64_t>(1, std::int64_t(rows));
    return {C, R, w, H / double(R), double(C - 1), rows > 2 ? double(R - 1) : 1};
}

// The pixels of a cell: truncated edges, at least one pixel, never past the
// image.
std::pair<std::int64_t, std::int64_t> span(double cell, std::int64_t index, std::int64_t limit) {
    const auto begin = std::int64_t(std::trunc(cell * double(index)));
    const auto next = std::int64_t(std::trunc(cell * double(index + 1)));
    return {begin, std::min(std::max(begin + 1, next), limit)};
}

}  // namespace plain

class Designs {
public:
    explicit Designs(std::uint64_t seed) : random_(seed) {}

    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }
    bool oneIn(unsigned n) { return random_() % n == 0; }
    std::uint64_t next() { return random_(); }

    // Slider values: half the time a round number, which puts tones and
    // channels exactly on rounding edges; in wild designs far off the sliders.
    double slider(double lo, double hi, double step, bool wild) {
        if (wild) return uniform(lo - (hi - lo), hi + 2 * (hi - lo));
        if (oneIn(2)) return lo + step * double(random_() % std::uint64_t((hi - lo) / step + 1));
        return uniform(lo, hi);
    }

    WallpaperExportSettings design(NotchShape shape) {
        const bool wild = oneIn(5);
        WallpaperExportSettings s;
        s.shape = shape;
        s.seed = oneIn(3) ? random_() % 100000 : random_();
        s.angle = slider(0, 360, 15, wild);
        s.spread = slider(0, 300, 10, wild);
        s.centerX = slider(0, 100, 10, wild);
        s.centerY = slider(0, 100, 10, wild);
        s.phase = slider(0, 360, 45, wild);
        s.frequencyX = slider(0.5, 8, 0.5, wild);
        s.frequencyY = slider(0.5, 8, 0.5, wild);
        s.quantization = wild ? uniform(1, 300) : slider(2, 8, 1, false);
        s.pixelScale = slider(0, 12, 1, wild);
        s.mirror = oneIn(2);
        s.invert = oneIn(2);
        s.okLab = oneIn(2);
        s.dither = DitherMode(random_() % 6);
        s.chroma = oneIn(2) ? slider(0, 20, 1, wild) : 0;
        s.warp = oneIn(2) ? slider(0, 100, 10, wild) : 0;
        s.hue = oneIn(2) ? slider(-180, 180, 30, wild) : 0;
        s.brightness = oneIn(2) ? slider(-100, 100, 10, wild) : 0;
        s.contrast = oneIn(2) ? slider(0, 200, 10, wild) : 100;
        s.noise = oneIn(2) ? slider(0, 100, 10, wild) : 0;
        s.scanlines = oneIn(2);
        s.vignette = oneIn(2);
        s.channel = StyleChannel(random_() % 4);
        const std::size_t count = random_() % 9;
        for (std::size_t i = 0; i < count; ++i) {
            if (i == 0 && oneIn(3))
                s.colors.push_back({std::uint8_t(random_() % 10), std::uint8_t(random_() % 10),
                                    std::uint8_t(random_() % 10)});
            else
                s.colors.push_back({std::uint8_t(random_()), std::uint8_t(random_()), std::uint8_t(random_())});
        }
        return s;
    }

private:
    std::mt19937_64 random_;
};

std::string describe(const WallpaperExportSettings& s) {
    std::ostringstream out;
    out.precision(17);
    out << rawValue(s.shape) << " seed " << s.seed << " angle " << s.angle << " spread " << s.spread << " centre "
        << s.centerX << "," << s.centerY << " phase " << s.phase << " frequencies " << s.frequencyX << ","
        << s.frequencyY << " steps " << s.quantization << " mirror " << s.mirror << " invert " << s.invert
        << " okLab " << s.okLab << " dither " << rawValue(s.dither) << " chroma " << s.chroma << " warp " << s.warp
        << " hue " << s.hue << " brightness " << s.brightness << " contrast " << s.contrast << " noise "
        << s.noise << " pixelScale " << s.pixelScale << " colours " << s.colors.size();
    return out.str();
}

std::string text(RGB c) {
    return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
}

constexpr PixelSize canvasSizes[] = {{1920, 1080}, {3840, 2160}, {6016, 3384}, {1512, 982}, {640, 400}};

TEST(CellColorReference, GridsMatchThePlainFormulas) {
    Designs designs(0x5eed);
    int compared = 0;
    for (int index = 0; index < 18 * 30; ++index) {
        const WallpaperExportSettings s = designs.design(NotchShape(index % 18));
        const PixelSize size = canvasSizes[designs.next() % std::size(canvasSizes)];
        const CellGrid grid = cellGrid(s, double(size.width), double(size.height));
        const plain::Grid expected = plain::grid(s.pixelScale, double(size.width), double(size.height));
        ASSERT_EQ(grid.columns, expected.columns) << describe(s);
        ASSERT_EQ(grid.rows, expected.rows) << describe(s);
        ASSERT_EQ(grid.cellWidth, expected.w);
        ASSERT_EQ(grid.cellHeight, expected.h);

        const CellFinish finish = index % 3 == 0 ? CellFinish::live : CellFinish::raster;
        const auto first = std::int64_t(designs.next() % std::uint64_t(grid.rows));
        const std::int64_t end = std::min(grid.rows, first + 12);
        std::vector<RGB> colors(std::size_t((end - first) * grid.columns));
        CellColorer(s).fillRows(grid, first, end, colors, finish);
        int mismatches = 0;
        for (std::int64_t r = first; r < end; ++r) {
            const double y = double(r) / expected.yDivisor;
            for (std::int64_t c = 0; c < grid.columns; ++c) {
                const double x = double(c) / expected.xDivisor;
                const RGB want = finish == CellFinish::live ? plain::liveCell(s, c, r, x, y)
                                                            : plain::rasterCell(s, c, r, x, y);
                const RGB got = colors[std::size_t((r - first) * grid.columns + c)];
                ++compared;
                if (got != want && ++mismatches <= 2)
                    ADD_FAILURE() << describe(s) << " cell " << c << "," << r << " got " << text(got) << " want "
                                  << text(want);
            }
        }
        // The single-cell entry points.
        const double x = designs.uniform(-0.1, 1.1), y = designs.uniform(0, 1);
        EXPECT_EQ(cellColor(s, 4, 7, x, y), plain::sample(s, 4, 7, x, y)) << describe(s);
        EXPECT_EQ(adjustCell(RGB{200, 30, 90}, s, 7, 4), plain::adjust(RGB{200, 30, 90}, s, 7, 4)) << describe(s);
        EXPECT_EQ(hasVisibleContrast(s), plain::visibleContrast(s)) << describe(s);
    }
    EXPECT_GT(compared, 100000);
}

TEST(CellColorReference, SpansOfEveryCell) {
    Designs designs(31);
    for (int i = 0; i < 400; ++i) {
        WallpaperExportSettings s;
        s.pixelScale = designs.oneIn(2) ? double(designs.next() % 40) / 4 : designs.uniform(0, 20);
        const auto width = std::int64_t(100 + designs.next() % 6000);
        const auto height = std::int64_t(50 + designs.next() % 4000);
        const CellGrid grid = cellGrid(s, double(width), double(height));
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const auto [begin, end] = plain::span(double(width) / double(grid.columns), c, width);
            ASSERT_EQ(grid.columnSpan(c, width).begin, begin) << width << " column " << c;
            ASSERT_EQ(grid.columnSpan(c, width).end, end) << width << " column " << c;
        }
        for (std::int64_t r = 0; r < grid.rows; ++r) {
            const auto [begin, end] = plain::span(double(height) / double(grid.rows), r, height);
            ASSERT_EQ(grid.rowSpan(r, height).begin, begin) << height << " row " << r;
            ASSERT_EQ(grid.rowSpan(r, height).end, end) << height << " row " << r;
        }
    }
}

TEST(CellColorReference, HueShiftsOfEveryKindOfColour) {
    Designs designs(77);
    for (int i = 0; i < 200000; ++i) {
        const RGB color{std::uint8_t(designs.next()), std::uint8_t(designs.next()), std::uint8_t(designs.next())};
        const double degrees =
            designs.oneIn(2) ? double(int(designs.next() % 721) - 360) : designs.uniform(-720, 720);
        ASSERT_EQ(hueShift(color, degrees), plain::hueShift(color, degrees)) << text(color) << " by " << degrees;
    }
}

TEST(CellColorReference, BayerThresholdsMatchTheBlockConstruction) {
    for (int size : {2, 4, 8, 16})
        for (std::int64_t row = 0; row < 40; ++row)
            for (std::int64_t column = 0; column < 40; ++column)
                ASSERT_EQ(bayerThreshold(size, row, column),
                          double(plain::bayerIndex(size, row, column)) / (size * size))
                    << size << " " << row << "," << column;
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
