// Small numeric helpers shared by the field and colour code of the renderer.
#pragma once

#include <cmath>
#include <cstdint>
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

// Offset from the nearest cell centre, in -0.5...0.5.
inline double cell(double z) { return fract(z + 0.5) - 0.5; }

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

// True only when sin(a) is certainly below `limit`: a cheap polynomial
// (error below 1e-7 after reduction) decides with a margin of 1e-6; large or
// non-finite arguments answer false so the caller computes the exact sine.
inline bool sineCertainlyBelow(double a, double limit) {
    if (!(std::abs(a) < 1e6)) return false;
    constexpr double twoPi = 2 * pi;
    double r = a - roundHalfAway(a / twoPi) * twoPi;
    if (r > pi / 2) r = pi - r;
    else if (r < -pi / 2) r = -pi - r;
    const double r2 = r * r;
    const double s =
        r * (1 + r2 * (-1.0 / 6 + r2 * (1.0 / 120 + r2 * (-1.0 / 5040 + r2 * (1.0 / 362880 + r2 * (-1.0 / 39916800))))));
    return s < limit - 1e-6;
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
