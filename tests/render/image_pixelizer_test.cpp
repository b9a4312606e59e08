#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/image_pixelizer.hpp"

namespace glimora {
namespace {

using Settings = ImagePixelizer::Settings;

PixelImageBuffer solid(std::int64_t width, std::int64_t height, RGB color) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    for (std::int64_t i = 0; i < width * height; ++i) {
        bytes->insert(bytes->end(), {color.red, color.green, color.blue, 255});
    }
    return {width, height, bytes};
}

template <typename F>
PixelImageBuffer painted(std::int64_t width, std::int64_t height, F color) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            const RGB c = color(x, y);
            bytes->insert(bytes->end(), {c.red, c.green, c.blue, 255});
        }
    return {width, height, bytes};
}

// Settings under which the pipeline passes every colour through unchanged.
Settings faithful() {
    Settings s;
    s.colorCount = 256;
    s.dither = ImageDitherStyle::none;
    return s;
}

std::pair<std::int64_t, std::int64_t> gridSize(double pixelSize, double referenceWidth, std::int64_t width,
                                               std::int64_t height) {
    Settings s;
    s.pixelSize = pixelSize;
    s.referenceWidth = referenceWidth;
    const auto grid = ImagePixelizer::pixelize(solid(1, 1, {}), width, height, s);
    EXPECT_EQ(grid.cells.size(), std::size_t(grid.columns * grid.rows));
    return {grid.columns, grid.rows};
}

using Size = std::pair<std::int64_t, std::int64_t>;

TEST(ImagePixelizerGrid, ColumnsFollowCellSizeAndRowsTheOutputShape) {
    EXPECT_EQ(gridSize(5, 1512, 3840, 2160), (Size{137, 77}));
    EXPECT_EQ(gridSize(5, 1512, 1512, 982), (Size{137, 89}));
    EXPECT_EQ(gridSize(0.5, 1512, 3840, 2160), (Size{360, 203}));  // cell span floors at 2
    EXPECT_EQ(gridSize(100, 1512, 6016, 3384), (Size{28, 16}));    // 6.87 columns clamp up to 28
    EXPECT_EQ(gridSize(5, 1512, 0, 0), (Size{137, 137}));          // 0 x 0 behaves as 1 x 1
}

TEST(ImagePixelizerGrid, RowLimitsKeepCellsSquareInsteadOfSqueezing) {
    // A portrait screen: 343 columns would need 610 rows; 240 rows get 135 columns.
    EXPECT_EQ(gridSize(2, 1512, 1080, 1920), (Size{135, 240}));
    EXPECT_EQ(gridSize(0.5, 1512, 0, 0), (Size{240, 240}));
    // A very wide output: 28 columns would need 5 rows; 16 rows get 96 columns.
    EXPECT_EQ(gridSize(100, 1512, 6016, 1000), (Size{96, 16}));
    // Beyond both limits the column range wins.
    EXPECT_EQ(gridSize(5, 1512, 100, 10000), (Size{28, 240}));
}

TEST(ImagePixelizerGrid, NonFiniteSizesAreClampedBeforeConversion) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(gridSize(nan, 1512, 3840, 2160).first, 360);  // NaN cell size acts as the 2.0 floor
    EXPECT_EQ(gridSize(inf, 1512, 3840, 2160).first, 28);
    EXPECT_EQ(gridSize(-inf, 1512, 3840, 2160).first, 360);
    EXPECT_EQ(gridSize(5, nan, 3840, 2160).first, 28);
    EXPECT_EQ(gridSize(5, inf, 3840, 2160).first, 360);
    EXPECT_EQ(gridSize(5, -50, 3840, 2160).first, 28);
    EXPECT_EQ(gridSize(5, 1512, std::numeric_limits<std::int64_t>::max(), 1).second, 16);
}

TEST(ImagePixelizerColor, AdjustmentNeutralGreyAndFlatContrast) {
    Settings s;
    const RGB color{200, 90, 30};
    EXPECT_EQ(ImagePixelizer::adjustColor(color, s), color);
    s.saturation = 0;
    // luma = 0.2126 * 200/255 + 0.7152 * 90/255 + 0.0722 * 30/255, times 255 = 109.054
    EXPECT_EQ(ImagePixelizer::adjustColor(color, s), (RGB{109, 109, 109}));
    s = {};
    s.contrast = -50;
    EXPECT_EQ(ImagePixelizer::adjustColor(color, s), (RGB{128, 128, 128}));
    s.brightness = 20;
    EXPECT_EQ(ImagePixelizer::adjustColor(color, s), (RGB{179, 179, 179}));  // 0.7 * 255 = 178.5
    s = {};
    s.brightness = -100;
    EXPECT_EQ(ImagePixelizer::adjustColor(color, s), (RGB{0, 0, 0}));
    s = {};
    s.saturation = 300;  // pushed away from grey, clamped
    const RGB vivid = ImagePixelizer::adjustColor(color, s);
    EXPECT_EQ(vivid.red, 255);
    EXPECT_EQ(vivid.blue, 0);
}

TEST(ImagePixelizerColor, SourceLevelsRoundHalfUp) {
    Settings s;
    s.colorCount = 3;  // L = 2
    s.dither = ImageDitherStyle::none;
    // 127 / 255 * 2 = 0.996 rounds to 1, written as 127.5 rounded away: 128.
    EXPECT_EQ(ImagePixelizer::processColor({127, 0, 255}, 0, 0, s), (RGB{128, 0, 255}));
    for (std::int64_t count : {1, 0, -7}) {
        s.colorCount = count;  // two levels
        EXPECT_EQ(ImagePixelizer::processColor({127, 128, 40}, 3, 9, s), (RGB{0, 255, 0}));
    }
}

TEST(ImagePixelizerColor, OrderedDitherUsesPerChannelOffsets) {
    Settings s;
    s.colorCount = 2;  // L = 1: x is the channel / 255
    s.dither = ImageDitherStyle::bayer4;
    // A channel of 128 (x - lo = 0.502) goes up where the threshold is below it.
    // Red reads the 4x4 matrix at (row, column), green at (row + 3, column + 5),
    // blue at (row + 6, column + 10).
    // At (0, 1): red 8/16 -> up; green (3, 6) = 13/16 -> down; blue (6, 11) = 9/16 -> down.
    EXPECT_EQ(ImagePixelizer::processColor({128, 128, 128}, 0, 1, s), (RGB{255, 0, 0}));
    // At (1, 0): red 12/16 -> down; green (4, 5) = 8/16 -> up; blue (7, 10) = 13/16 -> down.
    EXPECT_EQ(ImagePixelizer::processColor({128, 128, 128}, 1, 0, s), (RGB{0, 255, 0}));
    // At (2, 3): red 9/16, green (5, 8) = 12/16 -> down; blue (8, 13) = 8/16 -> up.
    EXPECT_EQ(ImagePixelizer::processColor({128, 128, 128}, 2, 3, s), (RGB{0, 0, 255}));
    s.dither = ImageDitherStyle::bayer8;
    // 8x8 threshold at (0, 1) is 32/64 = 0.5 < 0.502: up; at (1, 0) it is 48/64: down.
    EXPECT_EQ(ImagePixelizer::processColor({128, 0, 0}, 0, 1, s).red, 255);
    EXPECT_EQ(ImagePixelizer::processColor({128, 0, 0}, 1, 0, s).red, 0);
    s.dither = ImageDitherStyle::noise;
    // At (0, 0) the red noise is fract(sin(0) * k) = 0: any fraction goes up.
    EXPECT_EQ(ImagePixelizer::processColor({1, 0, 0}, 0, 0, s).red, 255);
    EXPECT_EQ(ImagePixelizer::processColor({0, 0, 0}, 0, 0, s).red, 0);
}

TEST(ImagePixelizerColor, MonochromeQuantisesTheLuma) {
    Settings s;
    s.paletteMode = ImagePaletteMode::monochrome;
    s.colorCount = 5;  // levels 0, 63.75, 127.5, 191.25, 255
    s.dither = ImageDitherStyle::none;
    // luma of (200, 90, 30) is 109.054 -> 109; 109 / 255 * 4 = 1.71 -> 2 -> 127.5 -> 128
    EXPECT_EQ(ImagePixelizer::processColor({200, 90, 30}, 0, 0, s), (RGB{128, 128, 128}));
    // luma of (60, 60, 60) is 60; 60 / 255 * 4 = 0.94 -> 1 -> 63.75 -> 64
    EXPECT_EQ(ImagePixelizer::processColor({60, 60, 60}, 0, 0, s), (RGB{64, 64, 64}));
}

TEST(ImagePixelizerColor, CurrentPaletteMapsLuminance) {
    Settings s;
    s.paletteMode = ImagePaletteMode::current;
    s.dither = ImageDitherStyle::none;
    const RGB a{10, 20, 30}, b{100, 110, 120}, c{200, 210, 220};
    s.palette = {a, b, c};
    EXPECT_EQ(ImagePixelizer::paletteColor(0.25, 0, 0, s), a);  // exactly halfway keeps the lower entry
    EXPECT_EQ(ImagePixelizer::paletteColor(0.2501, 0, 0, s), b);
    EXPECT_EQ(ImagePixelizer::paletteColor(1, 0, 0, s), c);
    EXPECT_EQ(ImagePixelizer::paletteColor(7, 0, 0, s), c);
    EXPECT_EQ(ImagePixelizer::paletteColor(-1, 0, 0, s), a);
    EXPECT_EQ(ImagePixelizer::paletteColor(std::nan(""), 0, 0, s), a);
    s.dither = ImageDitherStyle::bayer4;
    // f = 0.6 between a and b: up where the threshold is below 0.6.
    EXPECT_EQ(ImagePixelizer::paletteColor(0.3, 0, 0, s), b);  // threshold 0
    EXPECT_EQ(ImagePixelizer::paletteColor(0.3, 1, 0, s), a);  // threshold 0.75
    s.palette = {b};
    EXPECT_EQ(ImagePixelizer::paletteColor(0.9, 3, 3, s), b);
    s.palette.clear();
    EXPECT_EQ(ImagePixelizer::paletteColor(0.5, 0, 0, s), (RGB{128, 128, 128}));
    // Through the pipeline: white has luminance 1.
    s.palette = {a, b, c};
    EXPECT_EQ(ImagePixelizer::processColor({255, 255, 255}, 0, 0, s), c);
}

TEST(ImagePixelizerCells, CellsAverageFourNearestSamples) {
    // 56 x 32 photo, 28 x 16 cells: the crop is the whole photo. Odd columns
    // carry red 200, odd rows green 100.
    const auto photo = painted(56, 32, [](std::int64_t x, std::int64_t y) {
        return RGB{std::uint8_t(x % 2 ? 200 : 0), std::uint8_t(y % 2 ? 100 : 0), 7};
    });
    Settings s = faithful();
    s.pixelSize = 100;
    s.referenceWidth = 1512;
    const auto grid = ImagePixelizer::pixelize(photo, 56, 32, s);
    ASSERT_EQ(grid.columns, 28);
    ASSERT_EQ(grid.rows, 16);
    // Cell (7, 13) samples photo columns 26 and 27 and rows 14 and 15.
    EXPECT_EQ(grid.cells[7 * 28 + 13], (RGB{100, 50, 7}));
    // Cell (0, 0) samples column 1 and row 1 only.
    EXPECT_EQ(grid.cells[0], (RGB{200, 100, 7}));
    // The background is the top-left photo pixel itself, not cell (0, 0).
    EXPECT_EQ(grid.background, (RGB{0, 0, 7}));
}

TEST(ImagePixelizerCells, UniformPhotoGivesUniformCells) {
    Settings s;
    s.brightness = 10;
    const RGB color{12, 200, 99};
    const auto grid = ImagePixelizer::pixelize(solid(30, 20, color), 1920, 1080, s);
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        const auto r = std::int64_t(i) / grid.columns, c = std::int64_t(i) % grid.columns;
        ASSERT_EQ(grid.cells[i], ImagePixelizer::processColor(color, r, c, s)) << i;
    }
}

TEST(ImagePixelizerCells, CropChoosesThePartOfThePhoto) {
    // Left half red, right half blue; zoom 2 at the left edge sees only red.
    const auto photo = painted(200, 100, [](std::int64_t x, std::int64_t) {
        return x < 100 ? RGB{255, 0, 0} : RGB{0, 0, 255};
    });
    Settings s = faithful();
    s.crop = {0, 0.5, 2};
    auto grid = ImagePixelizer::pixelize(photo, 1920, 1080, s);
    for (const RGB& cell : grid.cells) ASSERT_EQ(cell, (RGB{255, 0, 0}));
    s.crop = {1, 0.5, 2};
    grid = ImagePixelizer::pixelize(photo, 1920, 1080, s);
    for (const RGB& cell : grid.cells) ASSERT_EQ(cell, (RGB{0, 0, 255}));
    // Non-finite crop values act as the neutral crop.
    s.crop = {std::nan(""), std::numeric_limits<double>::infinity(), std::nan("")};
    Settings neutral = faithful();
    EXPECT_EQ(ImagePixelizer::pixelize(photo, 1920, 1080, s).cells,
              ImagePixelizer::pixelize(photo, 1920, 1080, neutral).cells);
}

TEST(ImagePixelizerCells, EmptyBufferSamplesBlack) {
    Settings s = faithful();
    const auto grid = ImagePixelizer::pixelize(PixelImageBuffer{}, 1920, 1080, s);
    EXPECT_EQ(grid.background, (RGB{}));
    for (const RGB& cell : grid.cells) ASSERT_EQ(cell, (RGB{}));
}

TEST(ImagePixelizerCells, MosaicVariationJittersTilesOnly) {
    const RGB color{200, 100, 50};
    Settings s = faithful();
    s.seed = 0;
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicVariation = 100;
    // Tile (0, 0) with seed 0: n = fract(sin(0) * k) = 0, factor 1 - 0.5 * 0.34 = 0.83.
    auto grid = ImagePixelizer::pixelize(solid(10, 10, color), 1920, 1080, s);
    EXPECT_EQ(grid.cells[0], (RGB{166, 83, 42}));  // 41.5 rounds away from zero
    EXPECT_EQ(grid.background, color);             // the background is never varied
    for (const RGB& cell : grid.cells) {
        ASSERT_GE(cell.red, 166);
        ASSERT_LE(cell.red, 234);  // at most 17 % brighter
    }
    s.seed = 1000003;  // the seed counts modulo 1000003
    EXPECT_EQ(ImagePixelizer::pixelize(solid(10, 10, color), 1920, 1080, s).cells, grid.cells);
    s.mosaicVariation = 250;  // acts as 100
    EXPECT_EQ(ImagePixelizer::pixelize(solid(10, 10, color), 1920, 1080, s).cells, grid.cells);

    s.mosaicVariation = 0;
    for (const RGB& cell : ImagePixelizer::pixelize(solid(10, 10, color), 1920, 1080, s).cells) {
        ASSERT_EQ(cell, color);
    }
    s.mosaicVariation = 100;
    s.renderMode = ImageRenderMode::pixel;
    for (const RGB& cell : ImagePixelizer::pixelize(solid(10, 10, color), 1920, 1080, s).cells) {
        ASSERT_EQ(cell, color);
    }
}

}  // namespace
}  // namespace glimora
