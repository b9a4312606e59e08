#include "render/pixel_kernels.hpp"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glimora::WallpaperRenderer::kernels {

namespace {

inline float centerOffset(std::int64_t x, float cx) { return (float(x) + 0.5f) - cx; }

#if defined(__SSE2__)
// The pixel centres x + 0.5 - cx of x, x + 1, x + 2, x + 3.
inline __m128 centerOffsets(std::int64_t x, __m128 cx) {
    const __m128 xs = _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(std::int32_t(x)), _mm_setr_epi32(0, 1, 2, 3)));
    return _mm_sub_ps(_mm_add_ps(xs, _mm_set1_ps(0.5f)), cx);
}

// roundedByte of four lanes, as 32-bit integers.
inline __m128i roundedBytes(__m128 v) {
    v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvttps_epi32(_mm_add_ps(v, _mm_set1_ps(0.5f)));
}

// Four pixels from 32-bit lanes of red, green, blue and alpha.
inline void storeRGBA(std::uint8_t* out, __m128i r, __m128i g, __m128i b, __m128i a) {
    const __m128i pixels = _mm_or_si128(_mm_or_si128(r, _mm_slli_epi32(g, 8)),
                                        _mm_or_si128(_mm_slli_epi32(b, 16), _mm_slli_epi32(a, 24)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
}
#endif

}  // namespace

void radialFactors(float* factors, std::int64_t begin, std::int64_t end, float cx, float dy, float clear,
                   float outer, float slope) {
    const float dy2 = dy * dy;
    std::int64_t x = begin;
#if defined(__SSE2__)
    const __m128 vcx = _mm_set1_ps(cx), vdy2 = _mm_set1_ps(dy2), vclear = _mm_set1_ps(clear);
    const __m128 vouter = _mm_set1_ps(outer), vslope = _mm_set1_ps(slope), one = _mm_set1_ps(1.0f);
    for (; x + 4 <= end; x += 4) {
        const __m128 dx = centerOffsets(x, vcx);
        const __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), vdy2));
        const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(d, vclear), _mm_cmple_ps(d, vouter));
        const __m128 shaded = _mm_sub_ps(one, _mm_mul_ps(vslope, _mm_sub_ps(d, vclear)));
        _mm_storeu_ps(factors + x, _mm_or_ps(_mm_and_ps(inside, shaded), _mm_andnot_ps(inside, one)));
    }
#endif
    for (; x < end; ++x) {
        const float dx = centerOffset(x, cx);
        const float d = std::sqrt(dx * dx + dy2);
        factors[x] = d > clear && d <= outer ? 1.0f - slope * (d - clear) : 1.0f;
    }
}

void gradientRun(float* r, float* g, float* b, std::int64_t begin, std::int64_t end, float fStart, float fStep,
                 const float from[3], const float delta[3]) {
    std::int64_t x = begin;
#if defined(__SSE2__)
    const __m128 start = _mm_set1_ps(fStart), step = _mm_set1_ps(fStep);
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 r0 = _mm_set1_ps(from[0]), g0 = _mm_set1_ps(from[1]), b0 = _mm_set1_ps(from[2]);
    const __m128 dr = _mm_set1_ps(delta[0]), dg = _mm_set1_ps(delta[1]), db = _mm_set1_ps(delta[2]);
    for (; x + 4 <= end; x += 4) {
        const __m128 xs =
            _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(std::int32_t(x)), _mm_setr_epi32(0, 1, 2, 3)));
        const __m128 f = _mm_min_ps(_mm_max_ps(_mm_add_ps(start, _mm_mul_ps(step, xs)), zero), one);
        _mm_storeu_ps(r + x, _mm_add_ps(r0, _mm_mul_ps(dr, f)));
        _mm_storeu_ps(g + x, _mm_add_ps(g0, _mm_mul_ps(dg, f)));
        _mm_storeu_ps(b + x, _mm_add_ps(b0, _mm_mul_ps(db, f)));
    }
#endif
    for (; x < end; ++x) {
        float f = fStart + fStep * float(x);
        f = f > 0.0f ? f : 0.0f;
        f = f < 1.0f ? f : 1.0f;
        r[x] = from[0] + delta[0] * f;
        g[x] = from[1] + delta[1] * f;
        b[x] = from[2] + delta[2] * f;
    }
}

void screenGlow(float* r, float* g, float* b, std::int64_t begin, std::int64_t end, float cx, float dy,
                float inverseRadius, const float color[3]) {
    const float dy2 = dy * dy;
    constexpr float inverse255 = 1.0f / 255;
    std::int64_t x = begin;
#if defined(__SSE2__)
    const __m128 vcx = _mm_set1_ps(cx), vdy2 = _mm_set1_ps(dy2), vinv = _mm_set1_ps(inverseRadius);
    const __m128 one = _mm_set1_ps(1.0f), full = _mm_set1_ps(255.0f), scale = _mm_set1_ps(inverse255);
    const __m128 cr = _mm_set1_ps(color[0]), cg = _mm_set1_ps(color[1]), cb = _mm_set1_ps(color[2]);
    for (; x + 4 <= end; x += 4) {
        const __m128 dx = centerOffsets(x, vcx);
        const __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), vdy2));
        const __m128 rest = _mm_max_ps(_mm_sub_ps(one, _mm_mul_ps(d, vinv)), _mm_setzero_ps());
        const __m128 k = _mm_mul_ps(_mm_mul_ps(rest, rest), scale);
        __m128 v = _mm_loadu_ps(r + x);
        _mm_storeu_ps(r + x, _mm_add_ps(v, _mm_mul_ps(_mm_mul_ps(cr, k), _mm_sub_ps(full, v))));
        v = _mm_loadu_ps(g + x);
        _mm_storeu_ps(g + x, _mm_add_ps(v, _mm_mul_ps(_mm_mul_ps(cg, k), _mm_sub_ps(full, v))));
        v = _mm_loadu_ps(b + x);
        _mm_storeu_ps(b + x, _mm_add_ps(v, _mm_mul_ps(_mm_mul_ps(cb, k), _mm_sub_ps(full, v))));
    }
#endif
    for (; x < end; ++x) {
        const float dx = centerOffset(x, cx);
        const float d = std::sqrt(dx * dx + dy2);
        float rest = 1.0f - d * inverseRadius;
        rest = rest > 0.0f ? rest : 0.0f;
        const float k = (rest * rest) * inverse255;
        r[x] = r[x] + (color[0] * k) * (255.0f - r[x]);
        g[x] = g[x] + (color[1] * k) * (255.0f - g[x]);
        b[x] = b[x] + (color[2] * k) * (255.0f - b[x]);
    }
}

void channelsToRGBA(const float* r, const float* g, const float* b, const float* factors, float scale,
                    std::int64_t width, std::uint8_t* out) {
    std::int64_t x = 0;
#if defined(__SSE2__)
    const __m128 vscale = _mm_set1_ps(scale);
    const __m128i alpha = _mm_set1_epi32(255);
    for (; x + 4 <= width; x += 4) {
        const __m128 k = factors ? _mm_mul_ps(vscale, _mm_loadu_ps(factors + x)) : vscale;
        storeRGBA(out + 4 * x, roundedBytes(_mm_mul_ps(_mm_loadu_ps(r + x), k)),
                  roundedBytes(_mm_mul_ps(_mm_loadu_ps(g + x), k)), roundedBytes(_mm_mul_ps(_mm_loadu_ps(b + x), k)),
                  alpha);
    }
#endif
    for (; x < width; ++x) {
        const float k = factors ? scale * factors[x] : scale;
        out[4 * x] = roundedByte(r[x] * k);
        out[4 * x + 1] = roundedByte(g[x] * k);
        out[4 * x + 2] = roundedByte(b[x] * k);
        out[4 * x + 3] = 255;
    }
}

void shadeRGBA(const std::uint8_t* in, const float* factors, std::int64_t width, std::uint8_t* out) {
    std::int64_t x = 0;
#if defined(__SSE2__)
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    for (; x + 4 <= width; x += 4) {
        // Four pixels as 32-bit lanes, red in the low byte.
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * x));
        const __m128 f = _mm_loadu_ps(factors + x);
        const __m128i r = roundedBytes(_mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(p, byteMask)), f));
        const __m128i g = roundedBytes(_mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 8), byteMask)), f));
        const __m128i b = roundedBytes(_mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 16), byteMask)), f));
        storeRGBA(out + 4 * x, r, g, b, _mm_srli_epi32(p, 24));
    }
#endif
    for (; x < width; ++x) {
        for (int k = 0; k < 3; ++k) out[4 * x + k] = roundedByte(float(in[4 * x + k]) * factors[x]);
        out[4 * x + 3] = in[4 * x + 3];
    }
}

}  // namespace glimora::WallpaperRenderer::kernels
