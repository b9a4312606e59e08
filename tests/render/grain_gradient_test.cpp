#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "render/grain_gradient.hpp"

namespace glimora::WallpaperRenderer {
namespace {

WallpaperExportSettings grain(GrainGradientMode mode) {
    WallpaperExportSettings settings;
    settings.grainGradientActive = true;
    settings.grainGradientMode = mode;
    settings.seed = 0x5eed;
    settings.colors = {RGB{20, 10, 60}, RGB{200, 40, 120}, RGB{250, 200, 90}, RGB{40, 180, 220}};
    return settings;
}

TEST(GrainGradient, ValueNoiseHitsItsLatticeHashes) {
    // Expected values from an independent SplitMix64 evaluation of the corner hash.
    EXPECT_EQ(valueNoise(0, 0, 0), 0.11641973950980541);
    EXPECT_EQ(valueNoise(42, 3, -2), 0.1829946746226951);
    EXPECT_NEAR(valueNoise(7, 0.5, 0.5), 0.5140271344201048, 1e-15);
    EXPECT_NEAR(valueNoise(7, -1.25, 2.75), 0.8780173540051195, 1e-15);
    // Continuous across a lattice line.
    EXPECT_NEAR(valueNoise(7, 2.9999999, 0.3), valueNoise(7, 3, 0.3), 1e-6);
    for (double x = -3; x < 3; x += 0.37) {
        const double n = valueNoise(11, x, x * 0.7);
        EXPECT_GE(n, 0);
        EXPECT_LE(n, 1);
    }
}

TEST(GrainGradient, GridSizes) {
    WallpaperExportSettings liquid = grain(GrainGradientMode::liquid);
    WallpaperExportSettings halftone = grain(GrainGradientMode::halftone);
    EXPECT_EQ(grainGrid(liquid, 1000, 1000).columns, 161);
    EXPECT_EQ(grainGrid(halftone, 1000, 1000).columns, 250);
    EXPECT_EQ(grainGrid(liquid, 300, 200).columns, 68);
    EXPECT_EQ(grainGrid(halftone, 300, 200).columns, 84);
    EXPECT_EQ(grainGrid(liquid, 6016, 3384).columns, 220);
    EXPECT_EQ(grainGrid(halftone, 6016, 3384).columns, 280);
    // Every export size has the aspect 16:9: 220 x 124 and 280 x 158 cells.
    for (auto [width, height] : {std::pair{1920, 1080}, {3840, 2160}, {6016, 3384}}) {
        for (GrainGradientMode mode :
             {GrainGradientMode::liquid, GrainGradientMode::bloom, GrainGradientMode::ribbon}) {
            const GrainGrid grid = grainGrid(grain(mode), width, height);
            EXPECT_EQ(grid.columns, 220);
            EXPECT_EQ(grid.rows, 124);
        }
        const GrainGrid grid = grainGrid(halftone, width, height);
        EXPECT_EQ(grid.columns, 280);
        EXPECT_EQ(grid.rows, 158);
    }
    EXPECT_EQ(grainGrid(liquid, 1000, 1).rows, 1);
    EXPECT_EQ(grainGrid(liquid, 0, 1000).rows, CellGrid::maximumRows);
}

TEST(GrainGradient, UnitPointDivisors) {
    EXPECT_EQ((GrainGrid{2, 2}.unitX(1)), 1);
    EXPECT_EQ((GrainGrid{2, 1}.unitY(0)), 0);
    EXPECT_EQ((GrainGrid{3, 3}.unitX(1)), 0.5);
    EXPECT_EQ((GrainGrid{3, 3}.unitY(2)), 1);
    EXPECT_EQ((GrainGrid{220, 124}.unitX(219)), 1);
}

TEST(GrainGradient, ZoomAndWarpLimits) {
    // Without warp the domain is the zoomed unit square: scale 0 zooms by 0.72.
    WallpaperExportSettings settings = grain(GrainGradientMode::liquid);
    settings.grainGradientScale = 0;
    settings.grainGradientWarp = 0;
    settings.grainGradientFlow = 0;
    for (double x = 0; x <= 1; x += 0.25) {
        for (double y = 0; y <= 1; y += 0.25) {
            const GrainSample field = grainField(settings, x, y, 1);
            const GrainSample direct = liquidField(settings.seed, (x - 0.5) * 1 * 0.72, (y - 0.5) * 0.72, 0);
            EXPECT_EQ(field.v, direct.v);
            EXPECT_EQ(field.a, direct.a);
            EXPECT_EQ(field.b, direct.b);
        }
    }
    // Scale 100 zooms by 2.27; warp 150 and scale 150 act as 100.
    settings.grainGradientScale = 100;
    EXPECT_EQ(grainField(settings, 0.9, 0.2, 1).v,
              liquidField(settings.seed, (0.9 - 0.5) * 1 * (0.72 + 1.55 * 100 / 100.0), (0.2 - 0.5) * 2.27, 0).v);
    WallpaperExportSettings a = settings, b = settings;
    a.grainGradientWarp = 100;
    a.grainGradientScale = 100;
    b.grainGradientWarp = 150;
    b.grainGradientScale = 150;
    for (GrainGradientMode mode : everyCase<GrainGradientMode>()) {
        a.grainGradientMode = b.grainGradientMode = mode;
        EXPECT_EQ(grainField(a, 0.3, 0.6, 1.7).v, grainField(b, 0.3, 0.6, 1.7).v);
    }
    // The aspect is held to 0.6...2.2.
    EXPECT_EQ(grainField(a, 0.3, 0.6, 5).v, grainField(a, 0.3, 0.6, 2.2).v);
}

TEST(GrainGradient, FieldsStayInTheirRanges) {
    for (GrainGradientMode mode : everyCase<GrainGradientMode>()) {
        const WallpaperExportSettings settings = grain(mode);
        std::set<double> tones;
        for (double x = 0; x <= 1; x += 0.1) {
            for (double y = 0; y <= 1; y += 0.1) {
                const GrainSample s = grainField(settings, x, y, 16.0 / 9);
                for (double value : {s.v, s.a, s.b}) {
                    EXPECT_GE(value, 0) << rawValue(mode);
                    EXPECT_LE(value, 1) << rawValue(mode);
                }
                tones.insert(s.v);
            }
        }
        EXPECT_GT(tones.size(), 20u) << rawValue(mode);
    }
    const GrainSample bloom = bloomField(9, 0.1, -0.2, 1.5);
    EXPECT_EQ(bloom.b, std::min(1.0, 2.2 * std::abs(bloom.v - 0.46)));
    const GrainSample ribbon = ribbonField(9, 0.4, 0.1, 0.5);
    EXPECT_LE(ribbon.v, 1);
}

TEST(GrainGradient, GradientColour) {
    const std::vector<RGB> colors{RGB{0, 0, 0}, RGB{200, 100, 50}, RGB{0, 255, 255}};
    EXPECT_EQ(gradientColor({}, 0.7), RGB{});
    EXPECT_EQ(gradientColor(std::vector<RGB>{RGB{1, 2, 3}}, 0.7), (RGB{1, 2, 3}));
    EXPECT_EQ(gradientColor(colors, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(gradientColor(colors, 0.25), (RGB{100, 50, 25}));
    EXPECT_EQ(gradientColor(colors, 1), (RGB{0, 255, 255}));
    EXPECT_EQ(gradientColor(colors, 3), (RGB{0, 255, 255}));
    EXPECT_EQ(gradientColor(colors, 0.75), (RGB{100, 178, 153}));
}

TEST(GrainGradient, CellColourAdjustments) {
    WallpaperExportSettings settings = grain(GrainGradientMode::liquid);
    settings.colors.clear();
    const GrainColorer empty(settings, 1);
    EXPECT_EQ(empty.cell(3, 4, 0.2, 0.7).color, RGB{});
    settings.invert = true;
    EXPECT_EQ(GrainColorer(settings, 1).cell(3, 4, 0.2, 0.7).color, (RGB{255, 255, 255}));
    settings.channel = StyleChannel::green;
    EXPECT_EQ(adjustGrainCell(RGB{10, 20, 30}, 0, 0, settings), (RGB{0, 235, 0}));
    settings.invert = false;
    settings.channel = StyleChannel::rgb;
    settings.contrast = 0;
    EXPECT_EQ(adjustGrainCell(RGB{10, 20, 30}, 5, 6, settings), (RGB{128, 128, 128}));
    settings.noise = 100;
    const RGB noisy = adjustGrainCell(RGB{10, 20, 30}, 5, 6, settings);
    EXPECT_NE(noisy, (RGB{128, 128, 128}));
    EXPECT_LE(std::abs(noisy.red - 128), 28);
}

TEST(GrainGradient, ScanlinesAndHalftoneGround) {
    WallpaperExportSettings settings = grain(GrainGradientMode::halftone);
    settings.scanlines = true;
    const GrainColorer colorer(settings, 1);
    EXPECT_EQ(colorer.scanlined(RGB{100, 200, 10}, 0), (RGB{90, 180, 9}));
    EXPECT_EQ(colorer.scanlined(RGB{100, 200, 10}, 3), (RGB{100, 200, 10}));
    EXPECT_EQ(colorer.ground(RGB{100, 200, 10}), (RGB{14, 28, 1}));
    settings.grainGradientMode = GrainGradientMode::bloom;
    EXPECT_EQ(GrainColorer(settings, 1).ground(RGB{100, 200, 10}), (RGB{100, 200, 10}));
}

TEST(GrainGradient, HalftoneDotsStayInsideTheirBounds) {
    const WallpaperExportSettings settings = grain(GrainGradientMode::halftone);
    const GrainColorer colorer(settings, 16.0 / 9);
    const GrainGrid grid = grainGrid(settings, 1920, 1080);
    const double w = 1920.0 / double(grid.columns);
    const double h = 1080.0 / double(grid.rows);
    std::set<double> radii;
    for (std::int64_t r = 0; r < grid.rows; r += 7) {
        for (std::int64_t c = 0; c < grid.columns; c += 5) {
            const auto cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
            const HalftoneDot dot =
                colorer.halftoneDot(cell, cell.color, r, c, w * double(c), h * double(r), w, h);
            const double m = std::min(w, h);
            EXPECT_GE(dot.radius, m * (0.035 + 0.28 * 0.08) - 1e-12);
            EXPECT_LE(dot.radius, m * (0.035 + 0.28) + 1e-12);
            EXPECT_LE(std::abs(dot.centerX - (w * double(c) + w / 2)), 0.14 * m + 1e-12);
            EXPECT_LE(std::abs(dot.centerY - (h * double(r) + h / 2)), 0.14 * m + 1e-12);
            EXPECT_GE(dot.alpha, 0.2);
            EXPECT_LE(dot.alpha, 0.96);
            radii.insert(dot.radius);
        }
    }
    EXPECT_GT(radii.size(), 10u);
}

TEST(GrainGradient, ContrastTestNeedsSevenColours) {
    WallpaperExportSettings settings = grain(GrainGradientMode::liquid);
    EXPECT_TRUE(grainGradientHasContrast(settings));
    EXPECT_TRUE(hasVisibleContrast(settings));
    settings.colors = {RGB{40, 90, 160}};
    EXPECT_FALSE(grainGradientHasContrast(settings));
    EXPECT_FALSE(hasVisibleContrast(settings));
    // Two colours close in luma: many mixes, but a luma range of at most 13.
    settings.colors = {RGB{100, 100, 100}, RGB{112, 112, 112}};
    EXPECT_FALSE(grainGradientHasContrast(settings));
}

TEST(GrainGradient, SmoothGradientColours) {
    WallpaperExportSettings settings;
    EXPECT_EQ(smoothGradientColors(settings), std::vector<RGB>{RGB{}});
    settings.colors = {RGB{10, 20, 30}, RGB{200, 100, 0}, RGB{0, 250, 90}};
    EXPECT_EQ(smoothGradientColors(settings), settings.colors);
    settings.invert = true;
    EXPECT_EQ(smoothGradientColors(settings),
              (std::vector<RGB>{RGB{0, 250, 90}, RGB{200, 100, 0}, RGB{10, 20, 30}}));
    settings.channel = StyleChannel::red;
    EXPECT_EQ(smoothGradientColors(settings), (std::vector<RGB>{RGB{0, 0, 0}, RGB{200, 0, 0}, RGB{10, 0, 0}}));
    // Each colour is adjusted as its own column of row 0, so noise differs between equal colours.
    settings.channel = StyleChannel::rgb;
    settings.invert = false;
    settings.noise = 100;
    settings.colors = std::vector<RGB>(6, RGB{128, 128, 128});
    const std::vector<RGB> noisy = smoothGradientColors(settings);
    EXPECT_EQ(noisy[2], adjustCell(RGB{128, 128, 128}, settings, 0, 2));
    EXPECT_GT(
        std::set<std::uint32_t>({noisy[0].packed(), noisy[1].packed(), noisy[2].packed(), noisy[3].packed()})
            .size(),
        1u);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
