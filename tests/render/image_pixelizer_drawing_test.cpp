#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

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

// The exact geometry, independently of the drawing code: the area of pixel
// (x, y) that a shape covers, in double precision.
double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

double rectangleArea(const Rect& r, std::int64_t x, std::int64_t y) {
    return overlap(double(x), double(x + 1), r.x, r.x + r.width) *
           overlap(double(y), double(y + 1), r.y, r.y + r.height);
}

// A shape symmetric about its middle row, given by its half height at each
// x: exact in y, sampled at 512 columns across the pixel in x.
double columnArea(const Rect& r, std::int64_t x, std::int64_t y, const auto& halfHeight) {
    const double middle = r.y + r.height / 2;
    constexpr int steps = 512;
    double sum = 0;
    for (int i = 0; i < steps; ++i) {
        const double h = halfHeight(double(x) + (i + 0.5) / steps);
        if (h > 0) sum += overlap(double(y), double(y + 1), middle - h, middle + h);
    }
    return sum / steps;
}

double ellipseArea(const Rect& r, std::int64_t x, std::int64_t y) {
    return columnArea(r, x, y, [&](double t) {
        const double u = (t - (r.x + r.width / 2)) / (r.width / 2);
        return u * u < 1 ? r.height / 2 * std::sqrt(1 - u * u) : 0.0;
    });
}

double diamondArea(const Rect& r, std::int64_t x, std::int64_t y) {
    return columnArea(r, x, y, [&](double t) {
        return r.height / 2 * (1 - std::abs(t - (r.x + r.width / 2)) / (r.width / 2));
    });
}

// Each cell in grid order: its colour over what lies beneath by the shape's
// area, then, with a bevel, white at 0.28 x amount by the stroke ring's area.
struct Reference {
    const Grid& grid;
    ImagePixelizer::CellGeometry geometry;
    std::function<double(const Rect&, std::int64_t, std::int64_t)> fillArea;
    std::function<double(const Rect&, std::int64_t, std::int64_t)> strokeArea;

    std::array<double, 3> at(std::int64_t x, std::int64_t y) const {
        const RGB ground = grid.background;
        std::array<double, 3> p{double(ground.red), double(ground.green), double(ground.blue)};
        const auto column = std::int64_t(std::floor(double(x) / geometry.cellWidth));
        const auto row = std::int64_t(std::floor(double(y) / geometry.cellHeight));
        for (std::int64_t r = std::max<std::int64_t>(row - 1, 0); r <= std::min(row + 1, geometry.rows - 1); ++r) {
            for (std::int64_t c = std::max<std::int64_t>(column - 1, 0);
                 c <= std::min(column + 1, geometry.columns - 1); ++c) {
                const Rect shape = geometry.shape(r, c);
                const RGB color = grid.cells[std::size_t(r * geometry.columns + c)];
                const double a = fillArea(shape, x, y);
                p = {p[0] * (1 - a) + color.red * a, p[1] * (1 - a) + color.green * a,
                     p[2] * (1 - a) + color.blue * a};
                if (strokeArea) {
                    const double s = 0.28 * geometry.bevelAmount * strokeArea(shape, x, y);
                    for (double& v : p) v = v * (1 - s) + 255 * s;
                }
            }
        }
        return p;
    }
};

struct Deviation {
    std::int64_t offPixels = 0;  // pixels with a channel more than the tolerance off
    double worst = 0;
};

Deviation compare(const Bitmap& bitmap, const Reference& reference, int tolerance, std::int64_t x0,
                  std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    Deviation d;
    for (std::int64_t y = y0; y < y1; ++y) {
        for (std::int64_t x = x0; x < x1; ++x) {
            const auto expected = reference.at(x, y);
            const RGB got = bitmap.at(x, y);
            const double channels[3] = {double(got.red), double(got.green), double(got.blue)};
            double off = 0;
            for (int k = 0; k < 3; ++k) off = std::max(off, std::abs(channels[k] - expected[k]));
            d.worst = std::max(d.worst, off);
            d.offPixels += off > tolerance + 0.5;
        }
    }
    return d;
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

TEST(ImagePixelizerDrawing, GapSquaresHaveExactAreaCoverageAtTheirEdges) {
    // 137 x 77 cells of 14.01 x 14.03 pixels, each inset by 0.981 on every side.
    Settings s;
    s.cellGap = 0.14;
    const Grid grid = checkerGrid(137, 77);
    const Bitmap bitmap = draw(grid, s, 1920, 1080);
    const Reference reference{grid, ImagePixelizer::CellGeometry(grid, s, 1920, 1080), rectangleArea, {}};
    const Deviation d = compare(bitmap, reference, 2, 0, 0, 1920, 1080);
    EXPECT_EQ(d.offPixels, 0) << "worst " << d.worst;
    expectOpaque(bitmap);
    // An edge pixel: column 0's shape starts at x 0.981, covering 1.9 % of pixel 0.
    EXPECT_EQ(bitmap.at(0, 5), (RGB{251, 1, 252}));

    // Mosaic squares and wide and tall tiles are rectangles too.
    s.renderMode = ImageRenderMode::mosaic;
    for (auto shape : {ImageMosaicTileShape::square, ImageMosaicTileShape::wide, ImageMosaicTileShape::tall}) {
        s.mosaicTileShape = shape;
        const Bitmap tiles = draw(grid, s, 997, 601);
        const Reference exact{grid, ImagePixelizer::CellGeometry(grid, s, 997, 601), rectangleArea, {}};
        const Deviation tile = compare(tiles, exact, 2, 0, 0, 997, 601);
        EXPECT_EQ(tile.offPixels, 0) << int(shape) << " worst " << tile.worst;
    }
}

// A bright grid on a black ground: any background showing between cells
// makes a pixel darker than every cell it touches.
Grid brightGrid(std::int64_t columns, std::int64_t rows) {
    Grid grid{columns, rows, RGB{0, 0, 0}, {}};
    for (std::int64_t r = 0; r < rows; ++r)
        for (std::int64_t c = 0; c < columns; ++c) {
            grid.cells.push_back((r + c) % 2 ? RGB{250, 240, 90} : RGB{std::uint8_t(120 + c % 100), 230, 250});
        }
    return grid;
}

TEST(ImagePixelizerDrawing, CellsWithoutGapTileSeamlessly) {
    for (auto [width, height] : {std::pair<std::int64_t, std::int64_t>{1000, 563}, {997, 601}, {1920, 1080}}) {
        const Grid grid = brightGrid(137, 77);
        const Bitmap bitmap = draw(grid, {}, width, height);
        const ImagePixelizer::CellGeometry geometry(grid, {}, double(width), double(height));
        auto cellAt = [&](std::int64_t r, std::int64_t c) { return grid.cells[std::size_t(r * 137 + c)]; };
        auto sum = [](RGB p) { return int(p.red) + int(p.green) + int(p.blue); };
        std::int64_t leaks = 0;
        for (std::int64_t y = 0; y < height; ++y) {
            for (std::int64_t x = 0; x < width; ++x) {
                // The cells that pixel (x, y) touches.
                const auto c0 = std::int64_t(double(x) / geometry.cellWidth);
                const auto c1 = std::min<std::int64_t>(std::int64_t(double(x + 1) / geometry.cellWidth), 136);
                const auto r0 = std::int64_t(double(y) / geometry.cellHeight);
                const auto r1 = std::min<std::int64_t>(std::int64_t(double(y + 1) / geometry.cellHeight), 76);
                int darkest = 3 * 255;
                for (auto r = r0; r <= r1; ++r)
                    for (auto c = c0; c <= c1; ++c) darkest = std::min(darkest, sum(cellAt(r, c)));
                leaks += sum(bitmap.at(x, y)) < darkest - 6;
            }
        }
        EXPECT_EQ(leaks, 0) << width << "x" << height;
        expectOpaque(bitmap);

        // Where a column boundary crosses a pixel inside a row of cells, the
        // right cell's share b goes over the left cell: A (1 - b) + B b.
        std::int64_t checked = 0;
        for (std::int64_t c = 0; c + 1 < 137; ++c) {
            const double boundary = double(c + 1) * geometry.cellWidth;
            const auto x = std::int64_t(std::floor(boundary));
            if (double(x) == boundary) continue;
            const double b = double(x + 1) - boundary;
            const auto y = std::int64_t(geometry.cellHeight * 3.5);  // mid row 3
            const RGB a = cellAt(3, c);
            const RGB right = cellAt(3, c + 1);
            const RGB got = bitmap.at(x, y);
            EXPECT_NEAR(got.red, a.red * (1 - b) + right.red * b, 2.5) << c;
            EXPECT_NEAR(got.green, a.green * (1 - b) + right.green * b, 2.5) << c;
            EXPECT_NEAR(got.blue, a.blue * (1 - b) + right.blue * b, 2.5) << c;
            ++checked;
        }
        EXPECT_GT(checked, 50);
        // The last column and row belong to the last cells, not to the ground
        // (pixels that two cells share aside).
        auto within = [](std::int64_t i, double size) {
            return std::floor(double(i) / size) == std::floor(std::nextafter(double(i + 1), 0.0) / size);
        };
        for (std::int64_t y = 0; y < height; ++y) {
            if (within(y, geometry.cellHeight))
                EXPECT_EQ(bitmap.at(width - 1, y), cellAt(std::int64_t(double(y) / geometry.cellHeight), 136)) << y;
        }
        for (std::int64_t x = 0; x < width; ++x) {
            if (within(x, geometry.cellWidth))
                EXPECT_EQ(bitmap.at(x, height - 1), cellAt(76, std::int64_t(double(x) / geometry.cellWidth))) << x;
        }
    }
    // Mosaic squares and rounded tiles without radius are rectangles as well.
    Settings s;
    s.renderMode = ImageRenderMode::mosaic;
    for (auto shape : {ImageMosaicTileShape::square, ImageMosaicTileShape::rounded}) {
        s.mosaicTileShape = shape;
        s.mosaicCornerRadius = 0;
        const Bitmap bitmap = draw(brightGrid(137, 77), s, 997, 601);
        EXPECT_EQ(countColor(bitmap, RGB{0, 0, 0}), 0);
    }
}

TEST(ImagePixelizerDrawing, DotsAndDiamondsMatchTheExactShapes) {
    // Cells of 21.74 x 22.31 pixels: every shape sits at its own fraction.
    const Grid grid = checkerGrid(23, 13);
    Settings s;
    s.cellGap = 0.1;
    for (auto shape : {ImagePixelShape::dot, ImagePixelShape::diamond}) {
        s.pixelShape = shape;
        const Bitmap bitmap = draw(grid, s, 500, 290);
        const Reference reference{grid, ImagePixelizer::CellGeometry(grid, s, 500, 290),
                                  shape == ImagePixelShape::dot ? ellipseArea : diamondArea, {}};
        // Seven by five cells, from the image's first edge into its interior.
        const Deviation d = compare(bitmap, reference, 2, 0, 0, 153, 112);
        EXPECT_EQ(d.offPixels, 0) << int(shape) << " worst " << d.worst;
        EXPECT_GT(d.worst, 0);  // there are blended edge pixels to check
        expectOpaque(bitmap);
    }
    // Without a gap neighbouring dots touch; the corners between them stay ground.
    s.cellGap = 0;
    s.pixelShape = ImagePixelShape::dot;
    const Bitmap touching = draw(grid, s, 500, 290);
    const Reference exact{grid, ImagePixelizer::CellGeometry(grid, s, 500, 290), ellipseArea, {}};
    // Where two dots share a pixel it is blended, and rounded, twice.
    const Deviation d = compare(touching, exact, 3, 0, 0, 153, 112);
    EXPECT_EQ(d.offPixels, 0) << "worst " << d.worst;
}

TEST(ImagePixelizerDrawing, BevelStrokeIsARingAcrossTheOutline) {
    // Square tiles: a mitred stroke is the outline grown by half the width
    // less the outline shrunk by it.
    const Grid grid = checkerGrid(23, 13);
    Settings s;
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicTileShape = ImageMosaicTileShape::square;
    s.mosaicBevel = 100;  // 1.3 pixels wide on these tiles
    s.cellGap = 0.14;
    const ImagePixelizer::CellGeometry geometry(grid, s, 500, 290);
    const double half = geometry.bevelLineWidth(geometry.shape(0, 0)) / 2;
    EXPECT_GT(half, 0.6);
    auto ring = [&](const Rect& r, std::int64_t x, std::int64_t y) {
        return rectangleArea({r.x - half, r.y - half, r.width + 2 * half, r.height + 2 * half}, x, y) -
               rectangleArea({r.x + half, r.y + half, r.width - 2 * half, r.height - 2 * half}, x, y);
    };
    const Bitmap bitmap = draw(grid, s, 500, 290);
    const Deviation d = compare(bitmap, {grid, geometry, rectangleArea, ring}, 2, 0, 0, 500, 290);
    EXPECT_EQ(d.offPixels, 0) << "worst " << d.worst;

    // Rounded tiles: along the straight middle of each side the same holds;
    // the curves keep clear of it.
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.18;
    const Bitmap rounded = draw(grid, s, 500, 290);
    const Reference reference{grid, geometry, rectangleArea, ring};
    std::int64_t off = 0;
    std::int64_t checked = 0;
    for (std::int64_t r = 0; r < 13; ++r) {
        for (std::int64_t c = 0; c < 23; ++c) {
            const Rect shape = geometry.shape(r, c);
            const auto x0 = std::int64_t(shape.x + shape.width / 2) - 2;
            const auto y0 = std::int64_t(shape.y + shape.height / 2) - 2;
            // A strip across the top edge and one across the left edge.
            for (auto y = std::int64_t(shape.y) - 2; y <= std::int64_t(shape.y) + 2; ++y) {
                for (auto x = x0; x < x0 + 4; ++x) {
                    if (y < 0) continue;
                    off += compare(rounded, reference, 2, x, y, x + 1, y + 1).offPixels;
                    ++checked;
                }
            }
            for (auto x = std::int64_t(shape.x) - 2; x <= std::int64_t(shape.x) + 2; ++x) {
                for (auto y = y0; y < y0 + 4; ++y) {
                    if (x < 0) continue;
                    off += compare(rounded, reference, 2, x, y, x + 1, y + 1).offPixels;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(off, 0) << "of " << checked;
    // Corners are cut: the tile's outermost corner pixel is mostly ground.
    const Rect first = geometry.shape(0, 0);
    EXPECT_EQ(rounded.at(std::int64_t(first.x), std::int64_t(first.y)), magenta);
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
    Settings gapSquares;
    gapSquares.cellGap = 0.14;
    Settings bevelSquares = brick;
    bevelSquares.mosaicTileShape = ImageMosaicTileShape::square;
    bevelSquares.cellGap = 0;
    for (const Settings& s : {dot, diamond, brick, wide, gapSquares, Settings{}, bevelSquares}) {
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
