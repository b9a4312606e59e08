#include <gtest/gtest.h>

#include <random>

#include "render/png_encoder.hpp"
#include "tests/render/png_reading.hpp"

namespace glimora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Flat cells with hard edges, a smooth ramp, noise and varying alpha: every
// filter gets its turn somewhere.
Bytes mixedImage(std::int64_t width, std::int64_t height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes pixels(std::size_t(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.data() + (y * width + x) * 4;
            if (y < height / 3) {
                p[0] = std::uint8_t((x / 9) * 37), p[1] = std::uint8_t((y / 7) * 53), p[2] = 90, p[3] = 255;
            } else if (y < 2 * height / 3) {
                p[0] = std::uint8_t(x * 255 / std::max<std::int64_t>(width - 1, 1)), p[1] = std::uint8_t(y);
                p[2] = std::uint8_t(x + y), p[3] = std::uint8_t(255 - x % 7);
            } else {
                for (int k = 0; k < 4; ++k) p[k] = std::uint8_t(random());
            }
        }
    }
    return pixels;
}

Bytes encoded(const Bytes& pixels, std::int64_t width, std::int64_t height, int threads = 0) {
    const auto png = encodePng(pixels.data(), width, height, width * 4, threads);
    EXPECT_TRUE(png);
    return png ? *png : Bytes();
}

TEST(PngEncoder, LibpngReadsBackTheSamePixels) {
    // One pixel, odd sizes, rows narrower than a pixel group, and an image of
    // several compression bands (about a mebibyte each).
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {1, 300}, {257, 31},
                                                                        {1000, 700}}) {
        const Bytes pixels = mixedImage(width, height, std::uint32_t(width * 31 + height));
        const auto decoded = test::decodePng(encoded(pixels, width, height));
        ASSERT_TRUE(decoded) << width << "x" << height;
        EXPECT_EQ(decoded->width, std::uint32_t(width));
        EXPECT_EQ(decoded->height, std::uint32_t(height));
        EXPECT_EQ(decoded->rgba, pixels) << width << "x" << height;
    }
}

TEST(PngEncoder, PythonZlibInflatesTheJoinedBands) {
    // 2.8 MB of rows: three bands joined by sync flushes into one stream.
    const int width = 1000, height = 700;
    const Bytes pixels = mixedImage(width, height, 7);
    const auto inflated = test::inflateWithPython(encoded(pixels, width, height));
    ASSERT_EQ(inflated.error, "");
    EXPECT_EQ(inflated.width, std::uint32_t(width));
    EXPECT_EQ(inflated.height, std::uint32_t(height));
    EXPECT_EQ(inflated.pixels, pixels);

    // The reader does notice damage: one changed byte of compressed data.
    Bytes damaged = encoded(pixels, width, height);
    damaged[damaged.size() / 2] ^= 0x40;
    EXPECT_NE(test::inflateWithPython(damaged).error, "");

    const Bytes one{200, 100, 50, 255};
    const auto single = test::inflateWithPython(encoded(one, 1, 1));
    ASSERT_EQ(single.error, "");
    EXPECT_EQ(single.pixels, one);
}

TEST(PngEncoder, SameBytesOnAnyNumberOfThreads) {
    const int width = 1200, height = 900;
    const Bytes pixels = mixedImage(width, height, 11);
    const Bytes one = encoded(pixels, width, height, 1);
    EXPECT_EQ(encoded(pixels, width, height, 3), one);
    EXPECT_EQ(encoded(pixels, width, height, 16), one);
}

TEST(PngEncoder, RowsTakenFromTheStride) {
    // Rows 3 pixels wide stored 5 apart: the padding must not leak in.
    const int width = 3, height = 4;
    Bytes padded(std::size_t(5 * 4 * height), 0xEE);
    Bytes tight;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 4; ++i) {
            const auto v = std::uint8_t(y * 40 + i);
            padded[std::size_t(y * 20 + i)] = v;
            tight.push_back(v);
        }
    const auto png = encodePng(padded.data(), width, height, 20);
    ASSERT_TRUE(png);
    const auto decoded = test::decodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, tight);
}

TEST(PngEncoder, RepeatedRowsCompressToAlmostNothing) {
    // A cell grid is mostly rows equal to the row above.
    const int width = 2000, height = 1000;
    Bytes pixels(std::size_t(width * height * 4));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.data() + std::size_t(y * width + x) * 4;
            p[0] = std::uint8_t(x / 20 * 7), p[1] = std::uint8_t(y / 20 * 11), p[2] = 60, p[3] = 255;
        }
    const Bytes png = encoded(pixels, width, height);
    EXPECT_LT(png.size(), pixels.size() / 200);
    const auto decoded = test::decodePng(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, pixels);
}

TEST(PngEncoder, NothingForSizesPngCannotHold) {
    const Bytes pixels(16, 0);
    EXPECT_FALSE(encodePng(pixels.data(), 0, 1, 0));
    EXPECT_FALSE(encodePng(pixels.data(), 1, 0, 4));
    EXPECT_FALSE(encodePng(pixels.data(), -2, 2, 8));
    EXPECT_FALSE(encodePng(pixels.data(), 2, 2, 7));  // rows shorter than the width
    EXPECT_FALSE(encodePng(nullptr, 1, 1, 4));
    EXPECT_FALSE(encodePng(pixels.data(), std::int64_t(1) << 31, 1, std::int64_t(1) << 33));
}

}  // namespace
}  // namespace glimora
