#include "editors/color_editor.hpp"

#include <gtest/gtest.h>

#include <QColorDialog>

#include "editors/color_well.hpp"
#include "editors/shared_color_dialog.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/test_artefacts.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;

class ColorEditorTest : public test::EditorFixture<ColorEditor> {
protected:
    void TearDown() override {
        SharedColorDialog::instance().close();
        EditorFixture::TearDown();
    }

    std::vector<int> selectedTiles() {
        std::vector<int> found;
        for (PaletteTile* tile : test::visibleChildren<PaletteTile>(editor.get()))
            if (tile->isSelected()) found.push_back(tile->index());
        return found;
    }

    static std::vector<CustomPaletteStop> stops(std::initializer_list<Color> colors) {
        std::vector<CustomPaletteStop> result;
        for (const Color& color : colors) result.push_back(CustomPaletteStop::fromColor(color));
        return result;
    }

    // The user moving the shared dialog to a colour.
    static void pick(const QColor& color) { SharedColorDialog::instance().dialog()->setCurrentColor(color); }
};

TEST_F(ColorEditorTest, FortyEightTilesNamedAfterTheirPalettesSelectExactlyTheirOwn) {
    auto& editor = show();
    const auto tiles = test::visibleChildren<PaletteTile>(&editor);
    ASSERT_EQ(tiles.size(), 48u);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(tiles[i]->index(), int(i));
        EXPECT_EQ(tiles[i]->toolTip().toStdString(), builtInPalettes()[i].name);
    }
    EXPECT_EQ(selectedTiles(), std::vector<int>{26});
    test::keepScreenshot(test::drawnOnBlack(editor, 2), "color_editor/palette-tiles-at-scale-2");
    test::click(tiles[9]);
    EXPECT_EQ(model->paletteIndex(), 9);
    test::settle();
    EXPECT_EQ(selectedTiles(), std::vector<int>{9});
    EXPECT_FALSE(test::findNamed<CustomPaletteButton>(&editor, "Custom")->isSelected());
    // Eight to a row.
    EXPECT_EQ(tiles[8]->mapTo(&editor, QPoint(0, 0)).x(), tiles[0]->mapTo(&editor, QPoint(0, 0)).x());
    EXPECT_GT(tiles[8]->mapTo(&editor, QPoint(0, 0)).y(), tiles[7]->mapTo(&editor, QPoint(0, 0)).y());
}

TEST_F(ColorEditorTest, CustomWithoutStopsStartsFromThePaletteOnShow) {
    model->setPaletteIndex(9);
    auto& editor = show();
    auto* custom = test::findNamed<CustomPaletteButton>(&editor, "Custom");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->toolTip(), "Use custom gradient");
    EXPECT_TRUE(test::visibleChildren<ColorWell>(&editor).empty()) << "no stops, no wells";
    writes.reset();
    test::click(custom);
    const auto& palette = builtInPalettes()[9].colors;
    ASSERT_EQ(model->customPaletteStops().size(), palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) EXPECT_EQ(model->customPaletteStops()[i].color(), palette[i]);
    EXPECT_EQ(model->paletteIndex(), 48);
    EXPECT_EQ(model->activePalette().colors, palette) << "the design looks as it did";
    EXPECT_EQ(writes.of(Prop::customPaletteStops), 1);
    EXPECT_EQ(writes.of(Prop::paletteIndex), 1);
    test::settle();
    EXPECT_TRUE(custom->isSelected());
    EXPECT_TRUE(selectedTiles().empty());
    EXPECT_EQ(test::visibleChildren<ColorWell>(&editor).size(), palette.size());
}

TEST_F(ColorEditorTest, CustomWithStopsKeepsThem) {
    model->setCustomPaletteStops(stops({{1, 0, 0}, {0, 0, 1}}));
    auto& editor = show();
    test::click(test::findNamed(&editor, "Custom"));
    EXPECT_EQ(model->customPaletteStops(), stops({{1, 0, 0}, {0, 0, 1}}));
    EXPECT_EQ(model->paletteIndex(), 48);
}

TEST_F(ColorEditorTest, CustomWithNoColoursAnywhereStartsFromTheFirstDesignsPalette) {
    model->setPaletteIndex(48);  // the custom palette, still without stops: black
    show();
    ColorEditor::useCustomPalette(*model);
    EXPECT_EQ(model->activePalette().colors, builtInPalettes()[26].colors);
}

TEST_F(ColorEditorTest, AWellsEditLandsInItsStopAndSelectsTheCustomPalette) {
    model->setCustomPaletteStops(stops({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    auto& editor = show();
    auto* second = test::findNamed<ColorWell>(&editor, "Color 2");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->toolTip(), "Custom color 2");
    EXPECT_NE(test::findNamed<ColorWell>(&editor, "Color 1"), nullptr) << "numbered from one";
    test::click(second);
    EXPECT_TRUE(SharedColorDialog::instance().isOpen());
    writes.reset();
    pick(QColor(255, 255, 0));
    EXPECT_EQ(model->customPaletteStops(), stops({{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(model->paletteIndex(), 48);
    EXPECT_EQ(writes.of(Prop::customPaletteStops), 1);
    EXPECT_EQ(writes.of(Prop::paletteIndex), 1);
    test::settle();
    EXPECT_EQ(second->color(), (Color{1, 1, 0}));
    EXPECT_EQ(SharedColorDialog::instance().dialog()->currentColor().rgb(), QColor(255, 255, 0).rgb());
}

TEST_F(ColorEditorTest, AWriteToARemovedStopIsIgnoredAndTheDialogCloses) {
    model->setCustomPaletteStops(stops({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    model->setPaletteIndex(3);
    auto& editor = show();
    test::click(test::findNamed(&editor, "Color 3"));
    ASSERT_TRUE(SharedColorDialog::instance().isOpen());

    // A recipe with two stops arrives while the dialog is up; the user moves
    // the dialog before the editor has even heard of it.
    model->setCustomPaletteStops(stops({{0.5, 0.5, 0.5}, {0.2, 0.2, 0.2}}));
    writes.reset();
    pick(QColor(0, 255, 255));
    EXPECT_EQ(model->customPaletteStops(), stops({{0.5, 0.5, 0.5}, {0.2, 0.2, 0.2}}));
    EXPECT_EQ(model->paletteIndex(), 3) << "nothing switched to the custom palette";
    EXPECT_EQ(writes.of(Prop::customPaletteStops), 0);
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
    test::settle();
    EXPECT_EQ(test::visibleChildren<ColorWell>(&editor).size(), 2u);

    ColorEditor::writeStop(*model, 2, {1, 1, 1});
    EXPECT_EQ(writes.of(Prop::customPaletteStops), 0);
}

TEST_F(ColorEditorTest, TheDialogFollowsAStopReplacedElsewhereOrClosesWhenItsWellGoes) {
    model->setCustomPaletteStops(stops({{1, 0, 0}, {0, 1, 0}}));
    auto& editor = show();
    test::click(test::findNamed(&editor, "Color 2"));
    model->setCustomPaletteStops(stops({{0, 0, 0}, {0, 0, 1}, {1, 1, 1}}));  // a shuffle, say
    test::settle();
    EXPECT_TRUE(SharedColorDialog::instance().isOpen());
    EXPECT_EQ(SharedColorDialog::instance().dialog()->currentColor().rgb(), QColor(0, 0, 255).rgb());
    EXPECT_EQ(test::findNamed<ColorWell>(&editor, "Color 2")->color(), (Color{0, 0, 1}));

    model->setCustomPaletteStops(stops({{0, 0, 0}}));
    test::settle();
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
    EXPECT_EQ(test::visibleChildren<ColorWell>(&editor).size(), 1u);
}

TEST_F(ColorEditorTest, ToneSlidersWriteTheirValuesAndThePinKeepsThePalette) {
    auto& editor = show();
    test::pressTrack(test::innermostNamed(&editor, "Exposure"), 0);
    EXPECT_EQ(model->brightness(), -100);
    test::pressTrack(test::innermostNamed(&editor, "Punch"), 0.5);
    EXPECT_EQ(model->contrast(), 100);
    test::pressTrack(test::innermostNamed(&editor, "Tint"), 1);
    EXPECT_EQ(model->hue(), 360);
    test::pressTrack(test::innermostNamed(&editor, "Grain"), 0.1);
    EXPECT_EQ(model->noise(), 10);
    EXPECT_EQ(test::rowsOf(&editor, {"Tint", "Exposure", "Punch", "Grain"}),
              (std::vector<std::vector<QString>>{{"Tint", "Exposure"}, {"Punch", "Grain"}}));
    test::click(test::findNamed(&editor, "Pin Color Set"));
    EXPECT_TRUE(model->isPinned(ShuffleProperty::palette));
}

}  // namespace
}  // namespace glimora
