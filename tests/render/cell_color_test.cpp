#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/cell_color.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr RGB teal{0, 128, 128};
constexpr RGB amber{255, 180, 20};
constexpr RGB violet{120, 40, 200};

// A linear field across x at y = 0.5, tone 0.72 (x - 0.5) + 0.5, kept in steps
// of 0.1, without tone curve, dither or finishing touches.
WallpaperExportSettings linearRamp(std::vector<RGB> colors) {
    WallpaperExportSettings settings;
    settings.shape = NotchShape::linear;
    settings.angle = 0;
    settings.okLab = false;
    settings.quantization = 11;
    settings.dither = DitherMode::off;
    settings.vignette = false;
    settings.colors = std::move(colors);
    return settings;
}

// The x at which the ramp's tone is t.
double rampX(double t) { return 0.5 + (t - 0.5) / 0.72; }

TEST(CellColor, EmptyAndSingleColourPalettes) {
    for (NotchShape shape : everyCase<NotchShape>()) {
        WallpaperExportSettings settings = linearRamp({});
        settings.shape = shape;
        const CellColorer empty(settings);
        settings.colors = {teal};
        const CellColorer single(settings);
        bool lightened = false;
        for (double x = 0; x <= 1; x += 0.1) {
            for (double y = 0; y <= 1; y += 0.25) {
                const RGB one = single.cellColor(3, 2, x, y);
                if (shape == NotchShape::ribbonBands || shape == NotchShape::glowDots) {
                    lightened = lightened || one.green > teal.green;
                    continue;
                }
                EXPECT_EQ(empty.cellColor(3, 2, x, y), RGB{}) << rawValue(shape);
                EXPECT_EQ(one, teal) << rawValue(shape);
            }
        }
        if (shape == NotchShape::glowDots) {
            EXPECT_TRUE(lightened);
        }
    }
}

TEST(CellColor, UnditheredTwoColoursSplitAtHalf) {
    const WallpaperExportSettings settings = linearRamp({teal, amber});
    EXPECT_EQ(cellColor(settings, 0, 0, rampX(0.4), 0.5), teal);
    EXPECT_EQ(cellColor(settings, 0, 0, rampX(0.5), 0.5), amber);
    EXPECT_EQ(cellColor(settings, 0, 0, rampX(0.0), 0.5), teal);
    EXPECT_EQ(cellColor(settings, 0, 0, rampX(1.0), 0.5), amber);
}

TEST(CellColor, NearBlackFirstColourBendsTheTone) {
    // Tone 0.3 over three colours: position 0.6 picks the middle colour, but
    // 0.3^1.28 = 0.214 gives position 0.43 and the first colour.
    EXPECT_EQ(cellColor(linearRamp({RGB{8, 8, 8}, teal, amber}), 0, 0, rampX(0.3), 0.5), (RGB{8, 8, 8}));
    EXPECT_EQ(cellColor(linearRamp({RGB{9, 0, 0}, teal, amber}), 0, 0, rampX(0.3), 0.5), teal);
}

TEST(CellColor, OrderedDitherThresholds) {
    WallpaperExportSettings settings = linearRamp({teal, amber});
    settings.dither = DitherMode::eightByEight;
    const CellColorer colorer(settings);
    // Threshold 0 at (0, 0): any fraction above 0 takes the upper colour.
    EXPECT_EQ(colorer.cellColor(0, 0, rampX(0.1), 0.5), amber);
    EXPECT_EQ(colorer.cellColor(0, 0, rampX(0.0), 0.5), teal);
    EXPECT_EQ(colorer.cellColor(8, 16, rampX(0.1), 0.5), amber);  // the matrix repeats
    // (row 0, column 1) has 32 / 64 = 0.5.
    EXPECT_EQ(colorer.cellColor(1, 0, rampX(0.4), 0.5), teal);
    EXPECT_EQ(colorer.cellColor(1, 0, rampX(0.6), 0.5), amber);

    settings.dither = DitherMode::twoByTwo;  // [[0, 2], [3, 1]] / 4
    const CellColorer two(settings);
    EXPECT_EQ(two.cellColor(0, 1, rampX(0.7), 0.5), teal);   // 0.75 < 0.7 fails
    EXPECT_EQ(two.cellColor(0, 1, rampX(0.8), 0.5), amber);
    EXPECT_EQ(two.cellColor(1, 1, rampX(0.3), 0.5), amber);  // 0.25 < 0.3
}

TEST(CellColor, NoiseDitherThresholds) {
    WallpaperExportSettings settings = linearRamp({teal, amber});
    settings.quantization = 101;
    settings.dither = DitherMode::noise;
    settings.seed = 123456789;  // threshold at (0, 0): 0.789
    const CellColorer colorer(settings);
    EXPECT_EQ(colorer.cellColor(0, 0, rampX(0.79), 0.5), amber);
    EXPECT_EQ(colorer.cellColor(0, 0, rampX(0.78), 0.5), teal);
    // Row 1: (668265263 + 123456789) mod 1000 = 52.
    EXPECT_EQ(colorer.cellColor(0, 1, rampX(0.06), 0.5), amber);
    EXPECT_EQ(colorer.cellColor(0, 1, rampX(0.05), 0.5), teal);
    // The sum wraps in 64 bits: (668265263 + 2^64 - 1) mod 2^64 mod 1000 = 262.
    settings.seed = std::numeric_limits<std::uint64_t>::max();
    const CellColorer wrapped(settings);
    EXPECT_EQ(wrapped.cellColor(0, 1, rampX(0.27), 0.5), amber);
    EXPECT_EQ(wrapped.cellColor(0, 1, rampX(0.26), 0.5), teal);
}

TEST(CellColor, WarpFloorAndCeiling) {
    WallpaperExportSettings settings = linearRamp({teal, amber, violet});
    settings.quantization = 101;
    settings.shape = NotchShape::sine;
    WallpaperExportSettings warped100 = settings, warped150 = settings;
    warped100.warp = 100;
    warped150.warp = 150;
    settings.warp = -20;
    const CellColorer flat(settings), w100(warped100), w150(warped150), none(linearRamp({}));
    bool moved = false;
    for (double x = 0; x <= 1; x += 0.05) {
        for (double y = 0; y <= 1; y += 0.05) {
            EXPECT_EQ(w100.cellColor(0, 0, x, y), w150.cellColor(0, 0, x, y));
            // Without warp the sampling point is the cell's own.
            const double tone = flat.field()(x, y);
            EXPECT_EQ(flat.cellColor(0, 0, x, y), tone < 0.25 ? teal : tone < 0.75 ? amber : violet);
            moved = moved || w100.cellColor(0, 0, x, y) != flat.cellColor(0, 0, x, y);
        }
    }
    EXPECT_TRUE(moved);
}

TEST(CellColor, PaletteBlendAndMix) {
    const std::vector<RGB> colors{RGB{0, 0, 0}, RGB{255, 100, 10}};
    EXPECT_EQ(blendPalette(colors, 0.5), (RGB{128, 50, 5}));
    EXPECT_EQ(blendPalette(colors, -3), (RGB{0, 0, 0}));
    EXPECT_EQ(blendPalette(colors, 7), (RGB{255, 100, 10}));
    EXPECT_EQ(blendPalette(colors, std::nan("")), (RGB{0, 0, 0}));
    EXPECT_EQ(blendPalette({}, 0.5), RGB{});
    EXPECT_EQ(blendPalette(std::vector<RGB>{teal}, 0.9), teal);
    EXPECT_EQ(mixColor(RGB{0, 0, 0}, RGB{255, 255, 255}, 0.5), (RGB{128, 128, 128}));
    EXPECT_EQ(mixColor(teal, amber, 2), amber);
    EXPECT_EQ(mixColor(teal, amber, -1), teal);
    EXPECT_EQ(mixColor(teal, amber, std::nan("")), teal);
}

TEST(CellColor, HueShifts) {
    EXPECT_EQ(hueShift(RGB{255, 0, 0}, 120), (RGB{0, 255, 0}));
    EXPECT_EQ(hueShift(RGB{255, 0, 0}, 240), (RGB{0, 0, 255}));
    EXPECT_EQ(hueShift(RGB{255, 0, 0}, -120), (RGB{0, 0, 255}));
    EXPECT_EQ(hueShift(RGB{200, 100, 50}, 30), (RGB{200, 175, 50}));
    EXPECT_EQ(hueShift(RGB{200, 100, 50}, -90), (RGB{175, 50, 200}));
    EXPECT_EQ(hueShift(RGB{10, 200, 90}, 200), (RGB{200, 10, 57}));
    EXPECT_EQ(hueShift(RGB{200, 100, 50}, 0.0005), (RGB{200, 100, 50}));
    EXPECT_EQ(hueShift(RGB{90, 90, 90}, 77), (RGB{90, 90, 90}));
    EXPECT_EQ(hueShift(RGB{200, 100, 50}, std::nan("")), (RGB{200, 100, 50}));
    EXPECT_EQ(hueShift(RGB{200, 100, 50}, std::numeric_limits<double>::infinity()), (RGB{200, 100, 50}));
}

TEST(CellColor, AdjustCellContrastBrightnessAndNoise) {
    WallpaperExportSettings settings;
    settings.contrast = 0;
    settings.brightness = 80;
    EXPECT_EQ(adjustCell(amber, settings, 3, 4), (RGB{128, 128, 128}));
    settings.contrast = -50;
    EXPECT_EQ(adjustCell(amber, settings, 3, 4), (RGB{128, 128, 128}));
    settings.contrast = 100;
    settings.brightness = 0;
    EXPECT_EQ(adjustCell(amber, settings, 3, 4), amber);
    settings.brightness = 10;  // + 25.5
    EXPECT_EQ(adjustCell(RGB{100, 0, 250}, settings, 0, 0), (RGB{126, 26, 255}));
    settings.brightness = 0;
    settings.contrast = 200;
    EXPECT_EQ(adjustCell(RGB{100, 128, 200}, settings, 0, 0), (RGB{73, 129, 255}));

    // Noise: at most 28 either way, the same for the same cell, varying between cells.
    settings.contrast = 100;
    settings.noise = 100;
    settings.seed = 99;
    bool varies = false;
    for (std::int64_t row = 0; row < 20; ++row) {
        const RGB a = adjustCell(RGB{128, 128, 128}, settings, row, 5);
        EXPECT_EQ(a, adjustCell(RGB{128, 128, 128}, settings, row, 5));
        for (int channel : {a.red, a.green, a.blue}) {
            EXPECT_GE(channel, 100);
            EXPECT_LE(channel, 156);
        }
        varies = varies || a != adjustCell(RGB{128, 128, 128}, settings, 0, 5);
    }
    EXPECT_TRUE(varies);
    // Negative rows and columns hash as 0.
    EXPECT_EQ(adjustCell(teal, settings, -4, -9), adjustCell(teal, settings, 0, 0));
}

TEST(CellColor, VignetteAndChannelFilter) {
    const RGB colour{100, 200, 250};
    EXPECT_EQ(vignette(colour, 0.5, 0.5), colour);
    EXPECT_EQ(vignette(colour, 0.725, 0.5), colour);
    EXPECT_EQ(vignette(colour, 0, 0), (RGB{28, 56, 70}));
    EXPECT_EQ(vignette(colour, 1, 1), (RGB{28, 56, 70}));
    EXPECT_EQ(channelFilter(colour, StyleChannel::rgb), colour);
    EXPECT_EQ(channelFilter(colour, StyleChannel::red), (RGB{100, 0, 0}));
    EXPECT_EQ(channelFilter(colour, StyleChannel::green), (RGB{0, 200, 0}));
    EXPECT_EQ(channelFilter(colour, StyleChannel::blue), (RGB{0, 0, 250}));
}

TEST(CellColor, ChromaTakesEachChannelFromItsOwnSample) {
    WallpaperExportSettings settings = linearRamp({teal, amber, violet, RGB{250, 250, 250}});
    settings.chroma = 20;
    const CellColorer colorer(settings);
    EXPECT_EQ(colorer.chromaOffset(), 0.08);
    for (double x = 0.1; x < 1; x += 0.1) {
        const RGB colour = colorer.chromaColor(2, 1, x, 0.4);
        EXPECT_EQ(colour.red, colorer.cellColor(2, 1, x + 0.08, 0.4).red);
        EXPECT_EQ(colour.green, colorer.cellColor(2, 1, x, 0.4).green);
        EXPECT_EQ(colour.blue, colorer.cellColor(2, 1, x - 0.08, 0.4).blue);
    }
    settings.chroma = 45;
    EXPECT_EQ(CellColorer(settings).chromaOffset(), 0.08);
    settings.chroma = 5;
    EXPECT_EQ(CellColorer(settings).chromaOffset(), 0.02);
    settings.chroma = -5;
    EXPECT_EQ(CellColorer(settings).chromaOffset(), 0);
    EXPECT_EQ(CellColorer(settings).chromaColor(0, 0, 0.3, 0.3), CellColorer(settings).cellColor(0, 0, 0.3, 0.3));
}

TEST(CellColor, RasterColourAddsScanlinesAndVignette) {
    WallpaperExportSettings settings = linearRamp({RGB{200, 100, 50}});
    settings.scanlines = true;
    const CellColorer colorer(settings);
    EXPECT_EQ(colorer.rasterColor(0, 0, 0.5, 0.5), (RGB{176, 88, 44}));
    EXPECT_EQ(colorer.rasterColor(0, 1, 0.5, 0.5), (RGB{200, 100, 50}));
    EXPECT_EQ(colorer.liveColor(0, 0, 0.5, 0.5), (RGB{200, 100, 50}));
    settings.scanlines = false;
    settings.vignette = true;
    EXPECT_EQ(CellColorer(settings).rasterColor(0, 1, 0, 0), (RGB{56, 28, 14}));
}

TEST(CellColor, HighlightTerms) {
    WallpaperExportSettings settings;
    settings.centerX = 50;
    settings.centerY = 50;
    settings.spread = 0;
    // At the centre the dot term is 1 and the halo 1: min(1, 0.8 + 0.22).
    EXPECT_EQ(glowHighlight(settings, 0.5, 0.5), 1);
    EXPECT_LT(glowHighlight(settings, 0.6, 0.9), 0.5);
    settings.angle = 0;
    settings.phase = 90;
    settings.warp = 0;
    // At (0.5, 0.5) with angle 0 only the phase is left: 0.5 pi.
    EXPECT_DOUBLE_EQ(ribbonPhase(settings, 0.5, 0.5),
                     0.5 * M_PI + 2 * M_PI * 2 * (0.08 * std::sin(0.5 * M_PI)));
}

TEST(CellColor, VisibleContrast) {
    WallpaperExportSettings settings = linearRamp({teal});
    EXPECT_FALSE(hasVisibleContrast(settings));
    settings.colors = {RGB{100, 100, 100}, RGB{109, 109, 109}};  // luma range 9
    EXPECT_FALSE(hasVisibleContrast(settings));
    settings.colors = {RGB{100, 100, 100}, RGB{110, 110, 110}};
    EXPECT_TRUE(hasVisibleContrast(settings));
    settings.channel = StyleChannel::blue;
    settings.colors = {RGB{0, 0, 100}, RGB{250, 250, 100}};  // the filter leaves one colour
    EXPECT_FALSE(hasVisibleContrast(settings));
    settings.imageBuffer = PixelImageBuffer{};
    EXPECT_TRUE(hasVisibleContrast(settings));
}

TEST(CellColor, FillRowsMatchesCellByCell) {
    WallpaperExportSettings settings = linearRamp({teal, amber, violet});
    settings.shape = NotchShape::orbit;
    settings.dither = DitherMode::fourByFour;
    settings.chroma = 7;
    settings.noise = 30;
    settings.hue = 40;
    settings.scanlines = true;
    settings.vignette = true;
    const CellGrid grid = cellGrid(settings, 640, 360);
    const CellColorer colorer(settings);
    std::vector<RGB> rows(std::size_t(grid.columns) * 3);
    colorer.fillRows(grid, 5, 8, rows, CellFinish::raster);
    for (std::int64_t r = 5; r < 8; ++r)
        for (std::int64_t c = 0; c < grid.columns; ++c)
            EXPECT_EQ(rows[std::size_t((r - 5) * grid.columns + c)],
                      colorer.rasterColor(c, r, grid.unitX(c), grid.unitY(r)));
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
