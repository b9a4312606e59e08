// The run kernels and the kept vignette levels against the one-pixel,
// one-channel forms, with the vector units on and off.
#include "render/pixel_runs.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/canvas_painter.hpp"
#include "render/radial_darkening_table.hpp"
#include "render/vector_units.hpp"
#include "tests/render/live_cell_grid_reference.hpp"

namespace glimora::WallpaperRenderer {
namespace {

std::vector<std::uint8_t> opaqueNoise(std::mt19937& random, std::int64_t pixels) {
    std::vector<std::uint8_t> bytes(std::size_t(pixels * 4));
    for (auto& byte : bytes) byte = std::uint8_t(random());
    for (std::size_t i = 3; i < bytes.size(); i += 4) bytes[i] = 255;
    return bytes;
}

std::uint32_t randomLevel(std::mt19937& random) {
    const auto pick = random() % 5;
    return pick == 0 ? 0 : pick == 1 ? 255 : std::uint32_t(random() % 256);
}

class PixelRuns : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { allowVectorUnits(!GetParam()); }
    void TearDown() override { allowVectorUnits(true); }
};

TEST_P(PixelRuns, RunsBlendAsOnePixelAtATime) {
    std::mt19937 random(1);
    for (std::int64_t count = 0; count < 70; ++count) {
        for (int trial = 0; trial < 8; ++trial) {
            const RGB color{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
            const std::uint32_t level = randomLevel(random);
            // From a pixel within the buffer, so runs start anywhere.
            const std::int64_t skip = std::int64_t(random() % 3);
            std::vector<std::uint8_t> fast = opaqueNoise(random, count + 4);
            std::vector<std::uint8_t> slow = fast;
            blendPixels(fast.data() + 4 * skip, count, color, level);
            detail::blendPixelsScalar(slow.data() + 4 * skip, count, color, level);
            ASSERT_EQ(fast, slow) << "count " << count << " level " << level;

            fast = opaqueNoise(random, count + 4);
            slow = fast;
            fillPixels(fast.data() + 4 * skip, count, opaquePixel(color));
            detail::blendPixelsScalar(slow.data() + 4 * skip, count, color, 255);
            ASSERT_EQ(fast, slow) << "fill of " << count;

            paintSpanRuns(fast.data(), {skip, skip + 1, 0.5f, 0.5f}, color, float(level) / 255, 0, count + 4);
            paintSpanClipped(slow.data(), {skip, skip + 1, 0.5f, 0.5f}, color, float(level) / 255, 0, count + 4);
            ASSERT_EQ(fast, slow) << "one pixel at level " << level;

            std::vector<std::uint32_t> levels(std::size_t(count + 1));
            std::vector<std::uint8_t> levelBytes(levels.size());
            for (std::size_t i = 0; i < levels.size(); ++i) levelBytes[i] = std::uint8_t(levels[i] = randomLevel(random));
            fast = opaqueNoise(random, count + 4);
            slow = fast;
            detail::blendRow(fast.data() + 4 * skip, count, color, levels.data());
            detail::blendRowScalar(slow.data() + 4 * skip, count, color, levels.data());
            ASSERT_EQ(fast, slow) << "row of " << count;

            // Darkened in place and into another row.
            const std::vector<std::uint8_t> source = opaqueNoise(random, count + 4);
            std::vector<std::uint8_t> inPlace = source;
            std::vector<std::uint8_t> copied = opaqueNoise(random, count + 4);
            std::vector<std::uint8_t> expected = copied;
            std::copy_n(source.begin() + 4 * skip, 4 * count, expected.begin() + 4 * skip);
            detail::blendRowScalar(expected.data() + 4 * skip, count, {0, 0, 0}, levels.data());
            darkenPixels(inPlace.data() + 4 * skip, inPlace.data() + 4 * skip, count, levelBytes.data());
            darkenPixels(copied.data() + 4 * skip, source.data() + 4 * skip, count, levelBytes.data());
            ASSERT_TRUE(std::equal(inPlace.begin() + 4 * skip, inPlace.begin() + 4 * (skip + count),
                                   expected.begin() + 4 * skip));
            ASSERT_EQ(copied, expected) << "darkened copy of " << count;
        }
    }
}

TEST_P(PixelRuns, SpansPaintAsPaintSpanClipped) {
    std::mt19937 random(2);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::int64_t width = 1 + std::int64_t(unit(random) * 60);
        const std::int64_t clipBegin = std::int64_t(unit(random) * double(width + 4)) - 2;
        const std::int64_t clipEnd = clipBegin + std::int64_t(unit(random) * double(width + 4));
        const double start = unit(random) * double(width + 8) - 4;
        const CoverageSpan span = coverageSpan(start, start + unit(random) * double(width), width);
        const float alpha = trial % 4 == 0 ? 1.0f : trial % 4 == 1 ? 0.34f * float(unit(random)) : float(unit(random));
        const RGB color{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
        std::vector<std::uint8_t> fast = opaqueNoise(random, width);
        std::vector<std::uint8_t> slow = fast;
        paintSpanRuns(fast.data(), span, color, alpha, clipBegin, clipEnd);
        paintSpanClipped(slow.data(), span, color, alpha, clipBegin, clipEnd);
        ASSERT_EQ(fast, slow) << "trial " << trial;
    }
}

// The kept levels darken every clip of every row as darkenRadial does.
TEST_P(PixelRuns, KeptVignetteLevelsDarkenAsTheRampDoes) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 30; ++trial) {
        const std::int64_t width = 20 + std::int64_t(unit(random) * 400);
        const std::int64_t height = 10 + std::int64_t(unit(random) * 200);
        const double scale = std::array{1.0, 1.5, 2.0}[std::size_t(trial % 3)];
        const double w = double(width) / scale;
        const double h = double(height) / scale;
        const RadialDarkening ramp = trial % 5 == 4 ? RadialDarkening{w / 2, h / 2, 40, 40, 0.5}  // no width
                                                    : RadialDarkening{w / 2, h / 2, 0.12 * std::min(w, h),
                                                                      0.72 * std::max(w, h), unit(random)};
        RadialDarkeningTable table;
        ASSERT_TRUE(table.make(ramp, scale, width, height));
        const std::vector<std::uint8_t> source = opaqueNoise(random, width * height);
        std::vector<std::uint8_t> fast = opaqueNoise(random, width * height);
        std::vector<std::uint8_t> slow = fast;
        const std::int64_t x0 = std::int64_t(unit(random) * double(width));
        const std::int64_t x1 = x0 + 1 + std::int64_t(unit(random) * double(width - x0 - 1));
        const CanvasPixels pixels{slow.data(), width, height, width * 4};
        for (std::int64_t y = 0; y < height; ++y) {
            const std::size_t row = std::size_t(y * width * 4);
            table.darkenRow(y, fast.data() + row, source.data() + row, x0, x1);
            std::copy_n(source.begin() + std::ptrdiff_t(row + 4 * std::size_t(x0)), 4 * (x1 - x0),
                        slow.begin() + std::ptrdiff_t(row + 4 * std::size_t(x0)));
        }
        test::darkenRadialReference({pixels, 0, height, scale, x0, x1}, ramp);
        ASSERT_EQ(fast, slow) << "trial " << trial;
    }
    RadialDarkeningTable none;
    EXPECT_FALSE(none.make({10, 10, 5, 50, 0}, 1, 40, 30));  // no peak: nothing darkens
    EXPECT_TRUE(none.empty());
}

INSTANTIATE_TEST_SUITE_P(VectorUnits, PixelRuns, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Scalar" : "Vector"; });

}  // namespace
}  // namespace glimora::WallpaperRenderer
