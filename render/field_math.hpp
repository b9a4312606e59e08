// Small numeric helpers shared by the field and colour code of the renderer.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <numbers>

namespace glimora::fieldmath {

inline constexpr double pi = std::numbers::pi;

// Clamp into lo...hi; a non-number takes the lower bound.
inline double clamp(double value, double lo, double hi) {
    if (!(value > lo)) return lo;
    if (value > hi) return hi;
    return value;
}

inline double clampUnit(double value) { return clamp(value, 0, 1); }

inline double fract(double z) { return z - std::floor(z); }

// Offset from the nearest cell centre, in -0.5...0.5: fract(z + 0.5) - 0.5.
// The floor is worked out through an integer conversion, far shorter than the
// library's floor on processors without SSE4.1; it agrees with std::floor on
// every input but -0, and z + 0.5 is never -0.
inline double cell(double z) {
    const double w = z + 0.5;
    double whole;
    if (std::abs(w) < 4503599627370496.0) {  // 2^52: the truncation below is exact
        const double truncated = double(std::int64_t(w));
        whole = truncated - double(truncated > w);
    } else {
        whole = std::floor(w);  // already whole, infinite or not a number
    }
    return (w - whole) - 0.5;
}

// The fractional sine noise of an unsigned key.
inline double sineFraction(std::uint64_t key) {
    const double z = std::sin(double(key % 1000000)) * 43758.5453123;
    return z - std::floor(z);
}

// std::round (halves away from zero) without the library call, for the
// per-cell paths; a zero result may lose its sign, which no caller sees.
inline double roundHalfAway(double value) {
    if (!(std::abs(value) < 4503599627370496.0)) return value;  // 2^52: already whole, or not a number
    double whole = double(std::int64_t(value));
    const double rest = value - whole;  // exact
    if (rest >= 0.5) whole += 1;
    else if (rest <= -0.5) whole -= 1;
    return whole;
}

// clampToByte inlined: round half away from zero, clamp to 0...255, a
// non-number gives 0.
inline std::uint8_t byte(double value) {
    const double rounded = roundHalfAway(value);
    if (!(rounded > 0)) return 0;
    if (rounded >= 255) return 255;
    return std::uint8_t(rounded);
}

// Rough sine and cosine of an angle, within 1e-7 for |a| < 1e6; only for
// deciding whether an exact evaluation can make a difference. Returns false
// (and leaves the outputs alone) for larger or non-finite angles.
inline bool roughSinCos(double a, double& sine, double& cosine) {
    if (!(std::abs(a) < 1e6)) return false;
    const double turns = double(std::int64_t(a * (0.5 / pi)));
    double r = a - turns * (2 * pi);  // within a hair of -2 pi...2 pi
    if (r > pi) r -= 2 * pi;
    else if (r < -pi) r += 2 * pi;
    // Halve the angle so that the short series suffice, then double back.
    const double h = r / 2;
    const double h2 = h * h;
    // Taylor series to h^13 and h^14: within 6e-8 for |h| <= pi / 2.
    double s = 1.0 / 6227020800.0;
    for (double k : {-1.0 / 39916800, 1.0 / 362880, -1.0 / 5040, 1.0 / 120, -1.0 / 6, 1.0}) s = s * h2 + k;
    s *= h;
    double c = -1.0 / 87178291200.0;
    for (double k : {1.0 / 479001600.0, -1.0 / 3628800, 1.0 / 40320, -1.0 / 720, 1.0 / 24, -0.5, 1.0}) c = c * h2 + k;
    sine = 2 * s * c;
    cosine = c * c - s * s;
    return true;
}

// Converts a double known to be integral and within range; the callers clamp
// first, so no out-of-range conversion can happen.
inline std::int64_t clampedInt64(double value) {
    constexpr double lowest = -9223372036854775808.0;
    constexpr double highest = 9223372036854774784.0;  // the largest double below 2^63
    if (!(value > lowest)) return std::numeric_limits<std::int64_t>::min();
    if (value >= highest) return std::int64_t(highest);
    return std::int64_t(value);
}

}  // namespace glimora::fieldmath
