#include "render/smooth_frame_kernels.hpp"

#include "render/smooth_frame_rows.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>


namespace glimora::WallpaperRenderer {

using detail::Darkening;
using detail::GlowRow;
using detail::RowPlan;
using detail::VignetteRow;

namespace {

// Beyond these the single-precision lanes could overflow or lose whole
// pixels; such canvases go through the passes, which are exact anywhere.
constexpr double largestCoordinate = 1e7;
constexpr std::int64_t widestRow = std::int64_t(1) << 20;
constexpr double largestRampValue = 1e300;


std::uint32_t swapped(std::uint32_t word) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &word, 4);
    std::swap(bytes[0], bytes[2]);
    std::memcpy(&word, bytes, 4);
    return word;
}

// blendChannel on all four bytes of a word; alpha stays opaque as both are.
std::uint32_t blendWord(std::uint32_t dst, std::uint32_t src, std::uint32_t level) {
    std::uint8_t d[4], s[4];
    std::memcpy(d, &dst, 4);
    std::memcpy(s, &src, 4);
    for (int c = 0; c < 4; ++c) d[c] = blendChannel(d[c], s[c], level);
    std::memcpy(&dst, d, 4);
    return dst;
}

// detail::radialLevels for one pixel, `index` pixels from the one whose
// centre lies `start` from the ramp's centre.
std::uint32_t radialLevel(float start, std::int32_t index, float dySquared, float offset, float slope, float high,
                          float span) {
    const float dx = start + float(index);
    const float d = std::sqrt(dx * dx + dySquared);
    const float t = std::min(std::max((d - offset) * slope, 0.0f), 1.0f);
    return std::uint32_t(high + span * t + 0.5f);
}


}  // namespace

RowRange rowsOf(double top, double bottom, double scale, std::int64_t rowBegin, std::int64_t rowEnd) {
    const CoverageSpan span = coverageSpan(top * scale, bottom * scale, rowEnd);
    return {std::max(span.begin, rowBegin), std::max(std::min(span.end, rowEnd), rowBegin)};
}

float rowCoverage(std::int64_t row, double top, double bottom, double scale) {
    const double a = std::max(double(row), top * scale);
    const double b = std::min(double(row + 1), bottom * scale);
    return b > a ? float(b - a) : 0.0f;
}

SmoothGradientLayout smoothGradientLayout(const WallpaperExportSettings& settings, std::span<const RGB> colors,
                                          double width, double height) {
    constexpr double pi = std::numbers::pi;
    const double b = (settings.angle + 0.15 * settings.phase) * pi / 180;
    SmoothGradientLayout layout;
    layout.startX = (0.5 - 0.7 * std::cos(b)) * width;
    layout.startY = (0.5 - 0.7 * std::sin(b)) * height;
    layout.endX = (0.7 * std::cos(b) + 0.5) * width;
    layout.endY = (0.7 * std::sin(b) + 0.5) * height;

    const double cx = std::clamp(settings.centerX / 100, 0.0, 1.0);
    const double cy = std::clamp(settings.centerY / 100, 0.0, 1.0);
    const double reach = std::clamp(settings.spread / 260, 0.18, 1.2);
    const double r1 = std::max(0.16 * std::min(width, height),
                               (std::isnan(reach) ? 0.18 : reach) * std::max(width, height));
    layout.accent = {(std::isnan(cx) ? 0 : cx) * width, (std::isnan(cy) ? 0 : cy) * height, r1, colors.back(), 0.48};
    layout.counterLight = {(1 - (std::isnan(cx) ? 0 : cx)) * width,
                           (0.72 + 0.08 * std::sin(settings.phase * pi / 180)) * height, 0.78 * r1,
                           colors.front(), 0.24};
    return layout;
}

SmoothOverlayLayout smoothOverlayLayout(const WallpaperExportSettings& settings, double width, double height) {
    SmoothOverlayLayout layout;
    layout.scanlines = settings.scanlines;
    layout.pitch = std::max(height / 140, 2.0);
    layout.bandHeight = std::max(0.12 * height / 140, 0.6);
    layout.vignette = settings.vignette;
    layout.darkening = {width / 2, height / 2, 0.12 * std::min(width, height), 0.72 * std::max(width, height), 0.72};
    return layout;
}

const std::uint32_t* SmoothRampTable::table(std::span<const RGB> colors, bool swapRedAndBlue) {
    if (made_ && swapped_ == swapRedAndBlue && std::equal(colors.begin(), colors.end(), colors_.begin(), colors_.end()))
        return table_.data();
    colors_.assign(colors.begin(), colors.end());
    swapped_ = swapRedAndBlue;
    linearRampTable(colors, std::span<std::uint32_t, linearRampSteps>(table_.data(), linearRampSteps));
    if (swapRedAndBlue)
        for (std::uint32_t& entry : table_) entry = swapped(entry);
    std::fill(table_.begin() + linearRampSteps, table_.end(), table_[linearRampSteps - 1]);
    made_ = true;
    return table_.data();
}

bool SmoothFrame::prepare(const WallpaperExportSettings& settings, std::span<const RGB> colors,
                          const CanvasPixels& pixels, double scale, double width, double height, bool overlays,
                          bool swapRedAndBlue, SmoothRampTable& ramps) {
    pixels_ = pixels;
    scale_ = scale;
    if (colors.empty() || pixels.width > widestRow) return false;
    const auto word = [&](RGB color) { return swapRedAndBlue ? swapped(opaquePixel(color)) : opaquePixel(color); };

    // The ramp, as paintLinearRamp paints it.
    const SmoothGradientLayout layout = smoothGradientLayout(settings, colors, width, height);
    startX_ = layout.startX;
    startY_ = layout.startY;
    dx_ = layout.endX - layout.startX;
    dy_ = layout.endY - layout.startY;
    lengthSquared_ = dx_ * dx_ + dy_ * dy_;
    solid_ = colors.size() == 1 || !(lengthSquared_ > 0) || !std::isfinite(lengthSquared_);
    if (solid_) {
        solidWord_ = word(colors.size() == 1 ? colors.front() : colors.back());
    } else {
        table_ = ramps.table(colors, swapRedAndBlue);
        stepX_ = dx_ / lengthSquared_ / scale;
        const double across = stepX_ * double(pixels.width);
        if (!(std::abs(across) <= largestRampValue)) return false;
        for (const std::int64_t y : {std::int64_t(0), pixels.height - 1}) {
            const double py = (double(y) + 0.5) / scale;
            const double start = (((double(0) + 0.5) / scale - startX_) * dx_ + (py - startY_) * dy_) / lengthSquared_;
            if (!(std::abs(start) <= largestRampValue)) return false;
        }
    }

    // The glows, as paintRadialGlow paints them.
    for (std::size_t g = 0; g < 2; ++g) {
        const RadialGlow& glow = g == 0 ? layout.accent : layout.counterLight;
        Glow& out = glows_[g];
        out = {};
        const double radius = glow.radius * scale;
        if (!(radius > 0) || !std::isfinite(radius) || !(glow.opacity > 0)) continue;
        const double cx = glow.centerX * scale;
        const double cy = glow.centerY * scale;
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        out = {true, cx, cy, radius, float(cx), float(1 / radius), 255.0f * float(std::min(glow.opacity, 1.0)),
               word(glow.color)};
        if (!(std::abs(cx) <= largestCoordinate && std::abs(cy) <= largestCoordinate &&
              radius <= largestCoordinate && std::isfinite(out.slope)))
            return false;
    }

    // The overlays, as drawLiveSmoothOverlays paints them.
    vignette_ = {};
    scanBandCount_ = 0;
    if (!overlays) return true;
    const SmoothOverlayLayout overlay = smoothOverlayLayout(settings, width, height);
    if (overlay.scanlines) {
        // Each pixel row must meet few bands for the rows' lists to hold them.
        if (!(2 * overlay.pitch * scale >= 0.5)) return false;
        across_ = coverageSpan(0, width * scale, pixels.width);
        for (std::int64_t k = 0; 2 * overlay.pitch * double(k) < height; ++k) {
            const double top = 2 * overlay.pitch * double(k);
            const double bottom = top + overlay.bandHeight;
            const RowRange rows = rowsOf(top, bottom, scale, 0, pixels.height);
            if (rows.end <= rows.begin) continue;
            if (scanBandCount_ == maximumScanBands) return false;
            scanBands_[scanBandCount_++] = {top, bottom, rows.begin, rows.end};
        }
    }
    const RadialDarkening& ramp = overlay.darkening;
    if (overlay.vignette && ramp.peak > 0) {
        const double cx = ramp.centerX * scale;
        const double cy = ramp.centerY * scale;
        const double inner = ramp.inner * scale;
        const double outer = ramp.outer * scale;
        if (std::isfinite(cx) && std::isfinite(cy) && std::isfinite(inner) && std::isfinite(outer)) {
            const double range = outer - inner;
            const double middle = range > 0 ? inner + 0.5 * range : outer;
            const float slope = range > 0 ? float(1 / (0.5 * range)) : 1e30f;
            vignette_ = {true, cx, cy, middle, float(cx), float(middle), slope, 255.0f * float(std::min(ramp.peak, 1.0))};
            if (!(std::abs(cx) <= largestCoordinate && std::abs(cy) <= largestCoordinate &&
                  std::abs(middle) <= largestCoordinate && std::isfinite(slope)))
                return false;
        }
    }
    return true;
}

namespace {

// What row y needs of the frame: the ramp's position at its first pixel, the
// glows' chords, the vignette's clear stretch and the scanline bands over it.
struct RowPlanner {
    const CanvasPixels& pixels;
    double scale;
    double startX, startY, dx, dy, lengthSquared;
    const std::array<SmoothFrame::Glow, 2>& glows;
    const SmoothFrame::Vignette& vignette;
    std::span<const SmoothFrame::ScanBand> bands;
    const CoverageSpan& across;
    std::size_t nextBand = 0;  // the first band that may reach this row or a later one

    void plan(std::int64_t y, RowPlan& row) {
        const double px = (double(0) + 0.5) / scale;
        const double py = (double(y) + 0.5) / scale;
        row.rampStart = ((px - startX) * dx + (py - startY) * dy) / lengthSquared;
        const std::int64_t width = pixels.width;
        for (std::size_t g = 0; g < 2; ++g) {
            const SmoothFrame::Glow& glow = glows[g];
            GlowRow& out = row.glows[g];
            out.on = false;
            if (!glow.on) continue;
            const double gy = double(y) + 0.5 - glow.centerY;
            const double reachSquared = glow.radius * glow.radius - gy * gy;
            if (!(reachSquared > 0)) continue;
            const double reach = std::sqrt(reachSquared);
            const auto x0 = std::int64_t(std::clamp(std::floor(glow.centerX - reach), 0.0, double(width)));
            const auto x1 = std::int64_t(std::clamp(std::ceil(glow.centerX + reach), 0.0, double(width)));
            if (x1 <= x0) continue;
            out = {true, x0, x1, float(x0) + 0.5f - glow.levelCenterX, float(gy * gy)};
        }

        VignetteRow& v = row.vignette;
        v.on = vignette.on;
        if (v.on) {
            const double vy = double(y) + 0.5 - vignette.centerY;
            v.dySquared = float(vy * vy);
            v.skipBegin = v.skipEnd = width;
            const double clearSquared = vignette.middle * vignette.middle - vy * vy;
            if (clearSquared > 0) {
                const double reach = std::sqrt(clearSquared);
                const double cx = vignette.centerX;
                v.skipBegin = std::int64_t(std::clamp(std::ceil(cx - reach - 0.5) + 1, 0.0, double(width)));
                v.skipEnd = std::int64_t(std::clamp(std::floor(cx + reach - 0.5), 0.0, double(width)));
                if (v.skipEnd < v.skipBegin) v.skipBegin = v.skipEnd = width;
            }
            v.startBefore = float(0) + 0.5f - vignette.levelCenterX;
            v.startAfter = float(v.skipEnd) + 0.5f - vignette.levelCenterX;
        }

        row.darkeningCount = 0;
        while (nextBand < bands.size() && bands[nextBand].rowEnd <= y) ++nextBand;
        if (across.empty()) return;
        for (std::size_t k = nextBand; k < bands.size() && bands[k].rowBegin <= y; ++k) {
            const SmoothFrame::ScanBand& band = bands[k];
            if (y >= band.rowEnd || row.darkeningCount == detail::rowDarkenings) continue;
            const float rowAlpha = 0.1f * rowCoverage(y, band.top, band.bottom, scale);
            const std::uint32_t inner = alphaLevel(rowAlpha);
            if (inner == 0) continue;
            row.darkenings[row.darkeningCount++] = {across.begin, across.end, alphaLevel(rowAlpha * across.first),
                                                    inner, alphaLevel(rowAlpha * across.last)};
        }
    }
};

}  // namespace

namespace detail {

// Pixels x...end-1 of a row, one at a time.
void paintPixels(const RowPlan& row, const SmoothFrame::Glow* glows, const SmoothFrame::Vignette& vignette,
                 bool solid, std::uint32_t solidWord, const std::uint32_t* table, double stepX, std::uint8_t* out,
                 std::int64_t x, std::int64_t end) {
    for (; x < end; ++x) {
        std::uint32_t pixel = solidWord;
        if (!solid) {
            const double t = row.rampStart + double(x) * stepX;
            const double index = std::clamp(t, 0.0, 1.0) * (linearRampSteps - 1) + 0.5;
            pixel = table[std::size_t(index)];
        }
        for (std::size_t g = 0; g < 2; ++g) {
            const GlowRow& glow = row.glows[g];
            if (!glow.on || x < glow.x0 || x >= glow.x1) continue;
            const SmoothFrame::Glow& frameGlow = glows[g];
            const std::uint32_t level = radialLevel(glow.start, std::int32_t(x - glow.x0), glow.dySquared, 0.0f,
                                                    frameGlow.slope, frameGlow.high, 0.0f - frameGlow.high);
            pixel = blendWord(pixel, frameGlow.color, level);
        }
        for (std::size_t k = 0; k < row.darkeningCount; ++k) {
            const Darkening& d = row.darkenings[k];
            if (x < d.begin || x >= d.end) continue;
            const std::uint32_t level = x == d.begin ? d.first : x == d.end - 1 ? d.last : d.inner;
            pixel = blendWord(pixel, opaquePixel({0, 0, 0}), level);
        }
        const VignetteRow& v = row.vignette;
        if (v.on && (x < v.skipBegin || x >= v.skipEnd)) {
            const bool after = x >= v.skipEnd;
            const std::uint32_t level =
                radialLevel(after ? v.startAfter : v.startBefore, std::int32_t(after ? x - v.skipEnd : x),
                            v.dySquared, vignette.offset, vignette.slope, 0.0f, vignette.peak - 0.0f);
            pixel = blendWord(pixel, opaquePixel({0, 0, 0}), level);
        }
        std::memcpy(out + 4 * x, &pixel, 4);
    }
}

}  // namespace detail

void SmoothFrame::paintRows(std::int64_t rowBegin, std::int64_t rowEnd, bool vector) const {
    RowPlanner planner{pixels_, scale_, startX_, startY_, dx_, dy_, lengthSquared_, glows_, vignette_,
                       std::span<const ScanBand>(scanBands_.data(), scanBandCount_), across_};
    RowPlan row;
    for (std::int64_t y = std::max<std::int64_t>(rowBegin, 0); y < std::min(rowEnd, pixels_.height); ++y) {
        planner.plan(y, row);
        std::uint8_t* out = rowPointer(pixels_, y);
#ifdef GLIMORA_SMOOTH_AVX2
        if (vector) {
            detail::paintRowVector(row, glows_.data(), vignette_, solid_, solidWord_, table_, stepX_, out, pixels_.width);
            continue;
        }
#endif
        (void)vector;
        detail::paintPixels(row, glows_.data(), vignette_, solid_, solidWord_, table_, stepX_, out, 0,
                            pixels_.width);
    }
}

}  // namespace glimora::WallpaperRenderer
