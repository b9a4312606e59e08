// Cheap stand-ins for sin, cos, exp and hypot with proven error bounds. They
// never replace a library call in a result: a caller rounds a value worked out
// with them and keeps the rounded value only when the value lies farther from
// the rounding edge than the propagated bound; otherwise it makes the exact
// calls. So they decide *whether* the exact call could change a byte, cheaply.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "render/field_math.hpp"

namespace glimora::fieldmath {

// One unit roundoff, 2^-53.
inline constexpr double unitRoundoff = 1.1102230246251565e-16;

// |roughSin(a) - std::sin(a)| and |roughCos(a) - std::cos(a)| for every a the
// rough versions accept. Derivation: the reduction to r = a - k pi (k whole
// for the sine, half-integral for the cosine) with |r| <= pi/2 + 4e-11 errs
// by under 4e-16 (a 31-bit head of pi times 2|t| < 2^17 is exact, the tail
// errs by 1e-26 |t|); the Taylor remainder is below (pi/2)^17/17! < 6.1e-12;
// the polynomial's rounding adds at most 8 u sinh(pi/2) < 2.1e-15; glibc's
// own results are within one ulp, 1.2e-16.
inline constexpr double roughTrigError = 1e-11;

// Relative error of roughExp(x) against std::exp(x) for x <= 0: the reduction
// to x = n ln 2 / 32 + r with |r| <= 0.01084 errs by under 2e-18, the Taylor
// remainder is below e^0.011 0.01084^6/6! < 2.4e-15, the table entry 2^(j/32)
// is correctly rounded (u), the polynomial's and the final product's
// rounding stay under 8 u, glibc is within one ulp (2 u). Sum: under 3.6e-15.
inline constexpr double roughExpError = 1e-14;

// Relative error of roughHypot against std::hypot: three roundings before the
// square root and one in it (at most 2 u), glibc within one ulp (2 u); plus an
// absolute 1e-150 when squares fall below the normal range.
inline constexpr double roughHypotError = 6 * unitRoundoff;

// |roughAtan2(y, x) - std::atan2(y, x)| wherever roughAtan2 answers.
// Derivation: z = min(|x|,|y|) / max(|x|,|y|) in 0...1 is within u of its
// true value; above t = 0.41421 (about tan pi/8) it becomes
// w = (z - 1) / (z + 1), so |w| <= 0.4143 always, within 3 u of the true
// reduced value (the slope of w in z is at most 1 there). The series of atan w
// to w^23 alternates with falling terms, so it errs by less than the first
// term left out, 0.4143^25 / 25 < 1.1e-11; its rounding stays under 2 u. The
// constants pi/4, pi/2, pi and the three additions that place the octant add
// under 12 u; glibc's atan2 is within one ulp of pi (2 pi u). Sum: under
// 1.2e-11.
inline constexpr double roughAtan2Error = 2e-11;

namespace detail {

inline constexpr double roundingShift = 6755399441055744.0;  // 1.5 x 2^52: adding it rounds to an integer
inline constexpr double oneOverPi = 0.31830988618379067154;
inline constexpr double piHead = 3.14159265346825122833e+00;  // 31 significant bits
inline constexpr double piTail = 1.21542010130123844986e-10;
inline constexpr double thirtyTwoOverLn2 = 32 * 1.44269504088896338700e+00;
// ln 2 / 32 as a head of 32 significant bits (exact in products with integers
// below 2^21) and its tail.
inline constexpr double ln2Over32Head = 6.93147180369123816490e-01 / 32;
inline constexpr double ln2Over32Tail = 1.90821492927058770002e-10 / 32;
// 2^(j/32), correctly rounded.
inline constexpr double exp2Table[32] = {
    0x1.0000000000000p+0, 0x1.059b0d3158574p+0, 0x1.0b5586cf9890fp+0, 0x1.11301d0125b51p+0,
    0x1.172b83c7d517bp+0, 0x1.1d4873168b9aap+0, 0x1.2387a6e756238p+0, 0x1.29e9df51fdee1p+0,
    0x1.306fe0a31b715p+0, 0x1.371a7373aa9cbp+0, 0x1.3dea64c123422p+0, 0x1.44e086061892dp+0,
    0x1.4bfdad5362a27p+0, 0x1.5342b569d4f82p+0, 0x1.5ab07dd485429p+0, 0x1.6247eb03a5585p+0,
    0x1.6a09e667f3bcdp+0, 0x1.71f75e8ec5f74p+0, 0x1.7a11473eb0187p+0, 0x1.82589994cce13p+0,
    0x1.8ace5422aa0dbp+0, 0x1.93737b0cdc5e5p+0, 0x1.9c49182a3f090p+0, 0x1.a5503b23e255dp+0,
    0x1.ae89f995ad3adp+0, 0x1.b7f76f2fb5e47p+0, 0x1.c199bdd85529cp+0, 0x1.cb720dcef9069p+0,
    0x1.d5818dcfba487p+0, 0x1.dfc97337b9b5fp+0, 0x1.ea4afa2a490dap+0, 0x1.f50765b6e4540p+0};

// sin a = (-1)^k sin(a - t pi) with t = k, and cos a = (-1)^k sin(a - t pi)
// with t = k - 1/2, for whole k; t is the nearest such number to a / pi.
// False when |a| is above 1e5 or a is not a number.
inline bool sineOfReduced(double a, double turns, double k, double& out) {
    if (!(std::abs(a) <= 1e5)) return false;
    const double r = (a - turns * piHead) - turns * piTail;
    // Taylor series to r^15, summed in pairs (Estrin) rather than by Horner's
    // rule for a shorter chain of dependent operations.
    const double z = r * r;
    const double z2 = z * z;
    const double z4 = z2 * z2;
    const double low = (-1.0 / 6 + z * (1.0 / 120)) + z2 * (-1.0 / 5040 + z * (1.0 / 362880));
    const double high = (-1.0 / 39916800 + z * (1.0 / 6227020800)) + z2 * (-1.0 / 1307674368000);
    const double sine = r + r * z * (low + z4 * high);
    // The sign flips with odd k, without a branch: k comes in random order.
    const auto parity = std::uint64_t(std::int64_t(k)) << 63;
    out = std::bit_cast<double>(std::bit_cast<std::uint64_t>(sine) ^ parity);
    return true;
}

// The reduction of atan2 and the series of atan w, 1/3, 1/5, ..., 1/23 with
// alternating signs, past the leading w.
inline constexpr double atanReductionEdge = 0.41421356237309503;
inline constexpr double atanSeries[11] = {-1.0 / 3,  1.0 / 5,  -1.0 / 7,  1.0 / 9,  -1.0 / 11, 1.0 / 13,
                                          -1.0 / 15, 1.0 / 17, -1.0 / 19, 1.0 / 21, -1.0 / 23};
inline constexpr double quarterPi = 0.78539816339744830962;
inline constexpr double halfPi = 1.57079632679489661923;

}  // namespace detail

// sin a within roughTrigError, for |a| <= 1e5; false (out untouched) otherwise.
inline bool roughSin(double a, double& out) {
    const double k = (a * detail::oneOverPi + detail::roundingShift) - detail::roundingShift;
    return detail::sineOfReduced(a, k, k, out);
}

// cos a within roughTrigError, for |a| <= 1e5; false (out untouched) otherwise.
inline bool roughCos(double a, double& out) {
    const double k = (a * detail::oneOverPi + 0.5 + detail::roundingShift) - detail::roundingShift;
    return detail::sineOfReduced(a, k - 0.5, k, out);
}

// exp x within the relative roughExpError, for -708 <= x <= 0, and within an
// absolute 1e-307 below; false for x > 0 or not a number.
inline bool roughExp(double x, double& out) {
    if (!(x <= 0)) return false;
    x = x < -708 ? -708 : x;  // e^-708 < 1e-307: near enough to what lies below
    // x = (32 m + j) ln 2 / 32 + r, so e^x = 2^m 2^(j/32) e^r.
    const double n = (x * detail::thirtyTwoOverLn2 + detail::roundingShift) - detail::roundingShift;
    const double r = (x - n * detail::ln2Over32Head) - n * detail::ln2Over32Tail;
    const double r2 = r * r;
    const double p = (1 + r) + r2 * ((0.5 + r * (1.0 / 6)) + r2 * (1.0 / 24 + r * (1.0 / 120)));
    const auto whole = std::int64_t(n);
    const auto exponent = std::uint64_t((whole >> 5) + 1023) << 52;  // n >= -32685, so m >= -1022
    out = (p * detail::exp2Table[whole & 31]) * std::bit_cast<double>(exponent);
    return true;
}

// hypot(a, b) within roughHypotError (relative) plus 1e-150, when a^2 + b^2
// stays at most 1e300 (so no square overflows); false otherwise.
inline bool roughHypot(double a, double b, double& out) {
    const double squares = a * a + b * b;
    if (!(squares <= 1e300)) return false;
    out = std::sqrt(squares);
    return true;
}

// atan2(y, x) within roughAtan2Error, signs of zero included, when x and y
// are finite and not both zero; false (out untouched) otherwise. The vector
// lanes (shape_field_lanes.cpp) repeat these operations one for one.
inline bool roughAtan2(double y, double x, double& out) {
    using namespace detail;
    const double ax = std::abs(x), ay = std::abs(y);
    const double high = ax < ay ? ay : ax;
    const double low = ax < ay ? ax : ay;
    if (!(high > 0 && high <= 1.7976931348623157e308 && low <= high)) return false;  // both finite
    const double z = low / high;
    const bool reduced = z > atanReductionEdge;
    const double w = reduced ? (z - 1) / (z + 1) : z;
    const double s = w * w;
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double s8 = s4 * s4;
    // Summed in pairs (Estrin), as the lanes do.
    const double q01 = atanSeries[0] + s * atanSeries[1];
    const double q23 = atanSeries[2] + s * atanSeries[3];
    const double q45 = atanSeries[4] + s * atanSeries[5];
    const double q67 = atanSeries[6] + s * atanSeries[7];
    const double q89 = atanSeries[8] + s * atanSeries[9];
    const double q03 = q01 + s2 * q23;
    const double q47 = q45 + s2 * q67;
    const double q810 = q89 + s2 * atanSeries[10];
    const double q = (q03 + s4 * q47) + s8 * q810;
    double a = (reduced ? quarterPi : 0.0) + (w + (w * s) * q);
    if (ax < ay) a = halfPi - a;
    if (x < 0) a = pi - a;
    out = std::copysign(a, y);
    return true;
}

// The rough calls four at a time on the vector units, for the checks of
// their bounds: out[i] and valid[i] for arguments a[i] (and b[i] for the two
// argument calls: atan2(a, b), hypot(a, b); b holds `count` values for
// every call). False, with nothing written,
// when the vector units are absent or turned off.
enum class RoughCall { sin, cos, atan2, hypot, exp };
bool roughCallLanes(RoughCall call, const double* a, const double* b, std::size_t count, double* out, bool* valid);

// The library functions, for formulas written once over either kind of calls.
struct ExactCalls {
    static double sin(double a) { return std::sin(a); }
    static double cos(double a) { return std::cos(a); }
    static double exp(double x) { return std::exp(x); }
    static double hypot(double a, double b) { return std::hypot(a, b); }
    static void require(bool) {}
};

// The rough functions; `valid` turns false once any of them declines, and the
// formula's result must then be discarded.
struct RoughCalls {
    bool valid = true;
    double sin(double a) { return keep(roughSin(a, scratch)); }
    double cos(double a) { return keep(roughCos(a, scratch)); }
    double exp(double x) { return keep(roughExp(x, scratch)); }
    double hypot(double a, double b) { return keep(roughHypot(a, b, scratch)); }
    // A condition the error bound of the formula relies on.
    void require(bool holds) { valid = valid && holds; }

private:
    double scratch = 0;
    double keep(bool ok) {
        valid = valid && ok;
        return scratch;
    }
};

// Rounds `value` half away from zero when every number within `margin` of it
// rounds the same way, i.e. it lies more than `margin` from a half-integer.
// Rounding to even instead is no matter, as halves never qualify; it takes no
// branch on the value, whose fraction is random.
inline bool certainRound(double value, double margin, double& rounded) {
    if (!(std::abs(value) < 1e15)) return false;
    const double nearest = (value + detail::roundingShift) - detail::roundingShift;
    if (!(std::abs(value - nearest) < 0.5 - margin)) return false;
    rounded = nearest;
    return true;
}

// byte(exact) for every exact value within `margin` of `value`.
inline bool certainByte(double value, double margin, std::uint8_t& out) {
    double rounded;
    if (!certainRound(value, margin, rounded)) return false;
    out = rounded <= 0 ? 0 : rounded >= 255 ? 255 : std::uint8_t(rounded);  // byte() of a whole number
    return true;
}

}  // namespace glimora::fieldmath
