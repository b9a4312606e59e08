#include "controls/pixel_mosaics.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "editors/gradient_thumbnails.hpp"
#include "tests/shell/test_artefacts.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

const Color red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1};

// The widget drawn on transparent at `scale` device pixels to the point.
QImage render(QWidget& widget, double scale = 1) {
    QImage image((QSizeF(widget.size()) * scale).toSize(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    widget.render(&painter, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

std::vector<std::string> litRows(NotchShape shape) {
    std::vector<std::string> rows;
    for (int r = 0; r < 6; ++r) {
        std::string row;
        for (int c = 0; c < 12; ++c) row += pixelThumbnailCellLit(shape, r, c) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST(PixelSwatchTest, EachRowStartsTwoColoursFurtherAlong) {
    PixelSwatch swatch([] { return std::vector<Color>{red, green, blue}; }, 50);
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    const int expected[3][5] = {{0, 1, 2, 0, 1}, {2, 0, 1, 2, 0}, {1, 2, 0, 1, 2}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) EXPECT_EQ(swatch.cellColor(r, c), colours[expected[r][c]]) << r << "," << c;

    // Drawn: 50 x 34, cells 10 x 11.33; sample each cell's middle.
    EXPECT_EQ(swatch.size(), QSize(50, 34));
    const QImage image = render(swatch);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(QColor(image.pixel(c * 10 + 5, int(r * 34.0 / 3 + 5))), colours[expected[r][c]]);
    // The corners are rounded off.
    EXPECT_LT(qAlpha(image.pixel(0, 0)), 128);
}

TEST(PixelSwatchTest, ColoursAreTheRenderersBytesOfThePalette) {
    // The renderer truncates: 0.999 gives 254, not 255.
    EXPECT_EQ(paletteQColor({0.999, 0.5, 0}), QColor(254, 127, 0));
    EXPECT_EQ(paletteQColor({2, -1, 0.2}), QColor(255, 0, 51));
}

TEST(PixelMosaicsTest, AnEmptyCustomPalettePaintsOpaqueBlackCellsWithoutACrash) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->setPaletteIndex(static_cast<int>(builtInPalettes().size()));  // "Custom"
    model->setCustomPaletteStops({});
    ASSERT_TRUE(model->activePalette().colors.empty());
    const ColorsSource colours = [&] { return model->activePalette().colors; };

    PixelSwatch swatch(colours, 40);
    const QImage swatchImage = render(swatch);
    EXPECT_EQ(swatchImage.pixel(20, 13), qRgba(0, 0, 0, 255));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) EXPECT_EQ(swatch.cellColor(r, c), QColor(0, 0, 0));

    PixelThumbnail tile(NotchShape::smoothGradient, colours, [] { return false; }, 44);
    tile.resize(120, 44);
    const QImage tileImage = render(tile);
    EXPECT_EQ(tileImage.pixel(60, 40), qRgba(0, 0, 0, 255));  // row 5, lit
    EXPECT_EQ(tile.cellColor(5, 0), QColor(0, 0, 0));
}

TEST(PixelThumbnailTest, SmoothGradientLightsItsLowerRowsAndASpot) {
    const std::vector<std::string> expected{
        "............", "......####..", "......#####.", "############", "############", "############"};
    EXPECT_EQ(litRows(NotchShape::smoothGradient), expected);
}

TEST(PixelThumbnailTest, FractalTopAndBottomRowsEscapeAtOnceAndAreLit) {
    const auto rows = litRows(NotchShape::fractal);
    EXPECT_EQ(rows.front(), "############");
    EXPECT_EQ(rows.back(), "############");
    // Not everything is lit: the rule has even escapes in the middle.
    int unlit = 0;
    for (const auto& row : rows) unlit += int(std::count(row.begin(), row.end(), '.'));
    EXPECT_GT(unlit, 0);
}

TEST(PixelThumbnailTest, RulesFollowTheirFormulas) {
    // linear: floor(4 (0.7v + 0.8u)) even. Row 0 (v 0): bands 0 | 1 | 2 | 3 at
    // u 0.3125, 0.625 and 0.9375, so columns 0-3 and 7-10 are lit.
    EXPECT_EQ(litRows(NotchShape::linear)[0], "####...####.");
    // radial: trunc(12 rho) even; the corners are at rho = 0.707, 8 -> lit.
    EXPECT_TRUE(pixelThumbnailCellLit(NotchShape::radial, 0, 0));
    // the centre column of the tree's trunk is lit below v 0.34
    EXPECT_TRUE(pixelThumbnailCellLit(NotchShape::tree, 5, 5));
    EXPECT_FALSE(pixelThumbnailCellLit(NotchShape::tree, 0, 0));
    // landscape: nothing lit in the top row, all of the bottom row
    EXPECT_EQ(litRows(NotchShape::landscape)[0], "............");
    EXPECT_EQ(litRows(NotchShape::landscape)[5], "############");
    // every shape lights something and leaves something dark
    for (NotchShape shape : everyCase<NotchShape>()) {
        int lit = 0;
        for (const auto& row : litRows(shape)) lit += int(std::count(row.begin(), row.end(), '#'));
        EXPECT_GT(lit, 0) << title(shape);
        EXPECT_LT(lit, 72) << title(shape);
    }
}

TEST(PixelThumbnailTest, OneColourLightsEveryLitCellAndUnlitCellsStayNearBlack) {
    PixelThumbnail tile(NotchShape::spiral, [] { return std::vector<Color>{red}; }, [] { return false; }, 60);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(tile.cellColor(r, c),
                      pixelThumbnailCellLit(NotchShape::spiral, r, c) ? QColor(255, 0, 0) : QColor(0, 0, 0, 224));
    // (r + c) mod n with more colours
    PixelThumbnail three(NotchShape::smoothGradient, [] { return std::vector<Color>{red, green, blue}; },
                         [] { return false; }, 60);
    EXPECT_EQ(three.cellColor(5, 0), QColor(0, 0, 255));   // 5 mod 3 = 2
    EXPECT_EQ(three.cellColor(5, 1), QColor(255, 0, 0));   // 6 mod 3 = 0
}

TEST(PixelThumbnailTest, SelectionFollowsTheModelOnSyncAndCellsStay) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->setShape(NotchShape::linear);
    const ColorsSource colours = [&] { return model->activePalette().colors; };
    PixelThumbnail linear(NotchShape::linear, colours, [&] { return model->shape() == NotchShape::linear; }, 44);
    PixelThumbnail spiral(NotchShape::spiral, colours, [&] { return model->shape() == NotchShape::spiral; }, 44);
    linear.resize(100, 44);
    spiral.resize(100, 44);
    EXPECT_TRUE(linear.isSelected());
    EXPECT_EQ(linear.borderColor(), QColor(255, 255, 255, 230));
    EXPECT_EQ(linear.borderWidth(), 1.5);
    const QImage spiralBefore = render(spiral);

    model->setShape(NotchShape::spiral);
    linear.sync();
    spiral.sync();
    EXPECT_FALSE(linear.isSelected());
    EXPECT_EQ(linear.borderColor(), QColor(255, 255, 255, 20));
    EXPECT_EQ(linear.borderWidth(), 1.0);
    EXPECT_TRUE(spiral.isSelected());
    const QImage spiralAfter = render(spiral);
    // The cells are the same; only the edge differs.
    EXPECT_EQ(spiralAfter.pixel(50, 22), spiralBefore.pixel(50, 22));
    EXPECT_NE(spiralAfter.pixel(50, 0), spiralBefore.pixel(50, 0));
    EXPECT_EQ(spiral.height(), 44);
}

// On a scaled screen each device pixel takes the cell under its centre:
// cell edges one device pixel sharp (never a blend, at 1.5 snapped to the
// nearer pixel boundary), the cells where the 1x drawing puts them, and
// the outline and the soft layers drawn at the device's pixels too. Each
// widget is drawn at 1x first: a move to a screen of another ratio draws
// it again.
TEST(PixelMosaicsTest, OnAScaledScreenEveryDevicePixelTakesItsCellAndEdgesAreDevicePixelsWide) {
    const std::vector<Color> palette{red, green, blue, {1, 1, 0}, {0, 1, 1}};
    // Whether every device pixel of `drawn` in `inner` (points) is exactly
    // its cell's colour, for cells `cell` points in `frame`, and the cell
    // centres show the 1x drawing's colour.
    const auto expectCells = [](const QImage& one, const QImage& drawn, QRectF frame, QSizeF cell, QRectF inner,
                                double radius, const auto& cellColor) {
        const double scale = drawn.devicePixelRatio();
        int wrong = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QPointF at((x + 0.5) / scale, (y + 0.5) / scale);
                const bool inCorner = (at.x() < inner.left() + radius || at.x() > inner.right() - radius) &&
                                      (at.y() < inner.top() + radius || at.y() > inner.bottom() - radius);
                if (!inner.contains(at) || inCorner) continue;
                const int row = int(std::floor((at.y() - frame.top()) / cell.height()));
                const int column = int(std::floor((at.x() - frame.left()) / cell.width()));
                if (drawn.pixel(x, y) != cellColor(row, column).rgba() && ++wrong <= 3)
                    ADD_FAILURE() << "at " << scale << "x: device pixel " << x << "," << y << " is not cell " << row
                                  << "," << column;
            }
        EXPECT_EQ(wrong, 0) << "at " << scale << "x";
        for (double top = frame.top(); top + cell.height() <= frame.bottom() + 0.01; top += cell.height())
            for (double left = frame.left(); left + cell.width() <= frame.right() + 0.01; left += cell.width()) {
                const QPoint centre(int(left + cell.width() / 2), int(top + cell.height() / 2));
                EXPECT_EQ(drawn.pixel((QPointF(centre) * scale).toPoint()), one.pixel(centre));
            }
    };

    // The swatch, 50 x 34: cells 10 x 11.33, so rows meet between pixels.
    PixelSwatch swatch([&] { return palette; }, 50);
    const QImage swatchOne = render(swatch);
    const auto swatchCell = [&](int r, int c) { return swatch.cellColor(r, c); };
    for (const double scale : {2.0, 1.5}) {
        const QImage drawn = render(swatch, scale);
        expectCells(swatchOne, drawn, QRectF(0, 0, 50, 34), QSizeF(10, 34.0 / 3), QRectF(0, 0, 50, 34), 4, swatchCell);
        if (scale == 2) test::keepScreenshot(drawn, "pixel_mosaics/swatch-at-scale-2");
    }

    // A selected tile, 120 x 44: cells 10 x 7.33, its 1.5-point border
    // centred on the outline.
    PixelThumbnail tile(NotchShape::spiral, [&] { return palette; }, [] { return true; }, 44);
    tile.resize(120, 44);
    const QImage tileOne = render(tile);
    const QImage tileTwo = render(tile, 2);
    test::keepScreenshot(tileTwo, "pixel_mosaics/spiral-tile-at-scale-2");
    expectCells(tileOne, tileTwo, QRectF(0, 0, 120, 44), QSizeF(10, 44.0 / 6), QRectF(1, 1, 118, 42), 8,
                [&](int r, int c) { return tile.cellColor(r, c); });
    // Three device pixels of border over an unlit top cell: the inner 1.5
    // are the whole border, then half of it, then the cell.
    int column = 2;
    while (pixelThumbnailCellLit(NotchShape::spiral, 0, column)) ++column;
    ASSERT_LT(column, 10);
    const int x = column * 20 + 10;
    EXPECT_EQ(tileTwo.pixel(x, 2), tile.cellColor(0, column).rgba());
    EXPECT_GT(qGray(tileTwo.pixel(x, 0)), qGray(tileTwo.pixel(x, 1)) + 40);
    EXPECT_GT(qGray(tileTwo.pixel(x, 1)), 40);

    // The glow of a black "Radiance" tile is a blurred white ellipse: drawn
    // at 2x it changes from one device pixel to the next rather than in
    // steps of two, and each 2 x 2 block averages to the 1x pixel; the
    // outline stroke is the tile's outer two device pixels.
    GrainGradientThumbnail glow(GrainGradientMode::bloom);
    glow.resize(140, GradientThumbnail::tileHeight);
    glow.setPaletteColors({{0, 0, 0}, {0, 0, 0}});
    const QImage glowOne = render(glow);
    const QImage glowTwo = render(glow, 2);
    test::keepScreenshot(glowTwo, "pixel_mosaics/radiance-glow-at-scale-2");
    int steps = 0;
    for (int y = 4; y < 44; ++y) steps += glowTwo.pixel(140, 2 * y) != glowTwo.pixel(140, 2 * y + 1);
    EXPECT_GT(steps, 20);
    int farthest = 0;
    for (int y = 3; y < 45; ++y)
        for (int x = 3; x < 137; ++x) {
            int sum[3] = {0, 0, 0};
            for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                const QRgb pixel = glowTwo.pixel(2 * x + d.x(), 2 * y + d.y());
                sum[0] += qRed(pixel), sum[1] += qGreen(pixel), sum[2] += qBlue(pixel);
            }
            const QRgb one = glowOne.pixel(x, y);
            farthest = std::max({farthest, std::abs(sum[0] / 4 - qRed(one)), std::abs(sum[1] / 4 - qGreen(one)),
                                 std::abs(sum[2] / 4 - qBlue(one))});
        }
    EXPECT_LE(farthest, 4);
    // (White 8 % over the black tile.)
    EXPECT_EQ(glowTwo.pixel(20, 0), qRgb(20, 20, 20));
    EXPECT_EQ(glowTwo.pixel(20, 1), qRgb(20, 20, 20));
    EXPECT_EQ(glowTwo.pixel(20, 2), qRgb(0, 0, 0));
}

TEST(PixelSwatchTest, SyncPicksUpAPaletteChange) {
    std::vector<Color> palette{red};
    PixelSwatch swatch([&] { return palette; }, 30);
    EXPECT_EQ(swatch.cellColor(0, 0), QColor(255, 0, 0));
    palette = {blue};
    EXPECT_EQ(swatch.cellColor(0, 0), QColor(255, 0, 0));  // until synced
    swatch.sync();
    EXPECT_EQ(swatch.cellColor(0, 0), QColor(0, 0, 255));
}

}  // namespace
}  // namespace glimora
