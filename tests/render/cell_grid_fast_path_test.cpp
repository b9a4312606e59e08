// The grid fast path (tabulated tone steps, per-row and per-column terms, the
// hue cache, the cheap bound on the ribbon highlights, the rough calls that
// settle most samples) must give exactly the colours of the formulas applied
// cell by cell. The reference below applies them one by one, without any of
// those shortcuts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "render/cell_color.hpp"
#include "render/field_math.hpp"
#include "render/vector_units.hpp"
#include "tests/render/random_designs.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr double pi = std::numbers::pi;
constexpr RGB white{255, 255, 255};

RGB referenceSample(const WallpaperExportSettings& s, std::int64_t column, std::int64_t row, double x, double y) {
    const double warp = std::isnan(s.warp) ? 0 : s.warp;
    const double w = warp <= 0 ? 0 : std::min(warp, 100.0) / 100 * 0.14;
    if (w > 0) {
        const double q = (s.angle + 0.35 * s.phase) * pi / 180;
        const double wx = std::clamp(x + w * std::sin(2 * pi * y + q), 0.0, 1.0);
        const double wy = std::clamp(y + w * std::cos(2 * pi * x - q), 0.0, 1.0);
        x = wx;
        y = wy;
    }
    const double t = shapeField(s, x, y);
    RGB color;
    const std::size_t n = s.colors.size();
    if (s.shape == NotchShape::ribbonBands || s.shape == NotchShape::glowDots) {
        color = blendPalette(s.colors, t);
    } else if (n == 1) {
        color = s.colors[0];
    } else if (n > 1) {
        double tt = std::clamp(t, 0.0, 1.0);
        const RGB first = s.colors[0];
        if (first.red <= 8 && first.green <= 8 && first.blue <= 8) tt = std::pow(tt, 1.28);
        const double p = tt * double(n - 1);
        const auto i = std::size_t(std::floor(p));
        const std::size_t j = std::min(i + 1, n - 1);
        if (s.dither == DitherMode::off) {
            color = s.colors[std::size_t(std::round(p))];
        } else {
            double h;
            if (s.dither == DitherMode::noise) {
                h = double((std::uint64_t(row) * 668265263u + std::uint64_t(column) * 374761393u + s.seed) %
                           1000) /
                    1000;
            } else {
                const int size = s.dither == DitherMode::twoByTwo       ? 2
                                 : s.dither == DitherMode::fourByFour   ? 4
                                 : s.dither == DitherMode::eightByEight ? 8
                                                                        : 16;
                h = bayerThreshold(size, row, column);
            }
            color = h < p - std::floor(p) ? s.colors[j] : s.colors[i];
        }
    }
    if (s.shape == NotchShape::glowDots) color = mixColor(color, white, 0.28 * glowHighlight(s, x, y));
    if (s.shape == NotchShape::ribbonBands) {
        const double f = ribbonPhase(s, x, y);
        const double h1 = std::pow(std::max(0.0, std::sin(f + 0.72)), 10);
        const double h2 = std::pow(std::max(0.0, std::sin(f - 0.96)), 8);
        color = mixColor(color, white, 0.2 * h1);
        const double k = 1 - 0.16 * h2;
        color = {std::uint8_t(clampToByte(color.red * k)), std::uint8_t(clampToByte(color.green * k)),
                 std::uint8_t(clampToByte(color.blue * k))};
    }
    return color;
}

RGB referenceRaster(const WallpaperExportSettings& s, std::int64_t column, std::int64_t row, double x, double y) {
    const double o = s.chroma <= 0 ? 0 : std::min(s.chroma, 20.0) / 20 * 0.08;
    RGB color = referenceSample(s, column, row, x, y);
    if (o > 0)
        color = {referenceSample(s, column, row, x + o, y).red, color.green,
                 referenceSample(s, column, row, x - o, y).blue};
    color = channelFilter(adjustCell(color, s, row, column), s.channel);
    if (s.scanlines && row % 2 == 0)
        color = {std::uint8_t(clampToByte(color.red * 0.88)), std::uint8_t(clampToByte(color.green * 0.88)),
                 std::uint8_t(clampToByte(color.blue * 0.88))};
    if (s.vignette) color = vignette(color, x, y);
    return color;
}

// Both selections of the kernels: the vector units where present, and the
// scalar path they fall back to.
class CellGridFastPathLanes : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { allowVectorUnits(GetParam()); }
    void TearDown() override { allowVectorUnits(true); }
};

INSTANTIATE_TEST_SUITE_P(Lanes, CellGridFastPathLanes, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "vector" : "scalar"; });

TEST_P(CellGridFastPathLanes, MatchesTheFormulasCellByCell) {
    EXPECT_EQ(vectorUnitsInUse(), GetParam() && vectorUnitsPresent());
    std::mt19937_64 random(20240601);
    for (int design = 0; design < 180; ++design) {
        const WallpaperExportSettings s = test::randomDesign(random, design);
        const CellGrid grid = cellGrid(s, 1920, 1080);
        // Wider margins than proven send more samples to the exact path, so
        // that rough and exact samples meet at every kind of rounding edge.
        const double roughMarginScale = std::array{1.0, 1e6, 1e9, 1e11}[std::size_t(design / 18 % 4)];
        const CellColorer colorer(s, roughMarginScale);
        std::vector<RGB> colours_(std::size_t(grid.columns * grid.rows));
        colorer.fillRows(grid, 0, grid.rows, colours_, CellFinish::raster);
        int mismatches = 0;
        for (std::int64_t r = 0; r < grid.rows; r += 3) {
            for (std::int64_t c = 0; c < grid.columns; ++c) {
                const RGB expected = referenceRaster(s, c, r, grid.unitX(c), grid.unitY(r));
                if (colours_[std::size_t(r * grid.columns + c)] != expected && ++mismatches < 3)
                    ADD_FAILURE() << "design " << design << " " << rawValue(s.shape) << " cell " << c << "," << r;
                if (r % 30 == 0 && colorer.rasterColor(c, r, grid.unitX(c), grid.unitY(r)) != expected &&
                    ++mismatches < 3)
                    ADD_FAILURE() << "cell by cell: design " << design << " cell " << c << "," << r;
            }
        }
    }
}

TEST(CellGridFastPath, InlineByteConversionMatchesClampToByte) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const double value = std::uniform_real_distribution<double>(-300, 600)(random);
        ASSERT_EQ(fieldmath::byte(value), clampToByte(value)) << value;
        const double half = std::floor(value) + 0.5;
        ASSERT_EQ(fieldmath::byte(half), clampToByte(half)) << half;
        ASSERT_EQ(fieldmath::roundHalfAway(value * 1e-3), std::round(value * 1e-3));
    }
    for (double value : {0.49999999999999994, -0.49999999999999994, 254.49999999999997, 1e300, -1e300,
                         std::nan(""), 4503599627370495.5, -4503599627370495.5})
        EXPECT_EQ(fieldmath::byte(value), clampToByte(value)) << value;
    EXPECT_EQ(fieldmath::roundHalfAway(4503599627370495.5), std::round(4503599627370495.5));
    EXPECT_EQ(fieldmath::roundHalfAway(-2.5), -3);
}

TEST(CellGridFastPath, RoughSineAndCosineStayWithinTheirBound) {
    std::mt19937_64 random(11);
    double worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const double a = std::uniform_real_distribution<double>(-2000, 2000)(random);
        double sine = 0, cosine = 0;
        ASSERT_TRUE(fieldmath::roughSinCos(a, sine, cosine));
        worst = std::max({worst, std::abs(sine - std::sin(a)), std::abs(cosine - std::cos(a))});
    }
    EXPECT_LT(worst, 1e-7);
    double sine = 5, cosine = 5;
    EXPECT_FALSE(fieldmath::roughSinCos(1e7, sine, cosine));
    EXPECT_FALSE(fieldmath::roughSinCos(std::nan(""), sine, cosine));
    EXPECT_EQ(sine, 5);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
