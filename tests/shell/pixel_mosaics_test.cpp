#include "controls/pixel_mosaics.hpp"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

const Color red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1};

QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
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
