// Antialiased fills into RGBA bytes for the live canvas: axis-aligned
// rectangles with exact area coverage, circles with exact horizontal and
// sampled vertical coverage, and the radial and linear ramps of gradients and
// overlays, sampled at pixel centres. Every operation paints a band of pixel
// rows, so a frame split into bands on several threads comes out byte for
// byte as painted on one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "render/color_math.hpp"
#include "render/image_pixelizer.hpp"
#include "render/pixel_runs.hpp"

namespace glimora::WallpaperRenderer {

// The pixels of a live canvas: 4 bytes per pixel (red, green, blue, alpha),
// rows of `stride` bytes from the top.
using CanvasPixels = ImagePixelizer::RGBATarget;

// The pixels an extent touches along one axis, with the coverage of its first
// and last pixel; every pixel between is covered whole.
struct CoverageSpan {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    float first = 1;  // coverage of pixel `begin`, or of the only pixel when end - begin == 1
    float last = 1;   // coverage of pixel end - 1

    bool empty() const { return end <= begin; }
    float coverage(std::int64_t i) const {
        if (i == begin) return first;
        return i == end - 1 ? last : 1.0f;
    }
};

// The extent start...end (in pixels), clipped to 0...limit.
CoverageSpan coverageSpan(double start, double end, std::int64_t limit);

// Alpha 0...1 as the 1/255 steps of an 8-bit surface: 0 leaves a pixel as it
// is, 255 replaces it.
inline std::uint32_t alphaLevel(float alpha) {
    if (!(alpha > 0)) return 0;
    if (alpha >= 1) return 255;
    return std::uint32_t(alpha * 255.0f + 0.5f);
}

inline std::uint8_t blendChannel(std::uint32_t dst, std::uint32_t src, std::uint32_t level) {
    const std::uint32_t t = src * level + dst * (255 - level) + 128;
    return std::uint8_t((t + (t >> 8)) >> 8);
}

inline void blendPixel(std::uint8_t* pixel, RGB color, std::uint32_t level) {
    if (level == 0) return;
    if (level == 255) {
        pixel[0] = color.red, pixel[1] = color.green, pixel[2] = color.blue, pixel[3] = 255;
        return;
    }
    pixel[0] = blendChannel(pixel[0], color.red, level);
    pixel[1] = blendChannel(pixel[1], color.green, level);
    pixel[2] = blendChannel(pixel[2], color.blue, level);
    pixel[3] = 255;
}

// The four bytes of an opaque pixel as one word, for whole-pixel writes.
inline std::uint32_t opaquePixel(RGB color) {
    const std::uint8_t bytes[4] = {color.red, color.green, color.blue, 255};
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

inline std::uint8_t* rowPointer(const CanvasPixels& pixels, std::int64_t row) {
    return pixels.data + row * pixels.stride;
}

// Paints `color` over the span's pixels of one row at `rowAlpha` times each
// pixel's coverage.
inline void paintSpan(std::uint8_t* row, const CoverageSpan& span, RGB color, float rowAlpha) {
    if (span.empty()) return;
    const std::uint32_t level = alphaLevel(rowAlpha);
    if (level == 0) return;
    std::uint8_t* pixel = row + 4 * span.begin;
    blendPixel(pixel, color, alphaLevel(rowAlpha * span.first));
    if (span.end - span.begin == 1) return;
    const std::int64_t inner = span.end - span.begin - 2;
    std::uint8_t* p = pixel + 4;
    if (level == 255) {
        const std::uint32_t word = opaquePixel(color);
        for (std::int64_t i = 0; i < inner; ++i) std::memcpy(p + 4 * i, &word, 4);
    } else {
        for (std::int64_t i = 0; i < inner; ++i) blendPixel(p + 4 * i, color, level);
    }
    blendPixel(p + 4 * inner, color, alphaLevel(rowAlpha * span.last));
}

// The same pixels as paintSpan, for the columns clipBegin...clipEnd-1 only:
// a frame repainted in pieces comes out as painted whole.
inline void paintSpanClipped(std::uint8_t* row, const CoverageSpan& span, RGB color, float rowAlpha,
                             std::int64_t clipBegin, std::int64_t clipEnd) {
    const std::int64_t from = std::max(span.begin, clipBegin);
    const std::int64_t to = std::min(span.end, clipEnd);
    if (from >= to) return;
    const std::uint32_t level = alphaLevel(rowAlpha);
    if (level == 0) return;
    std::int64_t x = from;
    if (x == span.begin) blendPixel(row + 4 * x++, color, alphaLevel(rowAlpha * span.first));
    const bool lastInside = to == span.end && span.end - span.begin > 1;
    const std::int64_t innerEnd = lastInside ? to - 1 : to;
    if (level == 255) {
        const std::uint32_t word = opaquePixel(color);
        for (; x < innerEnd; ++x) std::memcpy(row + 4 * x, &word, 4);
    } else {
        for (; x < innerEnd; ++x) blendPixel(row + 4 * x, color, level);
    }
    if (lastInside && x == to - 1) blendPixel(row + 4 * x, color, alphaLevel(rowAlpha * span.last));
}

#ifdef __SSE2__
namespace detail {

// blendPixel in 16-bit lanes (as pixel_runs.cpp blends runs): `lanes` holds
// the colour's channels and 255, `base` the lanes times the level plus 128.
inline void blendPixelLanes(std::uint8_t* pixel, __m128i base, __m128i inverse) {
    std::uint32_t word;
    std::memcpy(&word, pixel, 4);
    const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(word)), _mm_setzero_si128());
    const __m128i t = _mm_add_epi16(base, _mm_mullo_epi16(d, inverse));
    const __m128i out = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    word = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(out, out))) | 0xFF000000u;
    std::memcpy(pixel, &word, 4);
}

inline void blendPixelLanes(std::uint8_t* pixel, __m128i lanes, std::uint32_t word, std::uint32_t level) {
    if (level == 0) return;
    if (level == 255) {
        std::memcpy(pixel, &word, 4);
        return;
    }
    const __m128i base = _mm_add_epi16(_mm_mullo_epi16(lanes, _mm_set1_epi16(short(level))), _mm_set1_epi16(128));
    blendPixelLanes(pixel, base, _mm_set1_epi16(short(255 - level)));
}

}  // namespace detail
#endif

#ifdef __SSE2__
namespace detail {

// A colour ready for blendPixelLanes: its channels and 255 in 16-bit lanes,
// and its opaque word.
struct ColorLanes {
    __m128i lanes;
    std::uint32_t word;

    explicit ColorLanes(RGB color)
        : lanes(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(opaquePixel(color))), _mm_setzero_si128())),
          word(opaquePixel(color)) {}
};

// `count` pixels of the opaque word `word`. Short runs (cells are a few
// pixels wide) as overlapping 16-byte stores: every store writes the same
// words, so overlaps are harmless.
inline void fillShortRun(std::uint8_t* pixels, std::int64_t count, std::uint32_t word) {
    if (count < 4) {
        for (std::int64_t i = 0; i < count; ++i) std::memcpy(pixels + 4 * i, &word, 4);
        return;
    }
    const __m128i words = _mm_set1_epi32(int(word));
    std::uint8_t* last = pixels + 4 * (count - 4);
    for (; pixels < last; pixels += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), words);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), words);
}

// `count` pixels blended at one level (not 0 or 255), four at a time and the
// rest one by one (blends must not overlap); `base` holds the colour's lanes
// (twice) times the level plus 128.
inline void blendShortRun(std::uint8_t* pixels, std::int64_t count, __m128i base, __m128i inverse) {
    const __m128i zero = _mm_setzero_si128();
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(pixels + 4 * i);
        const __m128i d = _mm_loadu_si128(p);
        const __m128i tl = _mm_add_epi16(base, _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), inverse));
        const __m128i th = _mm_add_epi16(base, _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), inverse));
        const __m128i low = _mm_srli_epi16(_mm_add_epi16(tl, _mm_srli_epi16(tl, 8)), 8);
        const __m128i high = _mm_srli_epi16(_mm_add_epi16(th, _mm_srli_epi16(th, 8)), 8);
        _mm_storeu_si128(p, _mm_or_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(int(0xFF000000u))));
    }
    for (; i < count; ++i) blendPixelLanes(pixels + 4 * i, base, inverse);
}

// The span's pixels inside clipBegin...clipEnd-1 as paintSpanClipped paints
// them at `rowAlpha`: `level` = alphaLevel(rowAlpha) (not 0), `firstLevel` and
// `lastLevel` those of its first and last pixel (alphaLevel(rowAlpha *
// span.first) and alphaLevel(rowAlpha * span.last)).
__attribute__((always_inline)) inline void paintSpanLanes(std::uint8_t* row, const CoverageSpan& span, RGB color,
                                                          const ColorLanes& lanes, std::uint32_t level,
                                                          std::uint32_t firstLevel, std::uint32_t lastLevel,
                                                          std::int64_t clipBegin, std::int64_t clipEnd) {
    const std::int64_t from = std::max(span.begin, clipBegin);
    const std::int64_t to = std::min(span.end, clipEnd);
    if (from >= to) return;
    std::int64_t x = from;
    if (x == span.begin) blendPixelLanes(row + 4 * x++, lanes.lanes, lanes.word, firstLevel);
    const bool lastInside = to == span.end && span.end - span.begin > 1;
    const std::int64_t innerEnd = lastInside ? to - 1 : to;
    const std::int64_t count = innerEnd - x;
    if (count >= 32) {
        blendPixels(row + 4 * x, count, color, level);
    } else if (count > 0) {
        if (level == 255) {
            fillShortRun(row + 4 * x, count, lanes.word);
        } else {
            const __m128i pair = _mm_unpacklo_epi64(lanes.lanes, lanes.lanes);
            const __m128i base =
                _mm_add_epi16(_mm_mullo_epi16(pair, _mm_set1_epi16(short(level))), _mm_set1_epi16(128));
            blendShortRun(row + 4 * x, count, base, _mm_set1_epi16(short(255 - level)));
        }
    }
    x = std::max(x, innerEnd);
    if (lastInside && x == to - 1) blendPixelLanes(row + 4 * x, lanes.lanes, lanes.word, lastLevel);
}

}  // namespace detail
#endif

// paintSpanClipped's bytes, with the inside of the span filled or blended
// several pixels at a time (render/pixel_runs.hpp).
inline void paintSpanRuns(std::uint8_t* row, const CoverageSpan& span, RGB color, float rowAlpha,
                          std::int64_t clipBegin, std::int64_t clipEnd) {
#ifdef __SSE2__
    const std::uint32_t level = alphaLevel(rowAlpha);
    if (level == 0) return;
    detail::paintSpanLanes(row, span, color, detail::ColorLanes(color), level, alphaLevel(rowAlpha * span.first),
                           alphaLevel(rowAlpha * span.last), clipBegin, clipEnd);
#else
    paintSpanClipped(row, span, color, rowAlpha, clipBegin, clipEnd);
#endif
}

// A circle of `radius` at (centerX, centerY), all in pixels, painted over one
// pixel row at `opacity` times its coverage. `scratch` is reused between calls.
void paintCircleRow(std::uint8_t* rowBytes, std::int64_t row, std::int64_t width, double centerX,
                    double centerY, double radius, RGB color, float opacity, std::vector<float>& scratch);

// Horizontal samples per pixel row of a circle's coverage.
inline constexpr int circleSubRows = 8;

// A radial ramp from radius `inner` to `outer` around (centerX, centerY), in
// canvas units: black whose alpha is 0 up to the middle radius, then rises
// linearly to `peak` at `outer` and stays there (the stops clear, clear, black
// at peak, evenly spaced, padded beyond the ends).
struct RadialDarkening {
    double centerX = 0;
    double centerY = 0;
    double inner = 0;
    double outer = 1;
    double peak = 0;
};

// One colour at `opacity` at the centre, fading linearly to clear at `radius`
// (canvas units); the fade interpolates premultiplied, so the colour keeps
// its hue as it fades.
struct RadialGlow {
    double centerX = 0;
    double centerY = 0;
    double radius = 1;
    RGB color;
    double opacity = 1;
};

// Evenly spaced colours from `start` to `end` (canvas units), the end colours
// continued beyond both ends.
struct LinearRamp {
    double startX = 0;
    double startY = 0;
    double endX = 0;
    double endY = 0;
    std::vector<RGB> colors;
};

// Rows rowBegin...rowEnd-1 of the pixels, a surface of `scale` pixels per
// canvas unit; ramps are sampled at pixel centres. fillBand and darkenRadial
// keep to the columns columnBegin...columnEnd-1 (every pixel of a column comes
// out as when the whole row is painted); the ramps and glows paint whole rows.
struct CanvasBand {
    CanvasPixels pixels;
    std::int64_t rowBegin = 0;
    std::int64_t rowEnd = 0;
    double scale = 1;
    std::int64_t columnBegin = 0;
    std::int64_t columnEnd = std::numeric_limits<std::int64_t>::max();

    std::int64_t firstColumn() const { return std::clamp<std::int64_t>(columnBegin, 0, pixels.width); }
    std::int64_t endColumn() const { return std::clamp<std::int64_t>(columnEnd, firstColumn(), pixels.width); }
};

void fillBand(const CanvasBand& band, RGB color);

// A linear ramp's colours (two or more) at this many evenly spaced positions,
// as opaque pixel words: finer than a pixel on any screen, so the table is invisible.
inline constexpr int linearRampSteps = 4096;
void linearRampTable(std::span<const RGB> colors, std::span<std::uint32_t, linearRampSteps> table);

void paintLinearRamp(const CanvasBand& band, const LinearRamp& ramp);
void paintRadialGlow(const CanvasBand& band, const RadialGlow& glow);
void darkenRadial(const CanvasBand& band, const RadialDarkening& ramp);

namespace detail {

// A radial ramp of levels along a pixel row: at distance d from the centre,
// high + (low - high) * clamp((d - offset) * slope, 0, 1), rounded.
struct RadialLevels {
    float centerX = 0;
    float dySquared = 0;
    float offset = 0;
    float slope = 0;
    float high = 0;
    float low = 0;
};

// The row kernels, vectorised where the processor allows; the scalar forms
// give the same bytes and serve the remaining pixels and other processors.
// The levels of pixels first+skip...first+skip+count-1 measured from pixel
// `first`: the same values as the first `skip` + `count` levels from there.
void radialLevels(const RadialLevels& ramp, std::int64_t first, std::int64_t count, std::uint32_t* levels);
void radialLevels(const RadialLevels& ramp, std::int64_t first, std::int64_t skip, std::int64_t count,
                  std::uint32_t* levels);
void radialLevelsScalar(const RadialLevels& ramp, std::int64_t first, std::int64_t count,
                        std::uint32_t* levels);
void radialLevelsScalar(const RadialLevels& ramp, std::int64_t first, std::int64_t skip, std::int64_t count,
                        std::uint32_t* levels);
// `color` over `count` opaque pixels at per-pixel levels 0...255.
void blendRow(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels);
void blendRowScalar(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels);

// What darkenRadial blends over each pixel row: its levels ramp along the row
// outside a clear stretch around the centre, measured from the first pixel of
// each darkened stretch (0 and clearEnd).
class RadialDarkeningRows {
public:
    RadialDarkeningRows(const RadialDarkening& ramp, double scale, std::int64_t width);

    // False when the ramp darkens nothing (no peak, or not finite).
    bool darkens() const { return darkens_; }

    // Row y darkens columns 0...clearBegin-1 and clearEnd...width-1 (both are
    // `width` when no stretch is clear) at the levels of `levels`.
    struct Row {
        std::int64_t clearBegin = 0;
        std::int64_t clearEnd = 0;
        RadialLevels levels;
    };
    Row row(std::int64_t y) const;

private:
    std::int64_t width_ = 0;
    double cx_ = 0;
    double cy_ = 0;
    double middle_ = 0;
    RadialLevels levels_;
    bool darkens_ = false;
};

}  // namespace detail

// Runs `paint(rowBegin, rowEnd)` over bands of the rows 0...rows-1, on up to
// `threadCount` threads (1: this thread only; 0: one per core).
void forEachBand(std::int64_t rows, int threadCount,
                 const std::function<void(std::int64_t, std::int64_t)>& paint);

}  // namespace glimora::WallpaperRenderer
