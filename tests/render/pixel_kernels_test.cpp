// The kernels work four pixels at a time where the processor allows and one
// at a time at the ends of a run; both must give the same values, or a
// bitmap would depend on where its runs start.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "render/pixel_kernels.hpp"

namespace glimora::WallpaperRenderer::kernels {
namespace {

constexpr std::int64_t width = 203;

std::vector<float> ramp(float start, float step) {
    std::vector<float> values(width);
    for (std::int64_t x = 0; x < width; ++x) values[std::size_t(x)] = start + step * float(x);
    return values;
}

TEST(PixelKernels, RunsEqualPixelByPixel) {
    std::vector<float> whole(width), single(width);
    radialFactors(whole.data(), 0, width, 90.5f, 12.25f, 30, 150, 0.004f);
    for (std::int64_t x = 0; x < width; ++x) radialFactors(single.data(), x, x + 1, 90.5f, 12.25f, 30, 150, 0.004f);
    EXPECT_EQ(whole, single);
    EXPECT_EQ(whole[90], 1.0f);   // inside the clear radius
    EXPECT_LT(whole[0], 1.0f);    // beyond it

    const float from[3] = {10, 200, 30}, delta[3] = {100, -150, 0};
    std::vector<float> r1(width), g1(width), b1(width), r2(width), g2(width), b2(width);
    gradientRun(r1.data(), g1.data(), b1.data(), 0, width, -0.3f, 0.0071f, from, delta);
    for (std::int64_t x = 0; x < width; ++x)
        gradientRun(r2.data(), g2.data(), b2.data(), x, x + 1, -0.3f, 0.0071f, from, delta);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(g1, g2);
    EXPECT_EQ(b1, b2);
    EXPECT_EQ(r1[0], 10.0f);      // held before the run's start
    EXPECT_EQ(r1[width - 1], 110.0f);  // and after its end

    const float color[3] = {250, 120, 0};
    screenGlow(r1.data(), g1.data(), b1.data(), 0, width, 100.5f, -20, 1 / 80.0f, color);
    for (std::int64_t x = 0; x < width; ++x)
        screenGlow(r2.data(), g2.data(), b2.data(), x, x + 1, 100.5f, -20, 1 / 80.0f, color);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(g1, g2);
    EXPECT_EQ(b1, b2);

    const std::vector<float> factors = ramp(1.0f, -0.004f);
    std::vector<std::uint8_t> bytes1(width * 4), bytes2(width * 4);
    channelsToRGBA(r1.data(), g1.data(), b1.data(), factors.data(), 0.9f, width, bytes1.data());
    for (std::int64_t x = 0; x < width; ++x)
        channelsToRGBA(r1.data() + x, g1.data() + x, b1.data() + x, factors.data() + x, 0.9f, 1,
                       bytes2.data() + 4 * x);
    EXPECT_EQ(bytes1, bytes2);

    std::vector<std::uint8_t> pixels(width * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * 7 + 3);
    shadeRGBA(pixels.data(), factors.data(), width, bytes1.data());
    for (std::int64_t x = 0; x < width; ++x)
        shadeRGBA(pixels.data() + 4 * x, factors.data() + x, 1, bytes2.data() + 4 * x);
    EXPECT_EQ(bytes1, bytes2);
    for (std::int64_t x = 0; x < width; ++x) {
        ASSERT_EQ(bytes1[std::size_t(4 * x)], roundedByte(float(pixels[std::size_t(4 * x)]) * factors[std::size_t(x)]));
        ASSERT_EQ(bytes1[std::size_t(4 * x + 3)], pixels[std::size_t(4 * x + 3)]);  // alpha kept
    }
    // In place.
    shadeRGBA(pixels.data(), factors.data(), width, pixels.data());
    EXPECT_EQ(pixels, bytes1);
}

TEST(PixelKernels, RoundingAndClamping) {
    EXPECT_EQ(roundedByte(-3), 0);
    EXPECT_EQ(roundedByte(0.49f), 0);
    EXPECT_EQ(roundedByte(0.5f), 1);
    EXPECT_EQ(roundedByte(254.5f), 255);
    EXPECT_EQ(roundedByte(300), 255);
    EXPECT_EQ(roundedByte(std::numeric_limits<float>::quiet_NaN()), 0);
    // Four lanes and one: the same rounding.
    const std::vector<float> values{-3, 0.49f, 0.5f, 127.5f, 254.5f, 300, 12.4999f};
    std::vector<std::uint8_t> out(values.size() * 4);
    channelsToRGBA(values.data(), values.data(), values.data(), nullptr, 1, std::int64_t(values.size()), out.data());
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(out[4 * i], roundedByte(values[i])) << values[i];
}

}  // namespace
}  // namespace glimora::WallpaperRenderer::kernels
