#include "editors/grain_gradient_editor.hpp"

#include <gtest/gtest.h>

#include "editors/gradient_thumbnails.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/test_artefacts.hpp"

namespace glimora {
namespace {

using GrainGradientEditorTest = test::EditorFixture<GrainGradientEditor>;

const std::vector<QString> sliderNames{"Twist", "Feather", "Anchor X", "Anchor Y", "Offset",
                                       "Bend",  "Drift",   "Bloom",    "Span"};
using Rows = std::vector<std::vector<QString>>;

std::vector<QString> selectedTiles(QWidget* editor) {
    std::vector<QString> found;
    for (GradientThumbnail* thumbnail : test::visibleChildren<GradientThumbnail>(editor))
        if (thumbnail->isSelected()) found.push_back(thumbnail->parentWidget()->accessibleName());
    return found;
}

TEST_F(GrainGradientEditorTest, FourTilesTwoToARowAndTheSmoothOneSelectsTheSmoothSet) {
    model->selectSmoothGradient();
    auto& editor = show(test::topInputs(406));
    std::vector<QString> titles;
    for (GradientThumbnail* thumbnail : test::visibleChildren<GradientThumbnail>(&editor))
        titles.push_back(thumbnail->parentWidget()->accessibleName());
    EXPECT_EQ(titles, (std::vector<QString>{"Melt", "Fluid", "Radiance", "Strata"}));
    EXPECT_EQ(test::rowsOf(&editor, titles), (Rows{{"Melt", "Fluid"}, {"Radiance", "Strata"}}));
    EXPECT_EQ(selectedTiles(&editor), std::vector<QString>{"Melt"});
    test::keepScreenshot(test::drawnOnBlack(editor, 2), "grain_gradient_editor/tiles-at-scale-2");
    EXPECT_EQ(test::rowsOf(&editor, sliderNames), (Rows{{"Twist", "Feather"}, {"Anchor X", "Anchor Y"}, {"Offset"}}));
    EXPECT_EQ(test::innermostNamed(&editor, "Offset")->width(), 406);
    EXPECT_EQ(test::innermostNamed(&editor, "Twist")->width(), 200);
}

TEST_F(GrainGradientEditorTest, AGrainTileTurnsTheGrainGradientOnAndShowsItsSliders) {
    model->selectSmoothGradient();
    auto& editor = show();
    test::click(test::findNamed(&editor, "Fluid"));
    EXPECT_TRUE(model->grainGradientActive());
    EXPECT_EQ(model->grainGradientMode(), GrainGradientMode::liquid);
    EXPECT_EQ(model->shape(), NotchShape::linear) << "the smooth shape gives way";
    test::settle();
    EXPECT_EQ(selectedTiles(&editor), std::vector<QString>{"Fluid"});
    EXPECT_EQ(test::rowsOf(&editor, sliderNames), (Rows{{"Bend", "Drift"}, {"Bloom", "Span"}}));
    test::pressTrack(test::innermostNamed(&editor, "Span"), 0.25);
    EXPECT_EQ(model->grainGradientScale(), 25);

    test::click(test::findNamed(&editor, "Melt"));
    EXPECT_FALSE(model->grainGradientActive());
    EXPECT_EQ(model->shape(), NotchShape::smoothGradient);
    test::settle();
    test::pressTrack(test::innermostNamed(&editor, "Feather"), 0);
    EXPECT_EQ(model->spread(), 10);
}

TEST_F(GrainGradientEditorTest, StatesWithoutATileSelectNoneAndShowTheGrainSet) {
    model->selectGrainGradientMode(GrainGradientMode::halftone);  // as a recipe can set it
    auto& editor = show();
    EXPECT_TRUE(selectedTiles(&editor).empty());
    EXPECT_EQ(test::rowsOf(&editor, sliderNames), (Rows{{"Bend", "Drift"}, {"Bloom", "Span"}}));
    model->setGrainGradientActive(false);
    model->setShape(NotchShape::spiral);
    test::settle();
    EXPECT_TRUE(selectedTiles(&editor).empty());
    EXPECT_EQ(test::rowsOf(&editor, sliderNames), (Rows{{"Bend", "Drift"}, {"Bloom", "Span"}}));
    // The smooth shape with the grain on: the grain tile of the mode is lit.
    model->setShape(NotchShape::smoothGradient);
    model->setGrainGradientActive(true);
    model->setGrainGradientMode(GrainGradientMode::ribbon);
    test::settle();
    EXPECT_EQ(selectedTiles(&editor), std::vector<QString>{"Strata"});
}

TEST_F(GrainGradientEditorTest, InTheSidePanelSlidersStackAndTheTilesFollowThePalette) {
    model->selectSmoothGradient();
    auto& editor = show(test::sideInputs(240));
    EXPECT_EQ(test::rowsOf(&editor, sliderNames),
              (Rows{{"Twist"}, {"Feather"}, {"Anchor X"}, {"Anchor Y"}, {"Offset"}}));
    model->setPaletteIndex(9);
    test::settle();
    for (GradientThumbnail* thumbnail : test::visibleChildren<GradientThumbnail>(&editor))
        EXPECT_EQ(thumbnail->colors().colors, builtInPalettes()[9].colors);
}

}  // namespace
}  // namespace glimora
