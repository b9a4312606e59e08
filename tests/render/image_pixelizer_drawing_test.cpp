#include <gtest/gtest.h>

#include <cmath>

#include "render/image_pixelizer.hpp"

namespace glimora {
namespace {

using Settings = ImagePixelizer::Settings;
using Grid = ImagePixelizer::PixelGrid;
using Rect = ImagePixelizer::Rect;

constexpr RGB magenta{255, 0, 255};

// A grid whose background appears in no cell, so any visible background is
// a gap between cells.
Grid checkerGrid(std::int64_t columns, std::int64_t rows) {
    Grid grid{columns, rows, magenta, {}};
    for (std::int64_t r = 0; r < rows; ++r)
        for (std::int64_t c = 0; c < columns; ++c) {
            grid.cells.push_back((r + c) % 2 ? RGB{20, 200, 60} : RGB{40, 60, std::uint8_t(100 + c % 100)});
        }
    return grid;
}

struct Bitmap {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    RGB at(std::int64_t x, std::int64_t y) const {
        const std::uint8_t* p = bytes.data() + (y * width + x) * 4;
        return {p[0], p[1], p[2]};
    }
};

Bitmap draw(const Grid& grid, const Settings& settings, std::int64_t width, std::int64_t height,
            int threads = 0) {
    Bitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t(width * height * 4), 0)};
    ImagePixelizer::drawGrid(grid, settings, double(width), double(height), 1.0,
                             {bitmap.bytes.data(), width, height, width * 4}, threads);
    return bitmap;
}

std::int64_t countColor(const Bitmap& bitmap, RGB color) {
    std::int64_t count = 0;
    for (std::int64_t y = 0; y < bitmap.height; ++y)
        for (std::int64_t x = 0; x < bitmap.width; ++x) count += bitmap.at(x, y) == color;
    return count;
}

void expectOpaque(const Bitmap& bitmap) {
    for (std::size_t i = 3; i < bitmap.bytes.size(); i += 4) ASSERT_EQ(bitmap.bytes[i], 255) << i;
}

void expectRect(const Rect& rect, double x, double y, double width, double height) {
    EXPECT_NEAR(rect.x, x, 1e-9);
    EXPECT_NEAR(rect.y, y, 1e-9);
    EXPECT_NEAR(rect.width, width, 1e-9);
    EXPECT_NEAR(rect.height, height, 1e-9);
}

TEST(CellGeometry, InsetsAndTileRectangles) {
    Settings s;
    s.cellGap = 0.14;
    const Grid grid = checkerGrid(137, 77);
    ImagePixelizer::CellGeometry geometry(grid, s, 3840, 2160);
    EXPECT_NEAR(geometry.cellWidth, 28.029, 1e-3);
    EXPECT_NEAR(geometry.cellHeight, 28.052, 1e-3);
    EXPECT_NEAR(geometry.inset, 1.962, 1e-3);
    s.cellGap = 2;  // acts as 0.8
    ImagePixelizer::CellGeometry wideGap(grid, s, 3840, 2160);
    const Rect cell = wideGap.cell(3, 5);
    const Rect shape = wideGap.shape(3, 5);
    EXPECT_NEAR(cell.width - shape.width, 0.8 * wideGap.cellWidth, 1e-9);
    EXPECT_NEAR(cell.height - shape.height, 0.8 * wideGap.cellWidth, 1e-9);

    // 28 x 16 cells of 20 x 20 on 560 x 320, no gap.
    s = {};
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicCornerRadius = 0.18;
    const Grid small = checkerGrid(28, 16);
    s.mosaicTileShape = ImageMosaicTileShape::wide;
    expectRect(ImagePixelizer::CellGeometry(small, s, 560, 320).shape(0, 0), 0, 3.8, 20, 12.4);
    s.mosaicTileShape = ImageMosaicTileShape::tall;
    expectRect(ImagePixelizer::CellGeometry(small, s, 560, 320).shape(1, 1), 23.8, 20, 12.4, 20);
    s.mosaicTileShape = ImageMosaicTileShape::brick;
    ImagePixelizer::CellGeometry brick(small, s, 560, 320);
    expectRect(brick.shape(0, 0), 1.2, 1.6, 17.6, 16.8);
    EXPECT_NEAR(brick.cornerRadius(brick.shape(0, 0)), 3.024, 1e-9);

    s.mosaicCornerRadius = 1;  // acts as 0.45 on rounded tiles, nothing on square ones
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    ImagePixelizer::CellGeometry rounded(small, s, 560, 320);
    EXPECT_NEAR(rounded.cornerRadius(rounded.shape(0, 0)), 9, 1e-9);
    s.mosaicTileShape = ImageMosaicTileShape::square;
    ImagePixelizer::CellGeometry square(small, s, 560, 320);
    EXPECT_EQ(square.cornerRadius(square.shape(0, 0)), 0);

    s.mosaicBevel = 35;
    ImagePixelizer::CellGeometry bevel(small, s, 560, 320);
    EXPECT_NEAR(bevel.bevelAmount * 0.28, 0.098, 1e-12);
    EXPECT_EQ(bevel.bevelLineWidth({0, 0, 10, 10}), 0.5);  // 0.35 * 10 * 0.065 = 0.2275
    EXPECT_NEAR(bevel.bevelLineWidth({0, 0, 40, 30}), 0.6825, 1e-12);
    s.mosaicBevel = -3;
    EXPECT_EQ(ImagePixelizer::CellGeometry(small, s, 560, 320).bevelAmount, 0);

    // Pixel mode ignores the mosaic settings.
    s.renderMode = ImageRenderMode::pixel;
    s.mosaicTileShape = ImageMosaicTileShape::wide;
    s.mosaicBevel = 50;
    ImagePixelizer::CellGeometry pixel(small, s, 560, 320);
    expectRect(pixel.shape(0, 0), 0, 0, 20, 20);
    EXPECT_EQ(pixel.bevelAmount, 0);
    EXPECT_EQ(pixel.cornerRadius(pixel.shape(0, 0)), 0);
}

TEST(ImagePixelizerDrawing, SquareCellsWithoutGapTileSeamlessly) {
    Settings s;
    for (auto [width, height] :
         {std::pair<std::int64_t, std::int64_t>{1000, 563}, {997, 601}, {3840, 2160}}) {
        const Grid grid = checkerGrid(137, 77);
        const Bitmap bitmap = draw(grid, s, width, height);
        EXPECT_EQ(countColor(bitmap, magenta), 0) << width << "x" << height;
        expectOpaque(bitmap);
    }
    // Mosaic squares and rounded tiles with no radius are rectangles as well.
    s.renderMode = ImageRenderMode::mosaic;
    for (auto shape : {ImageMosaicTileShape::square, ImageMosaicTileShape::rounded}) {
        s.mosaicTileShape = shape;
        EXPECT_EQ(countColor(draw(checkerGrid(137, 77), s, 997, 601), magenta), 0);
    }
}

TEST(ImagePixelizerDrawing, RowZeroIsTheTopRow) {
    Grid grid = checkerGrid(28, 16);
    for (std::size_t c = 0; c < 28; ++c) grid.cells[c] = {255, 0, 0};
    const Bitmap bitmap = draw(grid, {}, 560, 320);
    EXPECT_EQ(bitmap.at(5, 0), (RGB{255, 0, 0}));
    EXPECT_EQ(bitmap.at(555, 19), (RGB{255, 0, 0}));
    EXPECT_NE(bitmap.at(5, 20), (RGB{255, 0, 0}));
    EXPECT_NE(bitmap.at(5, 319), (RGB{255, 0, 0}));
}

TEST(ImagePixelizerDrawing, GapShowsTheBackgroundAroundEachCell) {
    Settings s;
    s.cellGap = 0.2;  // inset 2 on 20 x 20 cells
    const Bitmap bitmap = draw(checkerGrid(28, 16), s, 560, 320);
    EXPECT_EQ(bitmap.at(1, 1), magenta);
    EXPECT_EQ(bitmap.at(21, 10), magenta);
    EXPECT_EQ(bitmap.at(2, 2), (RGB{40, 60, 100}));
    EXPECT_EQ(bitmap.at(17, 17), (RGB{40, 60, 100}));
    EXPECT_EQ(bitmap.at(18, 18), magenta);
    // Each cell is 16 x 16 pixels.
    EXPECT_EQ(countColor(bitmap, magenta), 560 * 320 - 28 * 16 * 256);
}

TEST(ImagePixelizerDrawing, DotsAndDiamondsAreAntialiasedShapes) {
    Settings s;
    const Grid grid = checkerGrid(28, 16);
    s.pixelShape = ImagePixelShape::dot;
    Bitmap bitmap = draw(grid, s, 560, 320);
    EXPECT_EQ(bitmap.at(10, 10), (RGB{40, 60, 100}));  // centre
    EXPECT_EQ(bitmap.at(0, 0), magenta);               // corner outside the circle
    EXPECT_EQ(bitmap.at(1, 1), magenta);               // wholly outside the circle of radius 10
    expectOpaque(bitmap);
    // An edge pixel blends cell colour and background.
    const RGB edge = bitmap.at(10, 0);
    EXPECT_NE(edge, magenta);
    EXPECT_NE(edge, (RGB{40, 60, 100}));

    s.pixelShape = ImagePixelShape::diamond;
    bitmap = draw(grid, s, 560, 320);
    EXPECT_EQ(bitmap.at(10, 10), (RGB{40, 60, 100}));
    EXPECT_EQ(bitmap.at(10, 1), (RGB{40, 60, 100}));  // near the top point
    EXPECT_EQ(bitmap.at(4, 4), magenta);              // outside the diamond
    // The diamond covers half of its cell; its edge pixels are blends.
    const double share = double(countColor(bitmap, magenta)) / (560 * 320);
    EXPECT_GT(share, 0.4);
    EXPECT_LT(share, 0.5);
}

TEST(ImagePixelizerDrawing, RoundedTilesAndBevels) {
    Settings s;
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.25;  // the corner curves run 7.6 pixels along each edge
    const Grid grid = checkerGrid(28, 16);
    Bitmap bitmap = draw(grid, s, 560, 320);
    EXPECT_EQ(bitmap.at(0, 0), magenta);  // a rounded corner
    EXPECT_EQ(bitmap.at(19, 19), magenta);
    EXPECT_EQ(bitmap.at(10, 0), (RGB{40, 60, 100}));  // the straight edge is crisp
    EXPECT_EQ(bitmap.at(0, 10), (RGB{40, 60, 100}));
    EXPECT_EQ(bitmap.at(10, 10), (RGB{40, 60, 100}));

    s.mosaicBevel = 100;  // white at 0.28 along the outline, 1.3 wide
    bitmap = draw(grid, s, 560, 320);
    const RGB inner = bitmap.at(10, 10);
    const RGB rim = bitmap.at(10, 0);
    EXPECT_EQ(inner, (RGB{40, 60, 100}));
    EXPECT_GT(rim.red, inner.red + 30);
    EXPECT_GT(rim.green, inner.green + 30);
    expectOpaque(bitmap);

    // Square tiles get the bevel too; no bevel without mosaic mode.
    s.mosaicTileShape = ImageMosaicTileShape::square;
    EXPECT_GT(draw(grid, s, 560, 320).at(10, 0).red, 60);
    s.renderMode = ImageRenderMode::pixel;
    EXPECT_EQ(draw(grid, s, 560, 320).at(10, 0), (RGB{40, 60, 100}));
}

TEST(ImagePixelizerDrawing, BandsOnManyThreadsMatchOneThread) {
    const Grid grid = checkerGrid(137, 77);
    Settings dot;
    dot.pixelShape = ImagePixelShape::dot;
    dot.cellGap = 0.1;
    Settings diamond;
    diamond.pixelShape = ImagePixelShape::diamond;
    Settings brick;
    brick.renderMode = ImageRenderMode::mosaic;
    brick.mosaicTileShape = ImageMosaicTileShape::brick;
    brick.mosaicCornerRadius = 0.3;
    brick.mosaicBevel = 80;
    Settings wide = brick;
    wide.mosaicTileShape = ImageMosaicTileShape::wide;
    wide.cellGap = 0.05;
    for (const Settings& s : {dot, diamond, brick, wide}) {
        const Bitmap one = draw(grid, s, 1237, 701, 1);
        for (int threads : {2, 7, 16})
            EXPECT_TRUE(draw(grid, s, 1237, 701, threads).bytes == one.bytes) << threads;
    }
}

TEST(ImagePixelizerDrawing, ScaledCanvasMatchesTheSameGridAtPixelSize) {
    // A 280 x 160 point canvas drawn at 2 pixels per point.
    const Grid grid = checkerGrid(28, 16);
    Settings s;
    s.cellGap = 0.1;
    Bitmap scaled{560, 320, std::vector<std::uint8_t>(560 * 320 * 4)};
    ImagePixelizer::drawGrid(grid, s, 280, 160, 2.0, {scaled.bytes.data(), 560, 320, 560 * 4});
    EXPECT_TRUE(scaled.bytes == draw(grid, s, 560, 320).bytes);
}

TEST(ImagePixelizerDrawing, IncompleteGridsDrawOnlyTheBackground) {
    Grid grid = checkerGrid(28, 16);
    grid.cells.resize(100);
    const Bitmap bitmap = draw(grid, {}, 200, 100);
    EXPECT_EQ(countColor(bitmap, magenta), 200 * 100);
    Grid empty{0, 0, magenta, {}};
    EXPECT_EQ(countColor(draw(empty, {}, 50, 40), magenta), 50 * 40);
}

TEST(ImagePixelizerRenderImage, BitmapOfThePixelizedPhoto) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    for (int i = 0; i < 16; ++i) bytes->insert(bytes->end(), {90, 30, 200, 255});
    const PixelImageBuffer photo{4, 4, bytes};
    Settings s;
    s.colorCount = 256;
    s.dither = ImageDitherStyle::none;
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.2;
    s.mosaicBevel = 35;
    s.cellGap = 0.14;
    const PixelImageBuffer image = ImagePixelizer::renderImage(photo, s, 1920, 1080);
    ASSERT_EQ(image.width, 1920);
    ASSERT_EQ(image.height, 1080);
    ASSERT_EQ(image.rgba->size(), std::size_t(1920 * 1080 * 4));
    EXPECT_EQ(image.sampleColor(0.5, 0.5), (RGB{90, 30, 200}));
    for (std::size_t i = 3; i < image.rgba->size(); i += 4) ASSERT_EQ((*image.rgba)[i], 255);

    for (auto [w, h] : {std::pair<std::int64_t, std::int64_t>{0, 100}, {100, -1}, {40000, 10}}) {
        EXPECT_THROW(ImagePixelizer::renderImage(photo, s, w, h), ImagePixelizer::PixelizerError);
    }
}

}  // namespace
}  // namespace glimora
