// The rough stand-ins must stay within their stated bounds of the library
// functions, and the rounding decisions built on them must never accept a
// value whose neighbourhood could round differently.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "render/field_math.hpp"
#include "render/rough_math.hpp"
#include "render/vector_units.hpp"

namespace glimora::fieldmath {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double pi = std::numbers::pi;

// Random arguments over several scales, plus the edges of the reductions:
// multiples of pi/2 and their neighbours, zeros, the largest accepted value.
std::vector<double> trigArguments() {
    std::mt19937_64 random(101);
    std::vector<double> values;
    for (double range : {1.0, 4.0, 100.0, 1e5})
        for (int i = 0; i < 200000; ++i)
            values.push_back(std::uniform_real_distribution<double>(-range, range)(random));
    for (int k = -2000; k <= 2000; ++k) {
        const double a = k * pi / 2;
        double v = std::nextafter(std::nextafter(a, -inf), -inf);
        for (int n = 0; n < 5; ++n, v = std::nextafter(v, inf)) values.push_back(v);
        values.push_back(a + pi / 4);
        values.push_back(a - 1e-9);
    }
    for (double v : {0.0, -0.0, 1e-300, -1e-300, 5e-324, 1e5, -1e5, 99999.99999999999}) values.push_back(v);
    return values;
}

TEST(RoughMath, SineAndCosineStayWithinTheirBound) {
    double worst = 0;
    for (double a : trigArguments()) {
        double sine = 7, cosine = 7;
        ASSERT_TRUE(roughSin(a, sine)) << a;
        ASSERT_TRUE(roughCos(a, cosine)) << a;
        worst = std::max({worst, std::abs(sine - std::sin(a)), std::abs(cosine - std::cos(a))});
        ASSERT_LE(std::abs(sine - std::sin(a)), roughTrigError) << a;
        ASSERT_LE(std::abs(cosine - std::cos(a)), roughTrigError) << a;
    }
    // The bound is not loose by orders of magnitude: the Taylor remainder at
    // the interval's ends is reached.
    EXPECT_GT(worst, roughTrigError / 10);
    double untouched = 5;
    for (double a : {std::nextafter(1e5, inf), -2e5, 1e300, inf, -inf, std::nan("")}) {
        EXPECT_FALSE(roughSin(a, untouched)) << a;
        EXPECT_FALSE(roughCos(a, untouched)) << a;
    }
    EXPECT_EQ(untouched, 5);
}

TEST(RoughMath, ExponentialStaysWithinItsBound) {
    std::mt19937_64 random(102);
    std::vector<double> values{0.0, -0.0, -1e-300, -5e-324, -708, -707.9999999999999, -1e-9};
    for (int i = 0; i < 400000; ++i)
        values.push_back(std::uniform_real_distribution<double>(i % 2 ? -1 : -708, 0)(random));
    // Each table step: n ln 2 / 32 and its neighbours.
    for (int n = -32685; n <= 0; n += 7) {
        const double x = n * std::numbers::ln2 / 32;
        values.insert(values.end(), {x, std::nextafter(x, -inf), std::min(0.0, std::nextafter(x, inf))});
    }
    for (double x : values) {
        double e = 0;
        ASSERT_TRUE(roughExp(x, e)) << x;
        ASSERT_LE(std::abs(e - std::exp(x)), roughExpError * std::exp(x)) << x;
    }
    // Below -708 only an absolute bound holds, and the exact values are as small.
    for (double x : {-708.5, -745.2, -1e6, -inf}) {
        double e = 1;
        ASSERT_TRUE(roughExp(x, e));
        EXPECT_LE(e, 1e-307);
        EXPECT_LE(std::exp(x), 1e-307);
    }
    double untouched = 5;
    EXPECT_FALSE(roughExp(1e-300, untouched));
    EXPECT_FALSE(roughExp(inf, untouched));
    EXPECT_FALSE(roughExp(std::nan(""), untouched));
    EXPECT_EQ(untouched, 5);
}

TEST(RoughMath, ExponentialTableHoldsTheCorrectlyRoundedPowersOfTwo) {
    for (int j = 0; j < 32; ++j) {
        const double exact = std::exp2(j / 32.0);
        const double entry = detail::exp2Table[j];
        EXPECT_LE(std::abs(entry - exact), std::nextafter(exact, inf) - exact) << j;
    }
    EXPECT_EQ(detail::exp2Table[0], 1.0);
    EXPECT_EQ(detail::exp2Table[16], std::numbers::sqrt2);
}

TEST(RoughMath, HypotStaysWithinItsBound) {
    std::mt19937_64 random(103);
    for (int i = 0; i < 400000; ++i) {
        const double scale = std::pow(10.0, std::uniform_real_distribution<double>(-170, 149)(random));
        const double a = std::uniform_real_distribution<double>(-scale, scale)(random);
        const double b = std::uniform_real_distribution<double>(-scale, scale)(random) * (i % 3 ? 1 : 1e-5);
        double h = 0;
        ASSERT_TRUE(roughHypot(a, b, h)) << a << " " << b;
        const double exact = std::hypot(a, b);
        ASSERT_LE(std::abs(h - exact), roughHypotError * exact + 1e-150) << a << " " << b;
    }
    double zero = 5;
    ASSERT_TRUE(roughHypot(0, -0.0, zero));
    EXPECT_EQ(zero, 0);
    double untouched = 5;
    for (double a : {1e151, -1e200, inf, std::nan("")}) EXPECT_FALSE(roughHypot(a, 1, untouched)) << a;
    EXPECT_FALSE(roughHypot(8e149, 8e149, untouched));  // the squares' sum passes 1e300
    EXPECT_EQ(untouched, 5);
}

// Points all round the circle at many scales, plus the edges of atan2: the
// axes with both signs of zero, the diagonals, the reduction's edge near
// tan(pi/8) and the branch cut along the negative x axis.
std::vector<std::pair<double, double>> atan2Arguments() {
    std::mt19937_64 random(107);
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 400000; ++i) {
        const double scale = std::pow(10.0, std::uniform_real_distribution<double>(-300, 300)(random));
        const double angle = std::uniform_real_distribution<double>(-pi, pi)(random);
        const double length = scale * std::uniform_real_distribution<double>(0.1, 1)(random);
        points.emplace_back(length * std::sin(angle), length * std::cos(angle));
        if (i % 4 == 0) points.emplace_back(std::uniform_real_distribution<double>(-2, 2)(random) * 1e-12,
                                            std::uniform_real_distribution<double>(-2, 2)(random));
    }
    const double edge = detail::atanReductionEdge;
    for (double sy : {1.0, -1.0})
        for (double sx : {1.0, -1.0}) {
            for (double t : {0.0, 1.0, edge, std::nextafter(edge, 0.0), std::nextafter(edge, 2.0), 1e-300, 5e-324,
                             std::nextafter(1.0, 0.0), std::nextafter(1.0, 2.0)}) {
                points.emplace_back(sy * t, sx * 1.0);
                points.emplace_back(sy * 1.0, sx * t);
                points.emplace_back(sy * t * 1e300, sx * 1e300);
            }
            points.emplace_back(sy * 0.0, sx * 3.0);
            points.emplace_back(sy * 3.0, sx * 0.0);
            points.emplace_back(sy * 1.7976931348623157e308, sx * 1.7976931348623157e308);
        }
    return points;
}

TEST(RoughMath, Atan2StaysWithinItsBound) {
    double worst = 0;
    for (const auto& [y, x] : atan2Arguments()) {
        double angle = 9;
        ASSERT_TRUE(roughAtan2(y, x, angle)) << y << " " << x;
        const double exact = std::atan2(y, x);
        worst = std::max(worst, std::abs(angle - exact));
        ASSERT_LE(std::abs(angle - exact), roughAtan2Error) << y << " " << x;
        // On the branch cut the sign of zero picks the side.
        if (y == 0) ASSERT_EQ(std::signbit(angle), std::signbit(exact)) << y << " " << x;
    }
    // The series' remainder at the reduction's edge is reached.
    EXPECT_GT(worst, roughAtan2Error / 10);
    double untouched = 5;
    for (const auto& [y, x] : std::vector<std::pair<double, double>>{
             {0.0, 0.0}, {-0.0, -0.0}, {inf, 1}, {1, -inf}, {std::nan(""), 1}, {1, std::nan("")}, {inf, inf}})
        EXPECT_FALSE(roughAtan2(y, x, untouched)) << y << " " << x;
    EXPECT_EQ(untouched, 5);
}

// The vector lanes repeat the scalar rough calls operation for operation, so
// the bounds above hold for them: bit for bit the same values, and the same
// arguments declined.
TEST(RoughMath, VectorLanesGiveTheScalarRoughValues) {
    if (!WallpaperRenderer::vectorUnitsPresent()) GTEST_SKIP() << "this processor has no AVX2";
    std::vector<double> a, b;
    for (const auto& [y, x] : atan2Arguments()) a.push_back(y), b.push_back(x);
    for (double v : trigArguments()) a.push_back(v), b.push_back(-v * 0.37);
    for (double v : {1e5, std::nextafter(1e5, inf), -2e5, 1e151, 8e149, inf, -inf, std::nan(""), 0.0, -0.0}) {
        a.push_back(v), b.push_back(0.5);
        a.push_back(0.5), b.push_back(v);
        a.push_back(v), b.push_back(v);
    }
    for (int n = -32686; n <= 0; n += 3) a.push_back(n * std::numbers::ln2 / 32), b.push_back(1);
    for (double v : {-708.0, -708.5, -745.2, -1e6, -inf}) a.push_back(v), b.push_back(1);
    a.push_back(0.25);  // the count is not a multiple of four
    b.push_back(-0.25);
    std::vector<double> out(a.size());
    std::vector<char> validStorage(a.size());
    bool* valid = reinterpret_cast<bool*>(validStorage.data());
    for (RoughCall call : {RoughCall::sin, RoughCall::cos, RoughCall::atan2, RoughCall::hypot, RoughCall::exp}) {
        ASSERT_TRUE(roughCallLanes(call, a.data(), b.data(), a.size(), out.data(), valid));
        for (std::size_t i = 0; i < a.size(); ++i) {
            double scalar = 0;
            const bool answered = call == RoughCall::sin     ? roughSin(a[i], scalar)
                                  : call == RoughCall::cos   ? roughCos(a[i], scalar)
                                  : call == RoughCall::atan2 ? roughAtan2(a[i], b[i], scalar)
                                  : call == RoughCall::exp   ? roughExp(a[i], scalar)
                                                             : roughHypot(a[i], b[i], scalar);
            ASSERT_EQ(valid[i], answered) << int(call) << " " << a[i] << " " << b[i];
            if (answered)
                ASSERT_EQ(std::bit_cast<std::uint64_t>(out[i]), std::bit_cast<std::uint64_t>(scalar))
                    << int(call) << " " << a[i] << " " << b[i];
        }
    }
    WallpaperRenderer::allowVectorUnits(false);
    EXPECT_FALSE(roughCallLanes(RoughCall::sin, a.data(), b.data(), 4, out.data(), valid));
    WallpaperRenderer::allowVectorUnits(true);
}

TEST(RoughMath, CertainRoundingStopsShortOfEveryHalf) {
    double rounded = 99;
    // At a margin of 1/8 the accepted values end 3/8 from a whole number, on
    // either side and for either sign; the ends themselves are refused.
    EXPECT_FALSE(certainRound(2.375, 0.125, rounded));
    EXPECT_FALSE(certainRound(2.625, 0.125, rounded));
    EXPECT_FALSE(certainRound(-2.375, 0.125, rounded));
    EXPECT_EQ(rounded, 99);
    ASSERT_TRUE(certainRound(std::nextafter(2.375, 0.0), 0.125, rounded));
    EXPECT_EQ(rounded, 2);
    ASSERT_TRUE(certainRound(std::nextafter(2.625, inf), 0.125, rounded));
    EXPECT_EQ(rounded, 3);
    ASSERT_TRUE(certainRound(-2.3, 0.125, rounded));
    EXPECT_EQ(rounded, -2);
    // Without a margin only the halves themselves are refused.
    EXPECT_FALSE(certainRound(2.5, 0, rounded));
    EXPECT_FALSE(certainRound(-0.5, 0, rounded));
    ASSERT_TRUE(certainRound(std::nextafter(2.5, 0.0), 0, rounded));
    EXPECT_EQ(rounded, 2);
    ASSERT_TRUE(certainRound(std::nextafter(2.5, inf), 0, rounded));
    EXPECT_EQ(rounded, 3);
    ASSERT_TRUE(certainRound(-0.2, 0, rounded));
    EXPECT_EQ(rounded, 0);
    for (double value : {1e15, -3e15, inf, std::nan("")})
        EXPECT_FALSE(certainRound(value, 0, rounded)) << value;

    // Whatever a value within the margin is, it rounds (half away from zero)
    // as the accepted rounding says.
    std::mt19937_64 random(104);
    for (int i = 0; i < 200000; ++i) {
        const double value = std::uniform_real_distribution<double>(-300, 300)(random);
        const double margin = std::pow(10.0, std::uniform_real_distribution<double>(-9, -0.4)(random));
        if (!certainRound(value, margin, rounded)) {
            // Refused only within the margin of a half.
            const double fraction = std::abs(value) - std::floor(std::abs(value));
            ASSERT_LE(std::abs(fraction - 0.5), margin * (1 + 1e-9)) << value << " " << margin;
            continue;
        }
        for (double offset : {-margin, margin, -0.999 * margin, 0.5 * margin})
            ASSERT_EQ(std::round(value + offset), rounded) << value << " " << margin;
    }
}

TEST(RoughMath, CertainByteClampsLikeByte) {
    std::uint8_t out = 7;
    ASSERT_TRUE(certainByte(-3.2, 1e-9, out));
    EXPECT_EQ(out, 0);
    ASSERT_TRUE(certainByte(300.1, 1e-9, out));
    EXPECT_EQ(out, 255);
    ASSERT_TRUE(certainByte(254.6, 1e-9, out));
    EXPECT_EQ(out, 255);
    ASSERT_TRUE(certainByte(0.3, 1e-9, out));
    EXPECT_EQ(out, 0);
    ASSERT_TRUE(certainByte(127.49, 1e-9, out));
    EXPECT_EQ(out, 127);
    out = 7;
    EXPECT_FALSE(certainByte(127.5, 1e-9, out));
    EXPECT_FALSE(certainByte(127.4999999999, 1e-9, out));
    EXPECT_EQ(out, 7);
    std::mt19937_64 random(105);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::uniform_real_distribution<double>(-20, 280)(random);
        if (certainByte(value, 1e-6, out)) ASSERT_EQ(out, byte(value)) << value;
    }
}

// The cell offset skips the library's floor; it must agree bit for bit with
// the plain fract(z + 0.5) - 0.5 everywhere, signs of zero included.
TEST(RoughMath, CellOffsetMatchesTheFloorFormulaBitForBit) {
    const auto plain = [](double z) { return fract(z + 0.5) - 0.5; };
    std::vector<double> values{0.0,   -0.0,  -0.5,   0.5,    -1.5, 1e-320, -1e-320, 4503599627370495.5,
                               -4503599627370495.5, 4503599627370496.0, -4503599627370496.0,
                               1e17,  -1e17, 1e308,  -1e308, inf,  -inf,   std::nan("")};
    std::mt19937_64 random(106);
    for (int i = 0; i < 300000; ++i) {
        const double range = i % 3 == 0 ? 3 : i % 3 == 1 ? 1e6 : 1e18;
        values.push_back(std::uniform_real_distribution<double>(-range, range)(random));
        values.push_back(std::round(values.back()) - 0.5);  // whole after the shift
        values.push_back(std::nextafter(values.back(), -inf));
    }
    for (double z : values) {
        const double fast = cell(z);
        const double reference = plain(z);
        if (std::isnan(reference)) {
            EXPECT_TRUE(std::isnan(fast)) << z;
            continue;
        }
        ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(reference)) << z;
    }
}

}  // namespace
}  // namespace glimora::fieldmath
