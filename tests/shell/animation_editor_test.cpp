#include "editors/animation_editor.hpp"

#include <gtest/gtest.h>

#include <QLabel>

#include "editors/option_chip.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using AnimationEditorTest = test::EditorFixture<AnimationEditor>;

const std::vector<QString> propertyTitles{"Twist",     "Reach",     "Anchor X", "Anchor Y", "Offset",
                                          "Density X", "Density Y", "Bend",     "Grain",    "Color Shift"};

std::vector<QString> offeredProperties(QWidget* editor) {
    std::vector<QString> titles;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(editor))
        if (std::find(propertyTitles.begin(), propertyTitles.end(), chip->text()) != propertyTitles.end())
            titles.push_back(chip->text());
    return titles;
}

bool showsText(QWidget* editor, const QString& text) {
    for (QLabel* label : test::visibleChildren<QLabel>(editor))
        if (label->text() == text) return true;
    return false;
}

TEST_F(AnimationEditorTest, ThePropertyChipsFollowTheShape) {
    model->selectShape(NotchShape::radial);
    auto& editor = show();
    EXPECT_EQ(offeredProperties(&editor), (std::vector<QString>{"Reach", "Anchor X", "Anchor Y", "Density X",
                                                                "Density Y", "Bend", "Grain", "Color Shift"}));
    model->selectShape(NotchShape::linear);
    test::settle();
    EXPECT_EQ(offeredProperties(&editor), (std::vector<QString>{"Twist", "Anchor X", "Anchor Y", "Density X",
                                                                "Density Y", "Bend", "Grain", "Color Shift"}));
    model->selectShape(NotchShape::spiral);
    test::settle();
    EXPECT_EQ(offeredProperties(&editor), propertyTitles);
}

TEST_F(AnimationEditorTest, ChipsKeepTheirWidthAndScrollBesideThePlayButton) {
    model->selectShape(NotchShape::spiral);
    auto& editor = show(test::sideInputs(240));
    auto* play = test::findNamed<QAbstractButton>(&editor, "Play animation");
    EXPECT_EQ(play->mapTo(&editor, QPoint(0, 0)).x() + play->width(), 240) << "at the row's right end";
    for (OptionChip* chip : test::visibleChildren<OptionChip>(&editor))
        if (std::find(propertyTitles.begin(), propertyTitles.end(), chip->text()) != propertyTitles.end()) {
            EXPECT_GE(chip->width(), chip->sizeHint().width()) << chip->text().toStdString();
            EXPECT_EQ(chip->shownText(), chip->text());
        }
    // Nothing is cut and nothing light is painted behind the strip: drawn on
    // the panel's black, the gap between two chips stays black.
    auto* twist = test::findNamed<OptionChip>(&editor, "Twist");
    auto* reach = test::findNamed<OptionChip>(&editor, "Reach");
    const QImage drawn = test::drawnOnBlack(editor);
    ASSERT_LT(twist->mapTo(&editor, QPoint(twist->width() + 2, 0)).x(), reach->mapTo(&editor, QPoint(0, 0)).x());
    EXPECT_LT(test::grayRightOf(editor, drawn, twist), 20);
    const QPoint inside = reach->mapTo(&editor, QPoint(3, reach->height() / 2));
    EXPECT_LT(qGray(drawn.pixel(inside)), 30) << "an unselected chip is white at 4.5 % on black";
    model->selectShape(NotchShape::radial);  // two chips fewer: the strip shrinks
    test::settle();
    auto* strip = test::findNamed<OptionChip>(&editor, "Reach")->parentWidget();
    int widths = 0;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(strip)) widths += chip->width() + 5;
    EXPECT_EQ(strip->width(), widths - 5);
}

TEST_F(AnimationEditorTest, AChipSelectsItsPropertyAndTheHelpLineDescribesTheModelsProperty) {
    model->selectShape(NotchShape::spiral);
    auto& editor = show();
    EXPECT_TRUE(showsText(&editor, "Turn the pattern around its center"));
    test::click(test::findNamed(&editor, "Color Shift"));
    EXPECT_EQ(model->animationProperty(), AnimationProperty::chroma);
    test::settle();
    EXPECT_TRUE(test::findNamed<OptionChip>(&editor, "Color Shift")->isSelected());
    EXPECT_TRUE(showsText(&editor, "Move the color channels apart"));

    // A property the shape does not offer: no chip is lit, the help still reads.
    model->setAnimationProperty(AnimationProperty::phase);
    model->selectShape(NotchShape::radial);
    model->setAnimationProperty(AnimationProperty::phase);
    test::settle();
    for (OptionChip* chip : test::visibleChildren<OptionChip>(&editor)) {
        if (std::find(propertyTitles.begin(), propertyTitles.end(), chip->text()) != propertyTitles.end()) {
            EXPECT_FALSE(chip->isSelected()) << chip->text().toStdString();
        }
    }
    EXPECT_TRUE(showsText(&editor, "Slide the pattern through its cycle"));
}

TEST_F(AnimationEditorTest, PlayStartsAndPausesWithItsStatusTexts) {
    auto& editor = show();
    auto* play = test::findNamed<QAbstractButton>(&editor, "Play animation");
    ASSERT_NE(play, nullptr);
    EXPECT_TRUE(play->isEnabled());
    EXPECT_EQ(play->toolTip(), "Play gradient animation");
    EXPECT_TRUE(showsText(&editor, QString::fromUtf8("Ready · press Play to animate the selected shape")));

    test::click(play);
    EXPECT_TRUE(model->animationPlaying());
    test::click(test::findNamed(&editor, "Ping-pong"));
    EXPECT_EQ(model->animationWaveform(), AnimationWaveform::pingPong);
    test::settle();
    EXPECT_EQ(play->accessibleName(), "Pause animation");
    EXPECT_EQ(play->toolTip(), "Play gradient animation");
    EXPECT_TRUE(showsText(&editor, QString::fromUtf8("Live on desktop · Ping-pong")));

    test::click(play);
    EXPECT_FALSE(model->animationPlaying());
    test::settle();
    EXPECT_EQ(play->accessibleName(), "Play animation");
}

TEST_F(AnimationEditorTest, APictureWallpaperShowsOnlyTheNoteAndCannotPlay) {
    auto& editor = show();
    auto* play = test::findNamed<QAbstractButton>(&editor, "Play animation");
    model->setWallpaperSource(WallpaperSource::image);
    test::settle();
    EXPECT_TRUE(showsText(&editor, "Animations apply to gradient shapes, not imported images."));
    EXPECT_FALSE(play->isVisibleTo(&editor));
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(offeredProperties(&editor).empty());
    model->setWallpaperSource(WallpaperSource::gradient);
    test::settle();
    EXPECT_TRUE(play->isEnabled());
    EXPECT_FALSE(showsText(&editor, "Animations apply to gradient shapes, not imported images."));
}

TEST_F(AnimationEditorTest, TheSlidersWriteTheirStepsAndPairUpAtTheTop) {
    auto& editor = show(test::topInputs(406));
    test::pressTrack(test::innermostNamed(&editor, "Tempo"), 0.37);
    EXPECT_NEAR(model->animationSpeed(), 0.9, 1e-9);  // 0.8975 on the 0.05 grid
    test::pressTrack(test::innermostNamed(&editor, "Cycle"), 0.5);
    EXPECT_EQ(model->animationLoopDuration(), 11);
    test::pressTrack(test::innermostNamed(&editor, "Motion"), 0.25);
    EXPECT_EQ(model->animationAmount(), 25);
    EXPECT_EQ(test::innermostNamed(&editor, "Tempo")->width(), 200);
    EXPECT_EQ(test::rowsOf(&editor, {"Tempo", "Motion", "Cycle", "Sine"}),
              (std::vector<std::vector<QString>>{{"Tempo", "Motion"}, {"Cycle", "Sine"}}));
    auto& side = show(test::sideInputs(240));
    EXPECT_EQ(test::rowsOf(&side, {"Tempo", "Motion", "Cycle", "Sine"}),
              (std::vector<std::vector<QString>>{{"Tempo"}, {"Motion"}, {"Cycle"}, {"Sine"}}));
}

}  // namespace
}  // namespace glimora
