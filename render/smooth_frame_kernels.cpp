#include "render/smooth_frame_kernels.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GLIMORA_SMOOTH_AVX2 1
#define GLIMORA_AVX2 __attribute__((target("avx2")))
#endif

namespace glimora::WallpaperRenderer {

namespace {

// Beyond these the single-precision lanes could overflow or lose whole
// pixels; such canvases go through the passes, which are exact anywhere.
constexpr double largestCoordinate = 1e7;
constexpr std::int64_t widestRow = std::int64_t(1) << 20;
constexpr double largestRampValue = 1e300;

// Scanline bands one pixel row may meet at the scales the kernels accept.
constexpr std::size_t rowDarkenings = 8;

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

struct GlowRow {
    bool on = false;
    std::int64_t x0 = 0;
    std::int64_t x1 = 0;
    float start = 0;
    float dySquared = 0;
};

struct VignetteRow {
    bool on = false;
    std::int64_t skipBegin = 0;
    std::int64_t skipEnd = 0;
    float startBefore = 0;  // for pixels 0...skipBegin-1, measured from pixel 0
    float startAfter = 0;   // for pixels skipEnd..., measured from skipEnd
    float dySquared = 0;
};

// One scanline band across a row: paintSpan's levels for its first, inner
// and last pixel.
struct Darkening {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::uint32_t first = 0;
    std::uint32_t inner = 0;
    std::uint32_t last = 0;
};

struct RowPlan {
    double rampStart = 0;
    std::array<GlowRow, 2> glows;
    VignetteRow vignette;
    std::array<Darkening, rowDarkenings> darkenings;
    std::size_t darkeningCount = 0;
};

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
            if (y >= band.rowEnd || row.darkeningCount == rowDarkenings) continue;
            const float rowAlpha = 0.1f * rowCoverage(y, band.top, band.bottom, scale);
            const std::uint32_t inner = alphaLevel(rowAlpha);
            if (inner == 0) continue;
            row.darkenings[row.darkeningCount++] = {across.begin, across.end, alphaLevel(rowAlpha * across.first),
                                                    inner, alphaLevel(rowAlpha * across.last)};
        }
    }
};

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

#ifdef GLIMORA_SMOOTH_AVX2

// A radial ramp's constants on eight lanes, for detail::radialLevels'
// arithmetic operation for operation, less the three that cannot change a
// value here: for the glows, subtracting their offset of 0 (d - 0 is d) and
// raising d * slope to 0 (d is never negative, the slope positive and both
// finite); for the vignette, adding its high level of 0 (0 + peak * t is
// peak * t, t never being -0).
struct LevelLanes {
    __m256 dySquared, offset, slope, high, span;
};

GLIMORA_AVX2 inline LevelLanes levelLanes(float dySquared, float offset, float slope, float high, float span) {
    return {_mm256_set1_ps(dySquared), _mm256_set1_ps(offset), _mm256_set1_ps(slope), _mm256_set1_ps(high),
            _mm256_set1_ps(span)};
}

// Glows have an offset of 0, the vignette a high level of 0.
template <bool Glow>
GLIMORA_AVX2 inline __m256i levelsOf(const LevelLanes& ramp, __m256 dx) {
    __m256 d = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(dx, dx), ramp.dySquared));
    if constexpr (!Glow) d = _mm256_sub_ps(d, ramp.offset);
    __m256 t = _mm256_mul_ps(d, ramp.slope);
    if constexpr (!Glow) t = _mm256_max_ps(t, _mm256_setzero_ps());
    t = _mm256_min_ps(t, _mm256_set1_ps(1.0f));
    __m256 level = _mm256_mul_ps(ramp.span, t);
    if constexpr (Glow) level = _mm256_add_ps(ramp.high, level);
    return _mm256_cvttps_epi32(_mm256_add_ps(level, _mm256_set1_ps(0.5f)));
}

// blendChannel on 16-bit lanes: t = src * level + dst * (255 - level) + 128,
// then (t + (t >> 8)) >> 8, which for every t below 65536 is (t * 257) >> 16.
// Every product sum stays below 65536, so the lanes hold it exactly.
GLIMORA_AVX2 inline __m256i mixLanes(__m256i dst, __m256i source, __m256i level) {
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(source, level),
                                 _mm256_mullo_epi16(dst, _mm256_sub_epi16(_mm256_set1_epi16(255), level)));
    t = _mm256_add_epi16(t, _mm256_set1_epi16(128));
    return _mm256_mulhi_epu16(t, _mm256_set1_epi16(257));
}

// paintLinearRamp's table index of four pixels: clamp(start + x * step) *
// 4095 + 0.5, truncated.
GLIMORA_AVX2 inline __m128i rampIndices(__m256d columns, __m256d start, __m256d step) {
    const __m256d t = _mm256_add_pd(start, _mm256_mul_pd(columns, step));
    const __m256d clamped = _mm256_min_pd(_mm256_max_pd(t, _mm256_setzero_pd()), _mm256_set1_pd(1.0));
    return _mm256_cvttpd_epi32(
        _mm256_add_pd(_mm256_mul_pd(clamped, _mm256_set1_pd(linearRampSteps - 1)), _mm256_set1_pd(0.5)));
}

// Blends eight pixels held as 16-bit channels: `low` has pixels 0, 1 | 4, 5
// and `high` 2, 3 | 6, 7 (AVX2 unpacks within 128-bit halves).
GLIMORA_AVX2 inline void blendLanes(__m256i& low, __m256i& high, __m256i source, __m256i levels) {
    const __m256i pickLow = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 4, -1, 4, -1, 4, -1, 4, -1,  //
                                             0, -1, 0, -1, 0, -1, 0, -1, 4, -1, 4, -1, 4, -1, 4, -1);
    const __m256i pickHigh = _mm256_setr_epi8(8, -1, 8, -1, 8, -1, 8, -1, 12, -1, 12, -1, 12, -1, 12, -1,  //
                                              8, -1, 8, -1, 8, -1, 8, -1, 12, -1, 12, -1, 12, -1, 12, -1);
    low = mixLanes(low, source, _mm256_shuffle_epi8(levels, pickLow));
    high = mixLanes(high, source, _mm256_shuffle_epi8(levels, pickHigh));
}

GLIMORA_AVX2 inline __m256i channelsOf(std::uint32_t word) {
    return _mm256_unpacklo_epi8(_mm256_set1_epi32(int(word)), _mm256_setzero_si256());
}

// Lanes x...x+7 inside begin...end-1.
GLIMORA_AVX2 inline __m256i inside(__m256i lanes, std::int32_t begin, std::int32_t end) {
    return _mm256_and_si256(_mm256_cmpgt_epi32(lanes, _mm256_set1_epi32(begin - 1)),
                            _mm256_cmpgt_epi32(_mm256_set1_epi32(end), lanes));
}

// A radial ramp of one row in registers: its levels count from pixel
// `origin`, whose centre lies `start` from the ramp's centre.
struct RampLanes {
    __m256 start;
    std::int32_t origin;
    LevelLanes levels;
};

// Everything a row's pixels need, out of the plans and in locals: the stores
// into the row could alias the plans and make the compiler reload them.
struct RowLanes {
    const std::uint32_t* table;
    bool solid;
    __m256i solidPixel;
    __m256d rampStart, rampStep;
    bool accentOn, counterOn;
    std::int32_t accentBegin, accentEnd, counterBegin, counterEnd;
    RampLanes accent, counterLight;
    __m256i accentColor, counterColor;
    bool vignetteOn;
    std::int32_t skipBegin, skipEnd;
    RampLanes before, after;  // the vignette before and after its clear stretch
    std::size_t darkeningCount;
    std::array<Darkening, rowDarkenings> darkenings;
};

GLIMORA_AVX2 inline __m256i rampPixels(const RowLanes& row, std::int32_t x) {
    if (row.solid) return row.solidPixel;
    const __m256d columns = _mm256_add_pd(_mm256_set1_pd(double(x)), _mm256_setr_pd(0, 1, 2, 3));
    const __m256i indices =
        _mm256_set_m128i(rampIndices(_mm256_add_pd(columns, _mm256_set1_pd(4)), row.rampStart, row.rampStep),
                         rampIndices(columns, row.rampStart, row.rampStep));
    // Every step of the index arithmetic is monotonic in x, so the first and
    // last lane bound the others; eight neighbours seldom reach further than
    // sixteen entries, which two loads and permutes fetch faster than a gather.
    const int first = _mm256_cvtsi256_si32(indices);
    const int last = _mm256_extract_epi32(indices, 7);
    const int lowest = std::min(first, last);
    const int reach = std::max(first, last) - lowest;
    if (reach < 16) {
        const std::uint32_t* entries = row.table + lowest;
        const __m256i offsets = _mm256_sub_epi32(indices, _mm256_set1_epi32(lowest));
        const __m256i near = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries)), offsets);
        if (reach < 8) return near;
        const __m256i far = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries + 8)), offsets);
        return _mm256_blendv_epi8(near, far, _mm256_cmpgt_epi32(offsets, _mm256_set1_epi32(7)));
    }
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(row.table), indices, 4);
}

// Lanes x...x+7 counted from a radial ramp's origin.
GLIMORA_AVX2 inline __m256 laneIndices(const RampLanes& ramp, __m256i lanes) {
    return _mm256_cvtepi32_ps(_mm256_sub_epi32(lanes, _mm256_set1_epi32(ramp.origin)));
}

// The levels of lanes x...x+7 of a radial ramp.
template <bool Glow>
GLIMORA_AVX2 inline __m256i rampLevels(const RampLanes& ramp, __m256i lanes) {
    return levelsOf<Glow>(ramp.levels, _mm256_add_ps(ramp.start, laneIndices(ramp, lanes)));
}

GLIMORA_AVX2 inline RampLanes glowRamp(const GlowRow& row, const SmoothFrame::Glow& glow) {
    return {_mm256_set1_ps(row.start), std::int32_t(row.x0),
            levelLanes(row.dySquared, 0.0f, glow.slope, glow.high, 0.0f - glow.high)};
}

// Pixels x...x+7 with every overlap tested lane by lane: the chunks where a
// glow's chord, a scanline band or the vignette's clear stretch begins or
// ends, and rows under several scanline bands.
GLIMORA_AVX2 inline __m256i chunkMasked(const RowLanes& row, std::int32_t x) {
    const __m256i lanes = _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i pixel = rampPixels(row, x);
    __m256i low = _mm256_unpacklo_epi8(pixel, _mm256_setzero_si256());
    __m256i high = _mm256_unpackhi_epi8(pixel, _mm256_setzero_si256());
    // Outside a glow's chord the passes leave a pixel alone; level 0 does too.
    if (row.accentOn && x < row.accentEnd && x + 8 > row.accentBegin)
        blendLanes(low, high, row.accentColor,
                   _mm256_and_si256(rampLevels<true>(row.accent, lanes), inside(lanes, row.accentBegin, row.accentEnd)));
    if (row.counterOn && x < row.counterEnd && x + 8 > row.counterBegin)
        blendLanes(low, high, row.counterColor,
                   _mm256_and_si256(rampLevels<true>(row.counterLight, lanes),
                                    inside(lanes, row.counterBegin, row.counterEnd)));
    const __m256i black = channelsOf(opaquePixel({0, 0, 0}));
    for (std::size_t k = 0; k < row.darkeningCount; ++k) {
        const Darkening& d = row.darkenings[k];
        if (x >= d.end || x + 8 <= d.begin) continue;
        const auto begin = std::int32_t(d.begin), end = std::int32_t(d.end);
        __m256i levels = _mm256_and_si256(_mm256_set1_epi32(int(d.inner)), inside(lanes, begin, end));
        levels = _mm256_blendv_epi8(levels, _mm256_set1_epi32(int(d.last)),
                                    _mm256_cmpeq_epi32(lanes, _mm256_set1_epi32(end - 1)));
        levels = _mm256_blendv_epi8(levels, _mm256_set1_epi32(int(d.first)),
                                    _mm256_cmpeq_epi32(lanes, _mm256_set1_epi32(begin)));
        blendLanes(low, high, black, levels);
    }
    if (row.vignetteOn && !(x >= row.skipBegin && x + 8 <= row.skipEnd)) {
        // Lanes before the clear stretch count from pixel 0, lanes after it
        // from its end; the stretch itself is left alone.
        const __m256i after = _mm256_cmpgt_epi32(lanes, _mm256_set1_epi32(row.skipEnd - 1));
        const __m256i levels = _mm256_blendv_epi8(rampLevels<false>(row.before, lanes), rampLevels<false>(row.after, lanes), after);
        blendLanes(low, high, black, _mm256_andnot_si256(inside(lanes, row.skipBegin, row.skipEnd), levels));
    }
    return _mm256_packus_epi16(low, high);
}

// A stretch of whole chunks that every effect present covers entirely: no
// lane tests. The scanline band's inner level is the same for every pixel.
template <bool Accent, bool Counter, bool Darken, bool Shade>
GLIMORA_AVX2 void runCovered(const RowLanes& row, const RampLanes& vignette, std::uint8_t* out, std::int32_t from,
                             std::int32_t to) {
    // In locals, which the stores cannot alias.
    RowLanes ramp;
    ramp.table = row.table;
    ramp.solid = row.solid;
    ramp.solidPixel = row.solidPixel;
    ramp.rampStart = row.rampStart;
    ramp.rampStep = row.rampStep;
    const RampLanes accent = row.accent, counterLight = row.counterLight, shade = vignette;
    const __m256i accentColor = row.accentColor, counterColor = row.counterColor;
    const __m256i black = channelsOf(opaquePixel({0, 0, 0}));
    const __m256i darkLevel = _mm256_set1_epi32(int(row.darkeningCount ? row.darkenings[0].inner : 0));
    // Each ramp's pixel indices from its origin as floats, stepped by 8:
    // whole numbers this small step exactly, as float(x - origin) gives them.
    const __m256i lanes = _mm256_add_epi32(_mm256_set1_epi32(from), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    __m256 accentIndex = laneIndices(accent, lanes), counterIndex = laneIndices(counterLight, lanes),
           shadeIndex = laneIndices(shade, lanes);
    const __m256 eight = _mm256_set1_ps(8);
    for (std::int32_t x = from; x < to; x += 8) {
        __m256i pixel = rampPixels(ramp, x);
        if constexpr (Accent || Counter || Darken || Shade) {
            __m256i low = _mm256_unpacklo_epi8(pixel, _mm256_setzero_si256());
            __m256i high = _mm256_unpackhi_epi8(pixel, _mm256_setzero_si256());
            if constexpr (Accent) {
                blendLanes(low, high, accentColor,
                           levelsOf<true>(accent.levels, _mm256_add_ps(accent.start, accentIndex)));
                accentIndex = _mm256_add_ps(accentIndex, eight);
            }
            if constexpr (Counter) {
                blendLanes(low, high, counterColor,
                           levelsOf<true>(counterLight.levels, _mm256_add_ps(counterLight.start, counterIndex)));
                counterIndex = _mm256_add_ps(counterIndex, eight);
            }
            if constexpr (Darken) blendLanes(low, high, black, darkLevel);
            if constexpr (Shade) {
                blendLanes(low, high, black, levelsOf<false>(shade.levels, _mm256_add_ps(shade.start, shadeIndex)));
                shadeIndex = _mm256_add_ps(shadeIndex, eight);
            }
            pixel = _mm256_packus_epi16(low, high);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * std::int64_t(x)), pixel);
    }
}

using CoveredRun = void (*)(const RowLanes&, const RampLanes&, std::uint8_t*, std::int32_t, std::int32_t);

template <int Flags>
constexpr CoveredRun coveredRun = runCovered<(Flags & 1) != 0, (Flags & 2) != 0, (Flags & 4) != 0, (Flags & 8) != 0>;

constexpr CoveredRun coveredRuns[16] = {
    coveredRun<0>, coveredRun<1>, coveredRun<2>,  coveredRun<3>,  coveredRun<4>,  coveredRun<5>,
    coveredRun<6>, coveredRun<7>, coveredRun<8>,  coveredRun<9>,  coveredRun<10>, coveredRun<11>,
    coveredRun<12>, coveredRun<13>, coveredRun<14>, coveredRun<15>};

GLIMORA_AVX2 void paintRowVector(const RowPlan& plan, const SmoothFrame::Glow* glows,
                                 const SmoothFrame::Vignette& vignette, bool solid, std::uint32_t solidWord,
                                 const std::uint32_t* table, double stepX, std::uint8_t* out, std::int64_t width) {
    const auto whole = std::int32_t(width & ~std::int64_t(7));  // the pixels in whole chunks
    const VignetteRow& v = plan.vignette;
    const LevelLanes shading = levelLanes(v.dySquared, vignette.offset, vignette.slope, 0.0f, vignette.peak - 0.0f);
    const RowLanes row{table,
                       solid,
                       _mm256_set1_epi32(int(solidWord)),
                       _mm256_set1_pd(plan.rampStart),
                       _mm256_set1_pd(stepX),
                       plan.glows[0].on,
                       plan.glows[1].on,
                       std::int32_t(plan.glows[0].x0),
                       std::int32_t(plan.glows[0].x1),
                       std::int32_t(plan.glows[1].x0),
                       std::int32_t(plan.glows[1].x1),
                       glowRamp(plan.glows[0], glows[0]),
                       glowRamp(plan.glows[1], glows[1]),
                       channelsOf(glows[0].color),
                       channelsOf(glows[1].color),
                       v.on,
                       std::int32_t(v.skipBegin),
                       std::int32_t(v.skipEnd),
                       {_mm256_set1_ps(v.startBefore), 0, shading},
                       {_mm256_set1_ps(v.startAfter), std::int32_t(v.skipEnd), shading},
                       plan.darkeningCount,
                       plan.darkenings};

    // Cut the row where any effect begins or ends: between two cuts every
    // chunk is either covered whole by an effect or not touched by it, but
    // for the single chunks holding an effect's edge, tested lane by lane.
    std::array<std::int32_t, 32> cuts;
    std::size_t cutCount = 0;
    const auto cutAround = [&](std::int64_t edge) {
        const auto at = std::int32_t(std::clamp<std::int64_t>(edge, 0, whole));
        cuts[cutCount++] = at & ~7;
        cuts[cutCount++] = std::min((at + 7) & ~7, whole);
    };
    cutAround(0);
    cutAround(whole);
    if (row.accentOn) cutAround(row.accentBegin), cutAround(row.accentEnd);
    if (row.counterOn) cutAround(row.counterBegin), cutAround(row.counterEnd);
    if (row.vignetteOn) cutAround(row.skipBegin), cutAround(row.skipEnd);
    const bool oneBand = row.darkeningCount == 1;
    if (oneBand) {
        const Darkening& d = row.darkenings[0];
        cutAround(d.begin), cutAround(d.begin + 1), cutAround(d.end - 1), cutAround(d.end);
    }
    // A few dozen values: sorted in place, no library call.
    for (std::size_t i = 1; i < cutCount; ++i) {
        const std::int32_t value = cuts[i];
        std::size_t j = i;
        for (; j > 0 && cuts[j - 1] > value; --j) cuts[j] = cuts[j - 1];
        cuts[j] = value;
    }

    // How an effect over begin...end-1 meets the stretch from...to-1.
    enum Meeting { apart, covered, edge };
    const auto meet = [](std::int64_t begin, std::int64_t end, std::int32_t from, std::int32_t to) {
        if (to <= begin || from >= end) return apart;
        return begin <= from && to <= end ? covered : edge;
    };
    for (std::size_t c = 0; c + 1 < cutCount; ++c) {
        const std::int32_t from = cuts[c];
        const std::int32_t to = cuts[c + 1];
        if (from >= to) continue;
        bool masked = row.darkeningCount > 1;
        int flags = 0;
        const auto add = [&](bool on, std::int64_t begin, std::int64_t end, int flag) {
            if (!on) return;
            const Meeting m = meet(begin, end, from, to);
            if (m == edge) masked = true;
            if (m == covered) flags |= flag;
        };
        add(row.accentOn, row.accentBegin, row.accentEnd, 1);
        add(row.counterOn, row.counterBegin, row.counterEnd, 2);
        if (oneBand) {
            const Darkening& d = row.darkenings[0];
            // Its first and last pixel have levels of their own.
            if (meet(d.begin, d.end, from, to) != apart && meet(d.begin + 1, d.end - 1, from, to) != covered)
                masked = true;
            else if (meet(d.begin, d.end, from, to) != apart)
                flags |= 4;
        }
        const RampLanes* shade = &row.before;
        if (row.vignetteOn) {
            const Meeting before = meet(0, row.skipBegin, from, to);
            const Meeting after = meet(row.skipEnd, width, from, to);
            if (before == edge || after == edge) masked = true;
            if (before == covered) flags |= 8;
            if (after == covered) flags |= 8, shade = &row.after;
        }
        if (masked) {
            for (std::int32_t x = from; x < to; x += 8)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * std::int64_t(x)), chunkMasked(row, x));
        } else {
            coveredRuns[flags](row, *shade, out, from, to);
        }
    }
    paintPixels(plan, glows, vignette, solid, solidWord, table, stepX, out, whole, width);
}
#endif

}  // namespace

void SmoothFrame::paintRows(std::int64_t rowBegin, std::int64_t rowEnd, bool vector) const {
    RowPlanner planner{pixels_, scale_, startX_, startY_, dx_, dy_, lengthSquared_, glows_, vignette_,
                       std::span<const ScanBand>(scanBands_.data(), scanBandCount_), across_};
    RowPlan row;
    for (std::int64_t y = std::max<std::int64_t>(rowBegin, 0); y < std::min(rowEnd, pixels_.height); ++y) {
        planner.plan(y, row);
        std::uint8_t* out = rowPointer(pixels_, y);
#ifdef GLIMORA_SMOOTH_AVX2
        if (vector) {
            paintRowVector(row, glows_.data(), vignette_, solid_, solidWord_, table_, stepX_, out, pixels_.width);
            continue;
        }
#endif
        (void)vector;
        paintPixels(row, glows_.data(), vignette_, solid_, solidWord_, table_, stepX_, out, 0, pixels_.width);
    }
}

}  // namespace glimora::WallpaperRenderer
