#include "render/shader_material_batch.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "tests/render/shader_material_reference.hpp"

namespace glimora {
namespace {

// An odd size, so that rows end in a partial run of points.
constexpr std::int64_t frameWidth = 101;
constexpr std::int64_t frameHeight = 37;

ShaderColor randomColor(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    return {unit(random), unit(random), unit(random), 1.0f};
}

// Every argument over its range and a little past it, as a design can hold.
ShaderMaterialUniforms randomUniforms(std::mt19937& random, int pattern, int shape) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    ShaderMaterialUniforms u;
    u.width = 200.0f + 3000.0f * unit(random);
    u.height = 200.0f + 2000.0f * unit(random);
    u.time = 600.0f * unit(random);
    u.pattern = float(pattern) + 0.4f * (unit(random) - 0.5f);
    u.scale = 0.02f + 6.0f * unit(random);
    u.distortion = 2.4f * unit(random);
    u.relief = 2.4f * unit(random);
    u.colorShift = 2.4f * unit(random);
    u.intensity = 2.4f * unit(random);
    u.seed = unit(random);
    u.shape = float(shape);
    u.angle = 720.0f * unit(random) - 360.0f;
    u.spread = 400.0f * unit(random);
    u.centerX = 140.0f * unit(random) - 20.0f;
    u.centerY = 140.0f * unit(random) - 20.0f;
    u.phase = 360.0f * unit(random);
    u.frequencyX = 18.0f * unit(random);
    u.frequencyY = 18.0f * unit(random);
    u.base = randomColor(random);
    u.mid = randomColor(random);
    u.highlight = randomColor(random);
    return u;
}

std::vector<std::uint8_t> rendered(const ShaderMaterialUniforms& u, const PixelImageBuffer* picture, int threads) {
    std::vector<std::uint8_t> pixels(std::size_t(frameWidth * frameHeight * 4), 77);
    renderShaderMaterial(u, picture, {pixels.data(), frameWidth, frameHeight, frameWidth * 4},
                         double(frameWidth) / double(u.width), threads);
    return pixels;
}

std::vector<std::uint8_t> referenceRendered(const ShaderMaterialUniforms& u, const PixelImageBuffer* picture) {
    std::vector<std::uint8_t> pixels(std::size_t(frameWidth * frameHeight * 4), 77);
    reference::render(u, picture, {pixels.data(), frameWidth, frameHeight, frameWidth * 4},
                      double(frameWidth) / double(u.width));
    return pixels;
}

// The first pixel where two frames differ, or -1.
std::int64_t firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return std::int64_t(i / 4);
    }
    return -1;
}

// Equal to the bit; any two non-numbers count as equal.
bool sameBits(float a, float b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

PixelImageBuffer randomPicture(std::mt19937& random, std::int64_t width, std::int64_t height) {
    std::uniform_int_distribution<int> byte(0, 255);
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    for (std::int64_t i = 0; i < width * height; ++i) {
        const int alpha = byte(random);
        // Premultiplied, as decoded pictures are.
        for (int c = 0; c < 3; ++c) bytes->push_back(std::uint8_t(byte(random) * alpha / 255));
        bytes->push_back(std::uint8_t(alpha));
    }
    return {width, height, bytes};
}

TEST(ShaderMaterialBatch, FramesEqualThePointByPointFormulasForEveryPatternAndShape) {
    std::mt19937 random(1907);
    for (int pattern = 0; pattern < 6; ++pattern) {
        for (int shape = 0; shape < 15; ++shape) {
            const ShaderMaterialUniforms u = randomUniforms(random, pattern, shape);
            const auto expected = referenceRendered(u, nullptr);
            EXPECT_EQ(firstDifference(rendered(u, nullptr, 1), expected), -1)
                << "pattern " << pattern << " shape " << shape;
            if (shape % 5 == 0) {
                EXPECT_EQ(firstDifference(rendered(u, nullptr, 3), expected), -1)
                    << "three threads, pattern " << pattern << " shape " << shape;
            }
        }
    }
}

TEST(ShaderMaterialBatch, FramesOverAPictureEqualThePointByPointFormulas) {
    std::mt19937 random(44);
    for (int pattern = 0; pattern < 6; ++pattern) {
        ShaderMaterialUniforms u = randomUniforms(random, pattern, pattern * 2);
        // Tall and wide pictures, so that black bands cut the rows into runs
        // of every length and whole rows are black.
        for (const auto& [w, h] : {std::pair<std::int64_t, std::int64_t>{30, 90}, {90, 17}, {1, 1}}) {
            const PixelImageBuffer picture = randomPicture(random, w, h);
            const auto expected = referenceRendered(u, &picture);
            EXPECT_EQ(firstDifference(rendered(u, &picture, 1), expected), -1)
                << "pattern " << pattern << " picture " << w << "x" << h;
        }
    }
}

TEST(ShaderMaterialBatch, BothVectorUnitsGiveThePointByPointColoursToTheBit) {
    using Batch = ShaderMaterialBatch;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-3000.0f, 6000.0f);
    for (int pattern = 0; pattern < 6; ++pattern) {
        const ShaderMaterialUniforms u = randomUniforms(random, pattern, (pattern * 7) % 15);
        Batch::Points points;
        for (int k = 0; k < Batch::size; ++k) {
            points.x[std::size_t(k)] = spread(random);
            points.y[std::size_t(k)] = spread(random);
        }
        for (const auto units : {Batch::VectorUnits::avx512, Batch::VectorUnits::avx2, Batch::VectorUnits::baseline}) {
            if (!Batch::available(units)) continue;
            Batch batch(u, units);
            ASSERT_EQ(batch.units(), units);
            Batch::Points copy = points;
            Batch::Colors colors;
            batch.colors(copy, Batch::size, 0.0f, colors);
            for (int k = 0; k < Batch::size; ++k) {
                const auto i = std::size_t(k);
                const ShaderColor expected = reference::materialColor(u, points.x[i], points.y[i]);
                ASSERT_TRUE(sameBits(colors.red[i], expected[0]) && sameBits(colors.green[i], expected[1]) &&
                            sameBits(colors.blue[i], expected[2]))
                    << "pattern " << pattern << " units " << int(units)
                    << " at " << points.x[i] << "," << points.y[i] << ": " << colors.red[i] << " against "
                    << expected[0];
            }
        }
        // The single-point entries agree too, with and without a picture under them.
        const ShaderColor under{0.3f, 0.5f, 0.1f, 0.7f};
        for (const float x : {-40.0f, 0.0f, 517.25f}) {
            const ShaderColor a = shaderMaterialColor(u, x, 0.5f * x + 3.0f);
            const ShaderColor b = reference::materialColor(u, x, 0.5f * x + 3.0f);
            const ShaderColor c = shaderImageColor(u, x, 11.0f, under);
            const ShaderColor d = reference::imageColor(u, x, 11.0f, under);
            for (std::size_t i = 0; i < 4; ++i) {
                EXPECT_TRUE(sameBits(a[i], b[i])) << "pattern " << pattern << " channel " << i;
                EXPECT_TRUE(sameBits(c[i], d[i])) << "pattern " << pattern << " picture channel " << i;
            }
        }
    }
}

TEST(ShaderMaterialBatch, ExtremeAndNonNumberArgumentsGiveTheSameFrames) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float largest = std::numeric_limits<float>::max();
    std::mt19937 random(99);
    float ShaderMaterialUniforms::*const fields[] = {
        &ShaderMaterialUniforms::time,       &ShaderMaterialUniforms::pattern,
        &ShaderMaterialUniforms::scale,      &ShaderMaterialUniforms::distortion,
        &ShaderMaterialUniforms::relief,     &ShaderMaterialUniforms::colorShift,
        &ShaderMaterialUniforms::intensity,  &ShaderMaterialUniforms::seed,
        &ShaderMaterialUniforms::shape,      &ShaderMaterialUniforms::angle,
        &ShaderMaterialUniforms::spread,     &ShaderMaterialUniforms::centerX,
        &ShaderMaterialUniforms::centerY,    &ShaderMaterialUniforms::phase,
        &ShaderMaterialUniforms::frequencyX, &ShaderMaterialUniforms::frequencyY,
    };
    int field = 0;
    for (float ShaderMaterialUniforms::*const member : fields) {
        for (const float value : {nan, inf, -inf, largest, -largest, 1.0e7f}) {
            ShaderMaterialUniforms u = randomUniforms(random, field % 6, field % 15);
            u.*member = value;
            EXPECT_EQ(firstDifference(rendered(u, nullptr, 1), referenceRendered(u, nullptr)), -1)
                << "argument " << field << " = " << value;
        }
        ++field;
    }
    // Colours that are not numbers or outside 0...1.
    ShaderMaterialUniforms u = randomUniforms(random, 1, 3);
    u.base = {nan, -2.0f, inf, 1.0f};
    u.highlight = {3.0f, nan, -inf, 1.0f};
    EXPECT_EQ(firstDifference(rendered(u, nullptr, 1), referenceRendered(u, nullptr)), -1);
}

TEST(ShaderMaterialBatch, ARunOfAnyLengthGivesTheColoursOfItsOwnPoints) {
    using Batch = ShaderMaterialBatch;
    std::mt19937 random(3);
    const ShaderMaterialUniforms u = randomUniforms(random, 4, 9);
    Batch batch(u);
    for (const int count : {1, 2, 7, Batch::size - 1, Batch::size, Batch::size + 5}) {
        Batch::Points points;
        for (int k = 0; k < Batch::size; ++k) {
            points.x[std::size_t(k)] = 13.0f * float(k) + float(count);
            points.y[std::size_t(k)] = 400.0f - 5.0f * float(k);
        }
        const Batch::Points asked = points;
        Batch::Colors colors;
        batch.colors(points, count, 0.0f, colors);
        for (int k = 0; k < std::min(count, Batch::size); ++k) {
            const auto i = std::size_t(k);
            const ShaderColor expected = reference::materialColor(u, asked.x[i], asked.y[i]);
            EXPECT_TRUE(sameBits(colors.green[i], expected[1])) << "run of " << count << ", point " << k;
        }
    }
    // An empty run writes nothing.
    Batch::Points points;
    Batch::Colors colors;
    colors.red.fill(-1.0f);
    batch.colors(points, 0, 0.0f, colors);
    EXPECT_EQ(colors.red[0], -1.0f);
}

TEST(ShaderMaterialBatch, TheWidestUnitsThereAreAreUsed) {
    using Units = ShaderMaterialBatch::VectorUnits;
    const ShaderMaterialUniforms u;
    EXPECT_EQ(ShaderMaterialBatch(u, Units::baseline).units(), Units::baseline);
    const Units widest = ShaderMaterialBatch::available(Units::avx512) ? Units::avx512
                         : ShaderMaterialBatch::available(Units::avx2) ? Units::avx2
                                                                       : Units::baseline;
    EXPECT_EQ(ShaderMaterialBatch(u).units(), widest);
    // Units the processor lacks give way to the widest below them.
    const Units belowAvx512 = ShaderMaterialBatch::available(Units::avx2) ? Units::avx2 : Units::baseline;
    EXPECT_EQ(ShaderMaterialBatch(u, Units::avx512).units(),
              ShaderMaterialBatch::available(Units::avx512) ? Units::avx512 : belowAvx512);
#if defined(__x86_64__)
    // The wide copies need fused multiply-adds for their sines.
    EXPECT_EQ(ShaderMaterialBatch::available(Units::avx2),
              __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"));
#endif
}

}  // namespace
}  // namespace glimora
