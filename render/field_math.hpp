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
