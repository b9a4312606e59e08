// The smooth gradient's rows eight pixels at a time on AVX2, chosen at run
// time. Every lane computes what the passes compute for its pixel, with the
// same operations in the same order (no fused multiply-adds: AVX2 alone has
// none), so the bytes are theirs.
#include "render/smooth_frame_rows.hpp"

#ifdef GLIMORA_SMOOTH_AVX2

#include <immintrin.h>

#include <algorithm>

#define GLIMORA_AVX2 __attribute__((target("avx2")))

namespace glimora::WallpaperRenderer::detail {

namespace {

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

}  // namespace

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

}  // namespace glimora::WallpaperRenderer::detail

#endif
