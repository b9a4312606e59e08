// The material's sines on the vector units against the maths library's own
// calls, to the bit, wherever a value could come out differently.
#include "render/shader_material_batch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace glimora {
namespace {

using Units = ShaderMaterialBatch::VectorUnits;

std::vector<Units> unitsHere() {
    std::vector<Units> units;
    for (const Units u : {Units::avx512, Units::avx2, Units::baseline}) {
        if (ShaderMaterialBatch::available(u)) units.push_back(u);
    }
    return units;
}

// The first value whose sine or cosine differs from the library's, as text.
std::string firstDifference(const std::vector<float>& values, Units units) {
    std::vector<float> sines(values.size()), cosines(values.size());
    ShaderMaterialBatch::sines(values.data(), sines.data(), values.size(), false, units);
    ShaderMaterialBatch::sines(values.data(), cosines.data(), values.size(), true, units);
    const auto same = [](float a, float b) {
        return std::isnan(a) ? std::isnan(b) : std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float x = values[i];
        if (!same(std::sin(x), sines[i]) || !same(std::cos(x), cosines[i])) {
            char text[160];
            std::snprintf(text, sizeof text, "x = %a: sin %a against %a, cos %a against %a", double(x),
                          double(sines[i]), double(std::sin(x)), double(cosines[i]), double(std::cos(x)));
            return text;
        }
    }
    return {};
}

float fromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

// Every float from `steps` below to `steps` above `centre`.
void addAround(std::vector<float>& values, float centre, int steps) {
    float below = centre, above = centre;
    values.push_back(centre);
    for (int i = 0; i < steps; ++i) {
        below = std::nextafter(below, -std::numeric_limits<float>::infinity());
        above = std::nextafter(above, std::numeric_limits<float>::infinity());
        values.push_back(below);
        values.push_back(above);
    }
}

TEST(ShaderMaterialSines, SpecialValuesAreTheLibrarys) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values{0.0f,
                              -0.0f,
                              inf,
                              -inf,
                              std::numeric_limits<float>::quiet_NaN(),
                              -std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::signaling_NaN(),
                              fromBits(0x7fc12345u),
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::denorm_min(),
                              -std::numeric_limits<float>::denorm_min(),
                              1.0e7f,
                              -3.0e38f};
    // Denormals, and the seams of the library's branches: 2^-12 (sin x = x
    // below it), 0.75 (no reduction below it) and 120 (the long reduction).
    for (std::uint32_t bits = 0; bits < 20000; ++bits) values.push_back(fromBits(bits * 419u));
    for (const float seam : {0x1p-12f, 0.75f, 120.0f, 0x1p-126f}) {
        addAround(values, seam, 3000);
        addAround(values, -seam, 3000);
    }
    for (const Units units : unitsHere()) EXPECT_EQ(firstDifference(values, units), "") << int(units);
}

TEST(ShaderMaterialSines, ValuesNearMultiplesOfAQuarterTurnAreTheLibrarys) {
    // Where the reduction cancels most of the argument and any other way of
    // working it out shows.
    std::vector<float> values;
    for (int quarter = -80; quarter <= 80; ++quarter) {
        addAround(values, float(double(quarter) * 1.5707963267948966), 400);
        addAround(values, float((double(quarter) + 0.5) * 1.5707963267948966), 100);  // the tables' seams
    }
    for (const Units units : unitsHere()) EXPECT_EQ(firstDifference(values, units), "") << int(units);
}

TEST(ShaderMaterialSines, RandomValuesOfEveryMagnitudeAreTheLibrarys) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    std::uniform_real_distribution<float> moderate(-130.0f, 130.0f);
    std::vector<float> values;
    for (int i = 0; i < 300000; ++i) values.push_back(fromBits(anyBits(random)));
    for (int i = 0; i < 700000; ++i) values.push_back(moderate(random));
    for (const Units units : unitsHere()) EXPECT_EQ(firstDifference(values, units), "") << int(units);
}

TEST(ShaderMaterialSines, ValuesThatRoundNearestAMidpointAreTheLibrarys) {
    // The floats whose sine or cosine lies closest to halfway between two
    // floats, found with long double among many: where the last bit is decided
    // by the smallest difference in the working.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> moderate(-120.0f, 120.0f);
    struct Hard {
        long double distance;
        float value;
    };
    std::vector<Hard> hard;
    std::vector<float> values;
    for (int i = 0; i < 400000; ++i) {
        const float x = moderate(random);
        // Where the library's float is not the nearest to the exact value,
        // its own working decided the last bit.
        if (std::sin(x) != float(std::sin((long double)x)) || std::cos(x) != float(std::cos((long double)x)))
            values.push_back(x);
        for (const long double exact : {std::sin((long double)x), std::cos((long double)x)}) {
            const float rounded = float(exact);
            const float other = std::nextafter(rounded, exact > (long double)rounded ? 2.0f : -2.0f);
            const long double midpoint = ((long double)rounded + (long double)other) / 2;
            hard.push_back({std::fabs(exact - midpoint) / std::fabs(exact), x});
        }
    }
    std::partial_sort(hard.begin(), hard.begin() + 3000, hard.end(),
                      [](const Hard& a, const Hard& b) { return a.distance < b.distance; });
    EXPECT_GT(values.size(), 10u);
    for (std::size_t i = 0; i < 3000; ++i) values.push_back(hard[i].value);
    EXPECT_LT(hard[2999].distance, 1.0e-9L);  // a sixtieth of half a float's step at most
    for (const Units units : unitsHere()) EXPECT_EQ(firstDifference(values, units), "") << int(units);
}

TEST(ShaderMaterialSines, RunsOfAnyLengthKeepTheirOwnValues) {
    std::vector<float> values;
    for (int i = 0; i < 150; ++i) values.push_back(0.37f * float(i) - 20.0f);
    for (const std::size_t count : {std::size_t(1), std::size_t(63), std::size_t(64), std::size_t(65),
                                    std::size_t(150)}) {
        std::vector<float> out(count + 1, -7.0f);
        ShaderMaterialBatch::sines(values.data(), out.data(), count, false);
        for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(out[i], std::sin(values[i])) << count << " " << i;
        EXPECT_EQ(out[count], -7.0f);  // nothing written past the run
    }
}

}  // namespace
}  // namespace glimora
