#include "editors/gradient_thumbnails.hpp"

#include <gtest/gtest.h>

#include <QImage>

#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

TEST(GradientThumbnails, FewerThanTwoColoursDrawInBlackBlueAndWhite) {
    for (const auto& palette : {std::vector<Color>{}, std::vector<Color>{{0.5, 0.1, 0.2}}}) {
        const ThumbnailColors colors(palette);
        EXPECT_EQ(colors.colors, (std::vector<Color>{NamedColor::black, NamedColor::blue, NamedColor::white}));
        EXPECT_EQ(colors.accent, NamedColor::white);
        EXPECT_EQ(colors.second, NamedColor::blue);
    }
    const ThumbnailColors three({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    EXPECT_EQ(three.accent, (Color{0, 0, 1}));
    EXPECT_EQ(three.second, (Color{0, 1, 0}));
}

// The average colour of the tile's middle, away from the frame.
QColor middle(QWidget& tile) {
    const QImage image = tile.grab().toImage().convertToFormat(QImage::Format_RGB32);
    long red = 0, green = 0, blue = 0, count = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            const QRgb pixel = image.pixel(x, y);
            red += qRed(pixel), green += qGreen(pixel), blue += qBlue(pixel), ++count;
        }
    return QColor(int(red / count), int(green / count), int(blue / count));
}

TEST(GradientThumbnails, EveryLookDrawsInThePaletteAndFollowsItsChange) {
    const std::vector<Color> reds{{0.8, 0, 0}, {1, 0.1, 0.1}, {0.6, 0, 0}};
    const std::vector<Color> greens{{0, 0.8, 0}, {0.1, 1, 0.1}, {0, 0.6, 0}};
    std::vector<std::unique_ptr<GradientThumbnail>> tiles;
    tiles.push_back(std::make_unique<SmoothGradientThumbnail>());
    for (const GrainGradientMode mode : allCases<GrainGradientMode>())
        tiles.push_back(std::make_unique<GrainGradientThumbnail>(mode));
    for (auto& tile : tiles) {
        tile->resize(140, GradientThumbnail::tileHeight);
        EXPECT_EQ(tile->height(), 48);
        tile->setPaletteColors(reds);
        const QColor red = middle(*tile);
        tile->setPaletteColors(greens);
        const QColor green = middle(*tile);
        SCOPED_TRACE(testing::Message() << "tile " << (&tile - tiles.data()));
        EXPECT_GT(red.red(), red.green());
        EXPECT_GT(green.green(), green.red());
    }
}

TEST(GradientThumbnails, TheSelectionStrokeIsBrightOnlyWhenSelected) {
    SmoothGradientThumbnail tile;
    tile.resize(140, GradientThumbnail::tileHeight);
    tile.setPaletteColors({{0, 0, 0}, {0, 0, 0}});
    auto edge = [&] { return QColor(tile.grab().toImage().pixel(70, 0)).lightness(); };
    const int plain = edge();
    tile.setSelected(true);
    EXPECT_GT(edge(), plain + 100);
}

}  // namespace
}  // namespace glimora
