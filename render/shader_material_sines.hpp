// The material's sines on the vector units. Only for code compiled for
// processors with fused multiply-add (a target attribute on the caller):
// elsewhere std::fma is a slow library call and the plain calls are used.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#define GLIMORA_SINES_INLINE inline __attribute__((always_inline))

namespace glimora::vector_sines {

// The maths library's sinf and cosf over a run of values at once. Debian's
// library (glibc since 2.28, in its copy for processors with fused
// multiply-add, which any processor with AVX2 or AVX-512 gets) works each out
// in double precision: below 120 the argument less its nearest multiple of
// pi/2, in one fused multiply-add, then a short polynomial on one of two
// tables, rounded once to float. The same operations in the same order on the
// same constants give the same double, and so the same float. As a guard, a
// value is kept only where its double lies clearly inside a float's rounding
// interval, so that a last-bit difference in the double could not move it;
// the rest, 120 and above, and non-numbers are left to the library itself.
// Before any of this is used, a sample is compared with the library
// (fusedSinesAgree in shader_material_batch.cpp): another library turns the
// vector units off.
struct SineTable {
    double cos0, cos1, cos2, cos3, cos4, sin1, sin2, sin3;
};
constexpr double halfPiInverse = 0x1.45f306dc9c883p+23;  // 2/pi, scaled by 2^24
constexpr double halfPi = 0x1.921fb54442d18p0;
constexpr SineTable sineTable{0x1p0,
                              -0x1.ffffffd0c621cp-2,
                              0x1.55553e1068f19p-5,
                              -0x1.6c087e89a359dp-10,
                              0x1.99343027bf8c3p-16,
                              -0x1.555545995a603p-3,
                              0x1.1107605230bc4p-7,
                              -0x1.994eb3774cf24p-13};
// Arguments from here on, and non-numbers, take the library's slower reduction.
constexpr std::uint32_t sineLargeTop = 0x42f;  // the top 12 bits of 120.0f
constexpr std::uint32_t sineTinyTop = 0x398;   // 2^-12: sin x is x, cos x is 1
// How close to a rounding midpoint a double may come, relative to it, and
// still be kept: far beyond any last-bit difference in the polynomial.
constexpr double sineMargin = 0x1p-45;

template <bool cosine, int N>
GLIMORA_SINES_INLINE void fusedSines(float (&values)[N]) {
    alignas(64) float result[N];
    alignas(64) std::int32_t library[N];
    for (int k = 0; k < N; ++k) {
        const float y = values[k];
        const std::uint32_t top = (std::bit_cast<std::uint32_t>(y) >> 20) & 0x7ffu;
        const double x = y;
        const bool large = top >= sineLargeTop;
        // The quarter turns, rounded as the library rounds them; 0 below 0.75.
        const double turns = large ? 0.0 : x * halfPiInverse;
        const std::int32_t n = (std::int32_t(turns) + 0x800000) >> 24;
        const double r = std::fma(-double(n), halfPi, x);
        const double r2 = r * r;
        const double sign = ((n + 1) & 2) != 0 ? -1.0 : 1.0;
        const double cosSign = (n & 2) != 0 ? -1.0 : 1.0;
        // The sine's polynomial, on r with the quarter's sign.
        const double xs = r * sign;
        const double x3 = r2 * xs;
        const double sinHigh = std::fma(r2, sineTable.sin3, sineTable.sin2);
        const double x7 = r2 * x3;
        const double sinLow = std::fma(x3, sineTable.sin1, xs);
        const double sine = std::fma(sinHigh, x7, sinLow);
        // The cosine's polynomial, on negated coefficients in the second half
        // turn: the same as negating the result, as rounding is symmetric.
        const double x4 = r2 * r2;
        const double cosLow = std::fma(r2, sineTable.cos1, sineTable.cos0);
        const double cosHigh = std::fma(r2, sineTable.cos4, sineTable.cos3);
        const double x6 = r2 * x4;
        const double cosMid = std::fma(x4, sineTable.cos2, cosLow);
        const double cosineValue = std::fma(cosHigh, x6, cosMid) * cosSign;
        const bool odd = (n & 1) != 0;
        const double d = odd != cosine ? cosineValue : sine;
        const float rounded = float(d);
        // The distance to the midpoint on the side the double lies.
        const double error = d - double(rounded);
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(rounded);
        const bool outward = (error > 0.0) == (rounded > 0.0f);
        const float neighbour = std::bit_cast<float>(outward ? bits + 1u : bits - 1u);
        const double half = std::abs(double(neighbour) - double(rounded)) * 0.5;
        const bool clear = std::abs(error) < half - std::abs(d) * sineMargin;
        const bool tiny = top < sineTinyTop;
        result[k] = tiny ? (cosine ? 1.0f : y) : rounded;
        library[k] = !tiny && (large || !clear) ? 1 : 0;
    }
    std::int32_t any = 0;
    for (int k = 0; k < N; ++k) any |= library[k];
    if (any) {
        for (int k = 0; k < N; ++k) {
            if (library[k]) result[k] = cosine ? std::cos(values[k]) : std::sin(values[k]);
        }
    }
    for (int k = 0; k < N; ++k) values[k] = result[k];
}

}  // namespace glimora::vector_sines
