#include "editors/shape_editor.hpp"

#include <gtest/gtest.h>

#include "controls/panel_style.hpp"
#include "controls/pin_button.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/small_views.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/test_artefacts.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;
using ShapeEditorTest = test::EditorFixture<ShapeEditor>;

const std::vector<QString> tileTitles{"Rayfield", "Halo",    "Strata", "Sweep", "Pulse",
                                      "Horizon",  "Facet",   "Branch", "Canopy", "Terrain",
                                      "Bloom",    "Prism",   "Vortex", "Prismatics", "Contours"};

std::vector<PixelThumbnail*> thumbnails(QWidget* editor) { return test::visibleChildren<PixelThumbnail>(editor); }

std::vector<QString> selectedTitles(QWidget* editor) {
    std::vector<QString> found;
    for (PixelThumbnail* tile : thumbnails(editor))
        if (tile->isSelected()) found.push_back(tile->parentWidget()->accessibleName());
    return found;
}

TEST_F(ShapeEditorTest, FifteenTilesInTheShapeTabOrderFiveToARow) {
    auto& editor = show(test::topInputs(480, 5));
    const auto tiles = thumbnails(&editor);
    ASSERT_EQ(tiles.size(), 15u);
    std::vector<QString> titles;
    for (PixelThumbnail* tile : tiles) titles.push_back(tile->parentWidget()->accessibleName());
    EXPECT_EQ(titles, tileTitles);
    EXPECT_EQ(tiles[1]->shape(), NotchShape::radial);
    EXPECT_EQ(test::rowsOf(&editor, tileTitles).size(), 3u);
    EXPECT_EQ(tiles[0]->tileHeight(), 44);
    EXPECT_EQ(selectedTitles(&editor), std::vector<QString>{"Rayfield"});
    test::keepScreenshot(test::drawnOnBlack(editor, 2), "shape_editor/tiles-at-scale-2");
}

TEST_F(ShapeEditorTest, NoTileIsSelectedForTheSmoothGradientAndNoPinShows) {
    model->selectSmoothGradient();
    auto& editor = show();
    EXPECT_TRUE(selectedTitles(&editor).empty());
    EXPECT_TRUE(test::visibleChildren<PinButton>(&editor).empty());
    for (FittingLabel* title : test::visibleChildren<FittingLabel>(&editor))
        EXPECT_EQ(title->color(), whitePercent(36)) << title->text().toStdString();
}

TEST_F(ShapeEditorTest, PressingATileSelectsItsShapeAndPinsIt) {
    auto& editor = show();
    model->setSpread(40);
    writes.reset();
    test::click(test::findNamed(&editor, "Halo"));
    EXPECT_EQ(model->shape(), NotchShape::radial);
    EXPECT_EQ(model->spread(), 100);
    EXPECT_TRUE(model->isPinned(ShuffleProperty::shape));
    EXPECT_EQ(writes.of(Prop::shape), 1);
    test::settle();
    EXPECT_EQ(selectedTitles(&editor), std::vector<QString>{"Halo"});
    const auto pins = test::visibleChildren<PinButton>(&editor);
    ASSERT_EQ(pins.size(), 1u);
    EXPECT_EQ(pins[0]->accessibleName(), "Unpin Pattern");
    EXPECT_EQ(pins[0]->parentWidget(), thumbnails(&editor)[1]->parentWidget()->parentWidget())
        << "the pin stands under the selected tile";
    // It follows the title 3 px after the text, not at the cell's far end.
    FittingLabel* halo = nullptr;
    for (FittingLabel* title : test::visibleChildren<FittingLabel>(&editor))
        if (title->text() == "Halo") halo = title;
    ASSERT_NE(halo, nullptr);
    EXPECT_EQ(halo->shownText(), "Halo");
    EXPECT_EQ(halo->width(), halo->sizeHint().width());
    EXPECT_EQ(pins[0]->x(), halo->geometry().right() + 1 + 3);
    EXPECT_LT(pins[0]->geometry().right(), thumbnails(&editor)[1]->width() - 10);

    // The pin toggles the pin only; the selection stays.
    test::click(pins[0]);
    EXPECT_FALSE(model->isPinned(ShuffleProperty::shape));
    EXPECT_EQ(model->shape(), NotchShape::radial);
    test::settle();
    EXPECT_EQ(test::visibleChildren<PinButton>(&editor)[0]->accessibleName(), "Pin Pattern");
}

TEST_F(ShapeEditorTest, TilesRepaintInThePaletteAndFollowAShapeSetElsewhere) {
    auto& editor = show();
    PixelThumbnail* sweep = thumbnails(&editor)[3];
    model->setPaletteIndex(9);
    model->setShape(NotchShape::conic);
    test::settle();
    EXPECT_EQ(thumbnails(&editor)[3], sweep) << "no tile was made again";
    const auto& colors = builtInPalettes()[9].colors;
    int lit = 0;
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 12; ++column)
            if (pixelThumbnailCellLit(NotchShape::conic, row, column)) {
                EXPECT_EQ(sweep->cellColor(row, column), paletteQColor(colors[std::size_t(row + column) % colors.size()]));
                ++lit;
            }
    EXPECT_GT(lit, 0);
    EXPECT_EQ(selectedTitles(&editor), std::vector<QString>{"Sweep"});
}

TEST_F(ShapeEditorTest, ColumnsSpacingsAndTitleSizesFollowThePlacement) {
    auto& two = show(test::topInputs(300, 2));
    auto tiles = thumbnails(&two);
    EXPECT_EQ(tiles[0]->tileHeight(), 54);
    EXPECT_EQ(tiles[1]->mapTo(&two, QPoint(0, 0)).x() - tiles[0]->mapTo(&two, QPoint(0, 0)).x() -
                  tiles[0]->width(),
              8);
    EXPECT_EQ(test::visibleChildren<FittingLabel>(&two)[0]->shownFont().pixelSize(), 11);

    auto& side = show(test::sideInputs(160, 2));
    tiles = thumbnails(&side);
    EXPECT_NEAR(tiles[0]->tileHeight(), 35.42, 1e-9);
    EXPECT_EQ(tiles[1]->mapTo(&side, QPoint(0, 0)).x() - tiles[0]->mapTo(&side, QPoint(0, 0)).x() -
                  tiles[0]->width(),
              6);
    EXPECT_EQ(test::visibleChildren<FittingLabel>(&side)[0]->shownFont().pixelSize(), 10);

    auto& one = show(test::topInputs(300, 0));
    EXPECT_EQ(one.columnCount(), 1);
    EXPECT_EQ(test::rowsOf(&one, tileTitles).size(), 15u);
}

}  // namespace
}  // namespace glimora
