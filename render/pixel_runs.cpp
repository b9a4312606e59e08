#include "render/pixel_runs.hpp"

#include <cstring>

#include "render/canvas_painter.hpp"
#include "render/vector_units.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GLIMORA_PIXEL_LANES 1
#define GLIMORA_AVX2 __attribute__((target("avx2")))
#else
#define GLIMORA_PIXEL_LANES 0
#endif

namespace glimora::WallpaperRenderer {

namespace {

constexpr std::uint32_t opaqueAlpha = 0xFF000000u;

// Runs shorter than this are not worth the eight-pixel form's set-up.
constexpr std::int64_t avx2Run = 16;

}  // namespace

namespace detail {

void blendPixelsScalar(std::uint8_t* pixels, std::int64_t count, RGB color, std::uint32_t level) {
    for (std::int64_t i = 0; i < count; ++i) blendPixel(pixels + 4 * i, color, level);
}

void darkenPixelsScalar(std::uint8_t* to, const std::uint8_t* from, std::int64_t count,
                        const std::uint8_t* levels) {
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t level = levels[i];
        for (int c = 0; c < 3; ++c) to[4 * i + c] = blendChannel(from[4 * i + c], 0, level);
        to[4 * i + 3] = 255;
    }
}

}  // namespace detail

#if GLIMORA_PIXEL_LANES

namespace {

// The blend in 16-bit lanes: t = source * level + destination * (255 - level)
// + 128, then (t + t / 256) / 256. Every sum stays below 65536, so the lanes
// hold the scalar arithmetic exactly. `base` holds source * level + 128 and
// `inverse` 255 - level, lane by lane.
inline __m128i mix(__m128i destination, __m128i base, __m128i inverse) {
    const __m128i t = _mm_add_epi16(base, _mm_mullo_epi16(destination, inverse));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

GLIMORA_AVX2 inline __m256i mix(__m256i destination, __m256i base, __m256i inverse) {
    const __m256i t = _mm256_add_epi16(base, _mm256_mullo_epi16(destination, inverse));
    return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

inline __m128i colorLanes(RGB color) {
    return _mm_setr_epi16(color.red, color.green, color.blue, 255, color.red, color.green, color.blue, 255);
}

// Source * level + 128 for each channel, twice (two pixels).
inline __m128i baseLanes(RGB color, std::uint32_t level) {
    return _mm_add_epi16(_mm_mullo_epi16(colorLanes(color), _mm_set1_epi16(short(level))), _mm_set1_epi16(128));
}

GLIMORA_AVX2 std::int64_t blendPixelsAvx2(std::uint8_t* pixels, std::int64_t count, __m128i base,
                                          __m128i inverse) {
    const __m256i base8 = _mm256_broadcastsi128_si256(base);
    const __m256i inverse8 = _mm256_broadcastsi128_si256(inverse);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(int(opaqueAlpha));
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i* p = reinterpret_cast<__m256i*>(pixels + 4 * i);
        const __m256i d = _mm256_loadu_si256(p);
        const __m256i low = mix(_mm256_unpacklo_epi8(d, zero), base8, inverse8);
        const __m256i high = mix(_mm256_unpackhi_epi8(d, zero), base8, inverse8);
        _mm256_storeu_si256(p, _mm256_or_si256(_mm256_packus_epi16(low, high), opaque));
    }
    return i;
}

// The eight levels of bytes levels[0...7] spread over the 16-bit lanes of the
// unpacked low and high halves of eight pixels.
GLIMORA_AVX2 inline void levelLanes(const std::uint8_t* levels, __m256i& low, __m256i& high) {
    const __m256i words = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(levels)));
    const __m256i pairs = _mm256_or_si256(words, _mm256_slli_epi32(words, 16));
    low = _mm256_unpacklo_epi32(pairs, pairs);   // pixels 0, 1 | 4, 5
    high = _mm256_unpackhi_epi32(pairs, pairs);  // pixels 2, 3 | 6, 7
}

GLIMORA_AVX2 std::int64_t darkenPixelsAvx2(std::uint8_t* to, const std::uint8_t* from, std::int64_t count,
                                           const std::uint8_t* levels) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i rounding = _mm256_set1_epi16(128);
    const __m256i opaque = _mm256_set1_epi32(int(opaqueAlpha));
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i low, high;
        levelLanes(levels + i, low, high);
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 4 * i));
        const __m256i a = mix(_mm256_unpacklo_epi8(d, zero), rounding, _mm256_sub_epi16(full, low));
        const __m256i b = mix(_mm256_unpackhi_epi8(d, zero), rounding, _mm256_sub_epi16(full, high));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 4 * i),
                            _mm256_or_si256(_mm256_packus_epi16(a, b), opaque));
    }
    return i;
}

GLIMORA_AVX2 std::int64_t fillPixelsAvx2(std::uint8_t* pixels, std::int64_t count, std::uint32_t word) {
    const __m256i words = _mm256_set1_epi32(int(word));
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + 4 * i), words);
    return i;
}

}  // namespace

namespace detail {

GLIMORA_AVX2 void blendRowAvx2(std::uint8_t* pixels, std::int64_t count, RGB color,
                               const std::uint32_t* levels) {
    const __m256i source = _mm256_broadcastsi128_si256(colorLanes(color));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i rounding = _mm256_set1_epi16(128);
    const __m256i opaque = _mm256_set1_epi32(int(opaqueAlpha));
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        // Levels fit 16 bits: each 32-bit level becomes a pair of equal lanes.
        const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(levels + i));
        const __m256i pairs = _mm256_or_si256(words, _mm256_slli_epi32(words, 16));
        // The 128-bit halves hold levels 0-3 and 4-7, as the unpacked halves
        // hold pixels 0, 1 | 4, 5 (low) and 2, 3 | 6, 7 (high).
        const __m256i low = _mm256_unpacklo_epi32(pairs, pairs);
        const __m256i high = _mm256_unpackhi_epi32(pairs, pairs);
        __m256i* p = reinterpret_cast<__m256i*>(pixels + 4 * i);
        const __m256i d = _mm256_loadu_si256(p);
        const __m256i a = mix(_mm256_unpacklo_epi8(d, zero), _mm256_add_epi16(_mm256_mullo_epi16(source, low), rounding),
                              _mm256_sub_epi16(full, low));
        const __m256i b = mix(_mm256_unpackhi_epi8(d, zero), _mm256_add_epi16(_mm256_mullo_epi16(source, high), rounding),
                              _mm256_sub_epi16(full, high));
        _mm256_storeu_si256(p, _mm256_or_si256(_mm256_packus_epi16(a, b), opaque));
    }
    if (i < count) blendRowScalar(pixels + 4 * i, count - i, color, levels + i);
}

}  // namespace detail

void fillPixels(std::uint8_t* pixels, std::int64_t count, std::uint32_t word) {
    std::int64_t i = 0;
    if (count >= avx2Run && vectorUnitsInUse()) i = fillPixelsAvx2(pixels, count, word);
    const __m128i words = _mm_set1_epi32(int(word));
    for (; i + 4 <= count; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 4 * i), words);
    for (; i < count; ++i) std::memcpy(pixels + 4 * i, &word, 4);
}

void blendPixels(std::uint8_t* pixels, std::int64_t count, RGB color, std::uint32_t level) {
    if (level == 0 || count <= 0) return;
    if (level == 255) {
        fillPixels(pixels, count, opaquePixel(color));
        return;
    }
    const __m128i base = baseLanes(color, level);
    const __m128i inverse = _mm_set1_epi16(short(255 - level));
    std::int64_t i = 0;
    if (count >= avx2Run && vectorUnitsInUse()) i = blendPixelsAvx2(pixels, count, base, inverse);
    detail::blendShortRun(pixels + 4 * i, count - i, base, inverse);  // four at a time, then one by one
}

void darkenPixels(std::uint8_t* to, const std::uint8_t* from, std::int64_t count, const std::uint8_t* levels) {
    std::int64_t i = 0;
    if (count >= avx2Run && vectorUnitsInUse()) i = darkenPixelsAvx2(to, from, count, levels);
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i rounding = _mm_set1_epi16(128);
    const __m128i opaque = _mm_set1_epi32(int(opaqueAlpha));
    for (; i + 4 <= count; i += 4) {
        std::uint32_t four;
        std::memcpy(&four, levels + i, 4);
        const __m128i bytes = _mm_cvtsi32_si128(int(four));
        const __m128i words = _mm_unpacklo_epi8(bytes, zero);     // l0 l1 l2 l3 (16-bit)
        const __m128i pairs = _mm_unpacklo_epi16(words, words);   // l0 l0 l1 l1 l2 l2 l3 l3
        const __m128i low = _mm_unpacklo_epi32(pairs, pairs);     // l0 x4, l1 x4
        const __m128i high = _mm_unpackhi_epi32(pairs, pairs);    // l2 x4, l3 x4
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * i));
        const __m128i a = mix(_mm_unpacklo_epi8(d, zero), rounding, _mm_sub_epi16(full, low));
        const __m128i b = mix(_mm_unpackhi_epi8(d, zero), rounding, _mm_sub_epi16(full, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * i), _mm_or_si128(_mm_packus_epi16(a, b), opaque));
    }
    if (i < count) detail::darkenPixelsScalar(to + 4 * i, from + 4 * i, count - i, levels + i);
}

#else

namespace detail {

void blendRowAvx2(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels) {
    blendRowScalar(pixels, count, color, levels);
}

}  // namespace detail

void fillPixels(std::uint8_t* pixels, std::int64_t count, std::uint32_t word) {
    for (std::int64_t i = 0; i < count; ++i) std::memcpy(pixels + 4 * i, &word, 4);
}

void blendPixels(std::uint8_t* pixels, std::int64_t count, RGB color, std::uint32_t level) {
    detail::blendPixelsScalar(pixels, count, color, level);
}

void darkenPixels(std::uint8_t* to, const std::uint8_t* from, std::int64_t count, const std::uint8_t* levels) {
    detail::darkenPixelsScalar(to, from, count, levels);
}

#endif

}  // namespace glimora::WallpaperRenderer
