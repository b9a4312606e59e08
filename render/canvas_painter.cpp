#include "render/canvas_painter.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#ifdef __SSE2__
#include <immintrin.h>
#endif

#include "render/parallel_bands.hpp"
#include "render/pixel_runs.hpp"
#include "render/vector_units.hpp"

namespace glimora::WallpaperRenderer {

namespace {

// Bands much thinner than this cost more in threads than they save.
constexpr std::int64_t minimumBandRows = 16;

constexpr int rampSteps = linearRampSteps;

struct Point {
    double x = 0;
    double y = 0;
};

Point pixelCentre(std::int64_t column, std::int64_t row, double scale) {
    return {(double(column) + 0.5) / scale, (double(row) + 0.5) / scale};
}

}  // namespace

namespace detail {

void radialLevelsScalar(const RadialLevels& ramp, std::int64_t first, std::int64_t count,
                        std::uint32_t* levels) {
    radialLevelsScalar(ramp, first, 0, count, levels);
}

void radialLevelsScalar(const RadialLevels& ramp, std::int64_t first, std::int64_t skip, std::int64_t count,
                        std::uint32_t* levels) {
    const float start = float(first) + 0.5f - ramp.centerX;
    for (std::int32_t i = 0; i < std::int32_t(count); ++i) {
        const float dx = start + float(std::int32_t(skip) + i);
        const float d = std::sqrt(dx * dx + ramp.dySquared);
        const float t = std::min(std::max((d - ramp.offset) * ramp.slope, 0.0f), 1.0f);
        levels[i] = std::uint32_t(ramp.high + (ramp.low - ramp.high) * t + 0.5f);
    }
}

void blendRowScalar(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels) {
    const std::uint32_t source[3] = {color.red, color.green, color.blue};
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t* p = pixels + 4 * i;
        for (int c = 0; c < 3; ++c) p[c] = blendChannel(p[c], source[c], levels[i]);
        p[3] = 255;
    }
}

void radialLevels(const RadialLevels& ramp, std::int64_t first, std::int64_t count, std::uint32_t* levels) {
    radialLevels(ramp, first, 0, count, levels);
}

void radialLevels(const RadialLevels& ramp, std::int64_t first, std::int64_t skip, std::int64_t count,
                  std::uint32_t* levels) {
    std::int32_t i = 0;
    const auto s = std::int32_t(skip);
#ifdef __SSE2__
    const __m128 start = _mm_set1_ps(float(first) + 0.5f - ramp.centerX);
    const __m128 dySquared = _mm_set1_ps(ramp.dySquared);
    const __m128 offset = _mm_set1_ps(ramp.offset);
    const __m128 slope = _mm_set1_ps(ramp.slope);
    const __m128 high = _mm_set1_ps(ramp.high);
    const __m128 span = _mm_set1_ps(ramp.low - ramp.high);
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    for (; i + 4 <= std::int32_t(count); i += 4) {
        const __m128 dx = _mm_add_ps(start, _mm_cvtepi32_ps(_mm_setr_epi32(s + i, s + i + 1, s + i + 2, s + i + 3)));
        const __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), dySquared));
        const __m128 t = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_sub_ps(d, offset), slope), zero), one);
        const __m128 level = _mm_add_ps(_mm_add_ps(high, _mm_mul_ps(span, t)), half);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(levels + i), _mm_cvttps_epi32(level));
    }
#endif
    if (i < count) radialLevelsScalar(ramp, first, skip + i, count - i, levels + i);
}

void blendRow(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels) {
    if (count >= 8 && vectorUnitsInUse()) {
        blendRowAvx2(pixels, count, color, levels);
        return;
    }
    std::int64_t i = 0;
#ifdef __SSE2__
    // Four pixels at a time in 16-bit lanes: every product sum stays below
    // 65536, so the lanes hold the scalar arithmetic exactly.
    const __m128i source =
        _mm_setr_epi16(color.red, color.green, color.blue, 255, color.red, color.green, color.blue, 255);
    const __m128i full = _mm_set1_epi16(255);
    const __m128i rounding = _mm_set1_epi16(128);
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    auto mix = [&](__m128i dst, __m128i level) {
        __m128i t =
            _mm_add_epi16(_mm_mullo_epi16(source, level), _mm_mullo_epi16(dst, _mm_sub_epi16(full, level)));
        t = _mm_add_epi16(t, rounding);
        return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    };
    for (; i + 4 <= count; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + i));
        const __m128i packed = _mm_packs_epi32(four, four);        // l0 l1 l2 l3 l0 l1 l2 l3
        const __m128i pairs = _mm_unpacklo_epi16(packed, packed);  // l0 l0 l1 l1 l2 l2 l3 l3
        const __m128i low = _mm_unpacklo_epi32(pairs, pairs);      // l0 x4, l1 x4
        const __m128i high = _mm_unpackhi_epi32(pairs, pairs);     // l2 x4, l3 x4
        std::uint8_t* p = pixels + 4 * i;
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i out =
            _mm_packus_epi16(mix(_mm_unpacklo_epi8(dst, zero), low), mix(_mm_unpackhi_epi8(dst, zero), high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(out, opaque));
    }
#endif
    if (i < count) blendRowScalar(pixels + 4 * i, count - i, color, levels + i);
}


RadialDarkeningRows::RadialDarkeningRows(const RadialDarkening& ramp, double scale, std::int64_t width)
    : width_(width) {
    if (!(ramp.peak > 0)) return;
    cx_ = ramp.centerX * scale;
    cy_ = ramp.centerY * scale;
    const double inner = ramp.inner * scale;
    const double outer = ramp.outer * scale;
    if (!std::isfinite(cx_) || !std::isfinite(cy_) || !std::isfinite(inner) || !std::isfinite(outer)) return;
    const double range = outer - inner;
    // Alpha is 0 inside the middle radius and rises to the peak at the outer
    // one; a ramp without width steps straight to the peak there.
    middle_ = range > 0 ? inner + 0.5 * range : outer;
    const float slope = range > 0 ? float(1 / (0.5 * range)) : 1e30f;
    const float peak = 255.0f * float(std::min(ramp.peak, 1.0));
    levels_ = {float(cx_), 0, float(middle_), slope, 0, peak};
    darkens_ = true;
}

RadialDarkeningRows::Row RadialDarkeningRows::row(std::int64_t y) const {
    const double dy = double(y) + 0.5 - cy_;
    Row row{width_, width_, levels_};
    row.levels.dySquared = float(dy * dy);
    // Inside the middle radius nothing darkens: that stretch of the row (less
    // a pixel at each end, against rounding) is left clear.
    const double clearSquared = middle_ * middle_ - dy * dy;
    if (clearSquared > 0) {
        const double reach = std::sqrt(clearSquared);
        const double w = double(width_);
        row.clearBegin = std::int64_t(std::clamp(std::ceil(cx_ - reach - 0.5) + 1, 0.0, w));
        row.clearEnd = std::int64_t(std::clamp(std::floor(cx_ + reach - 0.5), 0.0, w));
        if (row.clearEnd < row.clearBegin) row.clearBegin = row.clearEnd = width_;
    }
    return row;
}

}  // namespace detail

CoverageSpan coverageSpan(double start, double end, std::int64_t limit) {
    if (!(end > start) || limit <= 0) return {};
    start = std::max(start, 0.0);
    end = std::min(end, double(limit));
    if (!(end > start)) return {};
    const double first = std::floor(start);
    const double last = std::ceil(end);
    CoverageSpan span;
    span.begin = std::int64_t(first);
    span.end = std::int64_t(last);
    if (span.end - span.begin == 1) {
        span.first = span.last = float(end - start);
    } else {
        span.first = float(first + 1 - start);
        span.last = float(end - (last - 1));
    }
    return span;
}

void paintCircleRow(std::uint8_t* rowBytes, std::int64_t row, std::int64_t width, double centerX,
                    double centerY, double radius, RGB color, float opacity, std::vector<float>& scratch) {
    if (!(radius > 0) || !std::isfinite(centerX) || !std::isfinite(centerY) || !std::isfinite(radius)) return;
    const double top = centerY - double(row);  // the centre below the row's top edge
    if (top + radius <= 0 || top - radius >= 1) return;
    const double left = std::max(std::floor(centerX - radius), 0.0);
    const double right = std::min(std::ceil(centerX + radius), double(width));
    if (!(right > left)) return;
    const std::int64_t x0 = std::int64_t(left);
    const std::int64_t count = std::int64_t(right) - x0;
    // Dots are a few pixels wide: their coverage fits on the stack.
    std::array<float, 64> local;
    float* coverage = local.data();
    if (count > std::int64_t(local.size())) {
        scratch.resize(std::size_t(count));
        coverage = scratch.data();
    }
    std::fill(coverage, coverage + count, 0.0f);

    // Only the sub-rows whose sample line crosses the circle.
    const double subRows = circleSubRows;
    const int firstSample = std::max(0, int(std::ceil((top - radius) * subRows - 0.5)));
    const int endSample = std::min(circleSubRows, int(std::floor((top + radius) * subRows - 0.5)) + 1);
    const float cx = float(centerX - left);  // relative to the first pixel
    const float limit = float(count);
    const float radiusSquared = float(radius * radius);
    const float centreY = float(top);
    for (int k = firstSample; k < endSample; ++k) {
        const float dy = (float(k) + 0.5f) / float(circleSubRows) - centreY;
        const float chordSquared = radiusSquared - dy * dy;
        if (!(chordSquared > 0)) continue;
        const float half = std::sqrt(chordSquared);
        const float a = std::max(cx - half, 0.0f);
        const float b = std::min(cx + half, limit);
        if (!(b > a)) continue;
        const auto first = std::int64_t(a);
        const auto last = std::min(std::int64_t(b), count - 1);
        if (first == last) {
            coverage[first] += b - a;
            continue;
        }
        coverage[first] += float(first + 1) - a;
        for (std::int64_t i = first + 1; i < last; ++i) coverage[i] += 1.0f;
        coverage[last] += b - float(last);
    }
    const float perSample = opacity / float(circleSubRows);
    std::uint8_t* pixel = rowBytes + 4 * x0;
    for (std::int64_t i = 0; i < count; ++i)
        blendPixel(pixel + 4 * i, color, alphaLevel(coverage[i] * perSample));
}

void fillBand(const CanvasBand& band, RGB color) {
    const std::uint32_t word = opaquePixel(color);
    const std::int64_t begin = band.firstColumn();
    const std::int64_t end = band.endColumn();
    for (std::int64_t y = band.rowBegin; y < band.rowEnd; ++y)
        fillPixels(rowPointer(band.pixels, y) + 4 * begin, end - begin, word);
}

void linearRampTable(std::span<const RGB> colors, std::span<std::uint32_t, linearRampSteps> table) {
    const double segments = double(colors.size() - 1);
    for (int k = 0; k < rampSteps; ++k) {
        const double position = double(k) / (rampSteps - 1) * segments;
        const std::size_t i = std::min(std::size_t(position), colors.size() - 2);
        const double f = position - double(i);
        const RGB a = colors[i];
        const RGB b = colors[i + 1];
        auto mix = [f](std::uint8_t p, std::uint8_t q) {
            return std::uint8_t(clampToByte(double(p) + (double(q) - double(p)) * f));
        };
        table[std::size_t(k)] = opaquePixel({mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)});
    }
}

void paintLinearRamp(const CanvasBand& band, const LinearRamp& ramp) {
    if (ramp.colors.empty()) return;
    if (ramp.colors.size() == 1) {
        fillBand(band, ramp.colors.front());
        return;
    }
    std::vector<std::uint32_t> table(rampSteps);
    linearRampTable(ramp.colors, std::span<std::uint32_t, rampSteps>(table));

    const double dx = ramp.endX - ramp.startX;
    const double dy = ramp.endY - ramp.startY;
    const double lengthSquared = dx * dx + dy * dy;
    if (!(lengthSquared > 0) || !std::isfinite(lengthSquared)) {
        fillBand(band, ramp.colors.back());
        return;
    }
    // Along a row the ramp position grows by a fixed step per pixel.
    const double stepX = dx / lengthSquared / band.scale;
    for (std::int64_t y = band.rowBegin; y < band.rowEnd; ++y) {
        const Point p = pixelCentre(0, y, band.scale);
        const double start = ((p.x - ramp.startX) * dx + (p.y - ramp.startY) * dy) / lengthSquared;
        std::uint8_t* row = rowPointer(band.pixels, y);
        for (std::int64_t x = 0; x < band.pixels.width; ++x) {
            const double t = start + double(x) * stepX;
            const double index = std::clamp(t, 0.0, 1.0) * (rampSteps - 1) + 0.5;
            std::memcpy(row + 4 * x, &table[std::size_t(index)], 4);
        }
    }
}

void paintRadialGlow(const CanvasBand& band, const RadialGlow& glow) {
    const double radius = glow.radius * band.scale;
    if (!(radius > 0) || !std::isfinite(radius) || !(glow.opacity > 0)) return;
    const double cx = glow.centerX * band.scale;
    const double cy = glow.centerY * band.scale;
    if (!std::isfinite(cx) || !std::isfinite(cy)) return;
    const std::int64_t width = band.pixels.width;
    // Alpha falls from the opacity at the centre to 0 at the radius.
    const float top = 255.0f * float(std::min(glow.opacity, 1.0));
    detail::RadialLevels ramp{float(cx), 0, 0, float(1 / radius), top, 0};
    std::vector<std::uint32_t> levels(static_cast<std::size_t>(width));
    for (std::int64_t y = band.rowBegin; y < band.rowEnd; ++y) {
        const double dy = double(y) + 0.5 - cy;
        const double reachSquared = radius * radius - dy * dy;
        if (!(reachSquared > 0)) continue;
        const double reach = std::sqrt(reachSquared);
        const std::int64_t x0 = std::int64_t(std::clamp(std::floor(cx - reach), 0.0, double(width)));
        const std::int64_t x1 = std::int64_t(std::clamp(std::ceil(cx + reach), 0.0, double(width)));
        if (x1 <= x0) continue;
        ramp.dySquared = float(dy * dy);
        detail::radialLevels(ramp, x0, x1 - x0, levels.data());
        detail::blendRow(rowPointer(band.pixels, y) + 4 * x0, x1 - x0, glow.color, levels.data());
    }
}

void darkenRadial(const CanvasBand& band, const RadialDarkening& ramp) {
    const detail::RadialDarkeningRows rows(ramp, band.scale, band.pixels.width);
    if (!rows.darkens()) return;
    const std::int64_t width = band.pixels.width;
    const std::int64_t clipBegin = band.firstColumn();
    const std::int64_t clipEnd = band.endColumn();
    // Levels in pieces on the stack: no allocation, whatever the width.
    constexpr std::int64_t chunk = 512;
    std::array<std::uint32_t, chunk> levels;
    for (std::int64_t y = band.rowBegin; y < band.rowEnd; ++y) {
        const detail::RadialDarkeningRows::Row row = rows.row(y);
        std::uint8_t* pixels = rowPointer(band.pixels, y);
        for (const auto& [from, to] : {std::pair{std::int64_t(0), row.clearBegin}, std::pair{row.clearEnd, width}}) {
            // Measured from the stretch's first pixel, clipped or not, so
            // that every pixel gets the level it has in a whole row.
            const std::int64_t begin = std::max(from, clipBegin);
            const std::int64_t end = std::min(to, clipEnd);
            for (std::int64_t x = begin; x < end; x += chunk) {
                const std::int64_t count = std::min(chunk, end - x);
                detail::radialLevels(row.levels, from, x - from, count, levels.data());
                detail::blendRow(pixels + 4 * x, count, {0, 0, 0}, levels.data());
            }
        }
    }
}

void forEachBand(std::int64_t rows, int threadCount,
                 const std::function<void(std::int64_t, std::int64_t)>& paint) {
    if (rows <= 0) return;
    const std::int64_t wanted = threadCount > 0 ? threadCount : defaultThreadCount();
    const std::int64_t bands = std::clamp<std::int64_t>(std::min(wanted, rows / minimumBandRows), 1, 64);
    glimora::forEachBand(int(bands), threadCount,
                         [&](int i) { paint(rows * i / bands, rows * (i + 1) / bands); });
}

}  // namespace glimora::WallpaperRenderer
