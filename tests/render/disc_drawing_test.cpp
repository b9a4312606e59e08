#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "render/disc_drawing.hpp"

namespace glimora::WallpaperRenderer {
namespace {

// The covered fraction of a pixel by brute force: 256 x 256 sample points.
double sampledCoverage(double cx, double cy, double r, std::int64_t x, std::int64_t y) {
    constexpr int n = 256;
    int inside = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double px = double(x) + (i + 0.5) / n - cx, py = double(y) + (j + 0.5) / n - cy;
            inside += px * px + py * py <= r * r;
        }
    return double(inside) / (n * n);
}

TEST(DiscDrawing, CoverageIsThePixelAreaCovered) {
    // Dots from a quarter pixel to eight pixels across, at awkward offsets.
    for (int k = 0; k < 24; ++k) {
        const double cx = 10 + 0.137 * k, cy = 10 + 0.291 * k, r = 0.25 + 0.33 * k;
        double total = 0;
        for (std::int64_t y = 0; y < 32; ++y)
            for (std::int64_t x = 0; x < 32; ++x) {
                const double covered = discCoverage(cx, cy, r, x, y);
                total += covered;
                if (std::abs(double(x) + 0.5 - cx) > r + 1 || std::abs(double(y) + 0.5 - cy) > r + 1) {
                    ASSERT_EQ(covered, 0);
                    continue;
                }
                ASSERT_NEAR(covered, sampledCoverage(cx, cy, r, x, y), 2.0 / 255) << "disc " << k << " at " << x << "," << y;
            }
        EXPECT_NEAR(total, std::numbers::pi * r * r, 0.01 * r * r + 0.01) << k;
    }
}

std::vector<std::uint8_t> canvas(std::int64_t width, std::int64_t height) {
    std::vector<std::uint8_t> bytes(std::size_t(width * height * 4));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = i % 4 == 3 ? 255 : std::uint8_t(i * 13);
    return bytes;
}

TEST(DiscDrawing, BlendsByCoverageTimesAlpha) {
    auto bytes = canvas(30, 20);
    const auto before = bytes;
    const RGBATarget target{bytes.data(), 30, 20, 30 * 4};
    blendDisc(target, 0, 20, 12.3, 9.7, 6.2, RGB{250, 20, 100}, 0.6);
    for (std::int64_t y = 0; y < 20; ++y)
        for (std::int64_t x = 0; x < 30; ++x) {
            const double a = 0.6 * discCoverage(12.3, 9.7, 6.2, x, y);
            const std::size_t i = std::size_t(y * 30 + x) * 4;
            const double expected[3] = {250 * a + before[i] * (1 - a), 20 * a + before[i + 1] * (1 - a),
                                        100 * a + before[i + 2] * (1 - a)};
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(bytes[i + std::size_t(c)], expected[c], 0.5001) << x << "," << y;
            ASSERT_EQ(bytes[i + 3], 255);
        }
    // The centre is wholly covered; a far corner not at all.
    EXPECT_EQ(bytes[std::size_t(10 * 30 + 12) * 4], std::uint8_t(std::lround(250 * 0.6 + before[std::size_t(10 * 30 + 12) * 4] * 0.4)));
    EXPECT_EQ(bytes[0], before[0]);
}

TEST(DiscDrawing, BandByBandEqualsAtOnce) {
    auto whole = canvas(40, 40);
    auto banded = whole;
    const auto draw = [](std::vector<std::uint8_t>& bytes, std::int64_t top, std::int64_t bottom) {
        blendDisc({bytes.data(), 40, 40, 160}, top, bottom, 20.4, 18.9, 11.3, RGB{10, 200, 30}, 0.8);
        blendDisc({bytes.data(), 40, 40, 160}, top, bottom, -3, 38, 6, RGB{200, 0, 0}, 1);  // clipped by the edges
    };
    draw(whole, 0, 40);
    for (std::int64_t top : {0, 7, 19, 20, 33}) draw(banded, top, top == 0 ? 7 : top == 7 ? 19 : top == 19 ? 20 : top == 20 ? 33 : 40);
    EXPECT_EQ(banded, whole);
}

TEST(DiscDrawing, NothingForEmptyOrBrokenDiscs) {
    auto bytes = canvas(10, 10);
    const auto before = bytes;
    const RGBATarget target{bytes.data(), 10, 10, 40};
    blendDisc(target, 0, 10, 5, 5, 0, RGB{255, 255, 255}, 1);
    blendDisc(target, 0, 10, 5, 5, -2, RGB{255, 255, 255}, 1);
    blendDisc(target, 0, 10, 5, 5, 3, RGB{255, 255, 255}, 0);
    blendDisc(target, 0, 10, std::nan(""), 5, 3, RGB{255, 255, 255}, 1);
    blendDisc(target, 0, 10, 5, 5, std::numeric_limits<double>::infinity(), RGB{255, 255, 255}, 1);
    blendDisc(target, 4, 4, 5, 5, 3, RGB{255, 255, 255}, 1);  // an empty band
    EXPECT_EQ(bytes, before);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
