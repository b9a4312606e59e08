// Snapshot values from files can be anything. Every numeric field is pushed to
// huge, tiny and non-numeric values through every renderer function here; run
// under the sanitizers this catches out-of-range conversions and bad indexing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/cell_color.hpp"
#include "render/grain_gradient.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

const std::vector<double WallpaperExportSettings::*> numericFields{
    &WallpaperExportSettings::grainGradientScale, &WallpaperExportSettings::grainGradientWarp,
    &WallpaperExportSettings::grainGradientFlow,  &WallpaperExportSettings::grainGradientGlow,
    &WallpaperExportSettings::angle,              &WallpaperExportSettings::spread,
    &WallpaperExportSettings::centerX,            &WallpaperExportSettings::centerY,
    &WallpaperExportSettings::phase,              &WallpaperExportSettings::frequencyX,
    &WallpaperExportSettings::frequencyY,         &WallpaperExportSettings::pixelScale,
    &WallpaperExportSettings::quantization,       &WallpaperExportSettings::chroma,
    &WallpaperExportSettings::warp,               &WallpaperExportSettings::hue,
    &WallpaperExportSettings::brightness,         &WallpaperExportSettings::contrast,
    &WallpaperExportSettings::noise,
};

const std::vector<double> wildValues{1e300, -1e300, std::nan(""), inf, -inf};

WallpaperExportSettings colourful() {
    WallpaperExportSettings settings;
    settings.colors = {RGB{4, 4, 4}, RGB{200, 40, 120}, RGB{250, 200, 90}, RGB{40, 180, 220}};
    settings.seed = std::numeric_limits<std::uint64_t>::max();
    settings.scanlines = true;
    settings.chroma = 9;
    return settings;
}

void renderShapeDesign(const WallpaperExportSettings& settings) {
    const CellGrid grid = cellGrid(settings, 100, 60);
    ASSERT_GE(grid.columns, 56);
    ASSERT_LE(grid.columns, 260);
    ASSERT_GE(grid.rows, 1);
    ASSERT_LE(grid.rows, CellGrid::maximumRows);
    for (std::int64_t c = 0; c < grid.columns; ++c) {
        const PixelSpan span = grid.coveringColumnSpan(c, 100);
        ASSERT_LE(span.end, 100);
    }
    const CellColorer colorer(settings);
    std::vector<RGB> colours(std::size_t(grid.columns * grid.rows));
    colorer.fillRows(grid, 0, grid.rows, colours, CellFinish::raster);
    for (double x : {0.0, 0.37, 1.0}) {
        const double t = colorer.field()(x, 0.61);
        ASSERT_GE(t, 0);
        ASSERT_LE(t, 1);
    }
    (void)hasVisibleContrast(settings);
    ASSERT_FALSE(smoothGradientColors(settings).empty());
    (void)ribbonPhase(settings, 0.2, 0.3);
    (void)glowHighlight(settings, 0.2, 0.3);
}

void renderGrainDesign(const WallpaperExportSettings& settings) {
    const GrainGrid grid = grainGrid(settings, 100, 60);
    ASSERT_GE(grid.columns, 68);
    ASSERT_LE(grid.columns, 280);
    const GrainColorer colorer(settings, 100.0 / 60);
    for (std::int64_t r = 0; r < grid.rows; r += 3) {
        for (std::int64_t c = 0; c < grid.columns; c += 3) {
            const auto cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
            const RGB scanlined = colorer.scanlined(cell.color, r);
            (void)colorer.ground(scanlined);
            const HalftoneDot dot =
                colorer.halftoneDot(cell, scanlined, r, c, 1.5 * double(c), 1.5 * double(r), 1.5, 1.5);
            ASSERT_LE(dot.alpha, 0.96);
        }
    }
    (void)grainGradientHasContrast(settings);
}

TEST(RenderRobustness, WildValuesInEveryNumericField) {
    for (auto field : numericFields) {
        for (double value : wildValues) {
            for (NotchShape shape : everyCase<NotchShape>()) {
                WallpaperExportSettings settings = colourful();
                settings.shape = shape;
                settings.dither = allCases<DitherMode>()[std::size_t(shape) % allCases<DitherMode>().size()];
                settings.mirror = (int(shape) & 1) != 0;
                settings.invert = (int(shape) & 2) != 0;
                settings.*field = value;
                SCOPED_TRACE(testing::Message() << rawValue(shape) << " value " << value);
                renderShapeDesign(settings);
            }
            for (GrainGradientMode mode : everyCase<GrainGradientMode>()) {
                WallpaperExportSettings settings = colourful();
                settings.grainGradientActive = true;
                settings.grainGradientMode = mode;
                settings.*field = value;
                SCOPED_TRACE(testing::Message() << rawValue(mode) << " value " << value);
                renderGrainDesign(settings);
            }
        }
    }
}

TEST(RenderRobustness, EveryFieldWildAtOnce) {
    for (double value : wildValues) {
        for (NotchShape shape : everyCase<NotchShape>()) {
            WallpaperExportSettings settings = colourful();
            settings.shape = shape;
            for (auto field : numericFields) settings.*field = value;
            renderShapeDesign(settings);
            settings.grainGradientActive = true;
            renderGrainDesign(settings);
        }
    }
}

TEST(RenderRobustness, WildArgumentsToThePublicFunctions) {
    for (double value : wildValues) {
        const double n = valueNoise(3, value, -value);
        EXPECT_TRUE(std::isnan(n) || (n >= 0 && n <= 1));
        (void)liquidField(3, value, 0.5, value);
        (void)bloomField(3, value, value, value);
        (void)ribbonField(3, 0.5, value, value);
        EXPECT_EQ(blendPalette(std::vector<RGB>{RGB{1, 2, 3}, RGB{9, 9, 9}}, value).red, value > 0 ? 9 : 1);
        (void)gradientColor(std::vector<RGB>{RGB{1, 2, 3}, RGB{9, 9, 9}}, value);
        (void)mixColor(RGB{1, 2, 3}, RGB{9, 9, 9}, value);
        (void)vignette(RGB{100, 100, 100}, value, 0.5);
        (void)hueShift(RGB{100, 20, 30}, value);
        const CellGrid grid = cellGrid(WallpaperExportSettings{}, value, value);
        EXPECT_GE(grid.columns, 56);
        EXPECT_LE(grid.rows, CellGrid::maximumRows);
        const GrainGrid grain = grainGrid(WallpaperExportSettings{}, value, value);
        EXPECT_GE(grain.columns, 68);
        EXPECT_LE(grain.rows, CellGrid::maximumRows);
        (void)grid.columnSpan(std::numeric_limits<std::int64_t>::max() / 2, 100);
    }
}

TEST(WallpaperExportSettings, PaletteImportTruncates) {
    using S = WallpaperExportSettings;
    EXPECT_EQ(S::rgb(Color{0.999, 1, 0}), (RGB{254, 255, 0}));
    EXPECT_EQ(S::rgb(Color{0.5, 1.7, -0.2}), (RGB{127, 255, 0}));
    EXPECT_EQ(S::rgb(Color{std::nan(""), inf, -inf}), (RGB{0, 255, 0}));
    EXPECT_EQ(S::rgb(Color{1e300, -1e300, 0.004}), (RGB{255, 0, 1}));
    EXPECT_EQ(S::rgb(NamedColor::blue), (RGB{0, 121, 255}));  // 0.478 x 255 = 121.89
}

TEST(WallpaperExportSettings, DefaultsAreTheEditorsInitialDesign) {
    const WallpaperExportSettings settings;
    EXPECT_EQ(settings.shape, NotchShape::linear);
    EXPECT_EQ(settings.quantization, 6);
    EXPECT_EQ(settings.contrast, 100);
    EXPECT_EQ(settings.dither, DitherMode::eightByEight);
    EXPECT_TRUE(settings.colors.empty());
    EXPECT_FALSE(settings.imageBuffer.has_value());
    EXPECT_EQ(settings.imageSettings.crop, ImageCrop{});
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
