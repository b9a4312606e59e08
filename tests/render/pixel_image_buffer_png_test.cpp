#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "render/pixel_image_buffer.hpp"
#include "tests/render/png_reading.hpp"

namespace glimora {
namespace {

PixelImageBuffer bufferOf(std::int64_t width, std::int64_t height, std::vector<std::uint8_t> bytes) {
    return {width, height, std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes))};
}

using test::decodePng;

TEST(PixelImageBufferPng, NothingForEmptyOrShortBuffers) {
    EXPECT_FALSE(bufferOf(0, 1, {}).pngData());
    EXPECT_FALSE(bufferOf(1, 0, {}).pngData());
    EXPECT_FALSE(bufferOf(-1, 1, {0, 0, 0, 0}).pngData());
    EXPECT_FALSE(bufferOf(2, 2, std::vector<std::uint8_t>(15)).pngData());
    EXPECT_FALSE((PixelImageBuffer{1, 1, nullptr}.pngData()));
    // Sizes whose byte count overflows must not wrap around to something small.
    EXPECT_FALSE(bufferOf(std::int64_t(1) << 40, std::int64_t(1) << 40, std::vector<std::uint8_t>(16)).pngData());
    EXPECT_FALSE(bufferOf(INT64_MAX, 1, std::vector<std::uint8_t>(16)).pngData());
}

TEST(PixelImageBufferPng, OnePixel) {
    const auto png = bufferOf(1, 1, {12, 34, 56, 255}).pngData();
    ASSERT_TRUE(png);
    const auto decoded = decodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 1u);
    EXPECT_EQ(decoded->height, 1u);
    EXPECT_EQ(decoded->rgba, (std::vector<std::uint8_t>{12, 34, 56, 255}));
}

TEST(PixelImageBufferPng, PremultipliedPixelsDecodeToStraightColours) {
    // 3 x 2, premultiplied alpha last, and one byte past the end that is not read.
    const auto png = bufferOf(3, 2,
                              {
                                  64, 32, 0, 128,    10, 20, 30, 0,   200, 100, 50, 200,  //
                                  255, 0, 0, 51,     1, 2, 3, 255,    51, 25, 0, 102,     //
                                  99,
                              })
                         .pngData();
    ASSERT_TRUE(png);
    const auto decoded = decodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 3u);
    EXPECT_EQ(decoded->height, 2u);
    EXPECT_EQ(decoded->rgba, (std::vector<std::uint8_t>{
                                 128, 64, 0, 128,   0, 0, 0, 0,      255, 128, 64, 200,  //
                                 255, 0, 0, 51,     1, 2, 3, 255,    128, 63, 0, 102,    //
                             }));
}

TEST(PixelImageBufferPng, OpaquePhotoIsExact) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> pixels(256 * 144 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : std::uint8_t(random());
    const auto png = bufferOf(256, 144, pixels).pngData();
    ASSERT_TRUE(png);
    const auto decoded = decodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, pixels);
}

}  // namespace
}  // namespace glimora
