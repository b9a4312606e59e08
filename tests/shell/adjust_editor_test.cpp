#include "editors/adjust_editor.hpp"

#include <gtest/gtest.h>

#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;
using Rows = std::vector<std::vector<QString>>;

const std::vector<QString> sliderNames{"Twist",     "Reach",    "Feather",  "Tension",   "Span",
                                       "Offset",    "Anchor X", "Anchor Y", "Density X", "Density Y",
                                       "Repeat X",  "Repeat Y", "Cell Size", "Tone Steps", "Reflect",
                                       "OKLab"};

// The rows each shape shows, as the tuning tab is meant to lay them out at
// the top of the screen, then the rows every shape shares.
Rows expectedRows(NotchShape shape) {
    Rows rows;
    switch (shape) {
    case NotchShape::linear: rows = {{"Twist"}, {"Anchor X", "Anchor Y"}}; break;
    case NotchShape::radial: rows = {{"Twist"}, {"Anchor X", "Anchor Y"}, {"Reach"}}; break;
    case NotchShape::smoothGradient: rows = {{"Twist"}, {"Anchor X", "Anchor Y"}, {"Feather", "Offset"}}; break;
    case NotchShape::conic: rows = {{"Twist", "Offset"}, {"Anchor X", "Anchor Y"}}; break;
    case NotchShape::sine:
        rows = {{"Twist"}, {"Density X", "Density Y"}, {"Anchor X", "Anchor Y"}, {"Tension", "Offset"}};
        break;
    case NotchShape::sunsetStrip:
        rows = {{"Twist"}, {"Repeat X", "Repeat Y"}, {"Anchor X", "Anchor Y"}, {"Reach", "Offset"}};
        break;
    default: rows = {{"Twist", "Offset"}, {"Anchor X", "Anchor Y"}, {"Density X", "Density Y"}, {"Span"}};
    }
    rows.push_back({"Cell Size", "Tone Steps"});
    rows.push_back({"Reflect", "OKLab"});
    return rows;
}

using AdjustEditorTest = test::EditorFixture<AdjustEditor>;

TEST_F(AdjustEditorTest, EveryShapeShowsItsRowsTwoToARowAtTheTop) {
    auto& editor = show(test::topInputs(480));
    for (const NotchShape shape : allCases<NotchShape>()) {
        model->setShape(shape);
        test::settle();
        EXPECT_EQ(test::rowsOf(&editor, sliderNames), expectedRows(shape)) << rawValue(shape);
    }
}

TEST_F(AdjustEditorTest, InTheSidePanelEverySliderHasARowButTheChipsStayPaired) {
    model->setShape(NotchShape::sine);
    auto& editor = show(test::sideInputs(260));
    Rows expected;
    for (const auto& row : expectedRows(NotchShape::sine))
        if (row.front() == "Reflect")
            expected.push_back(row);
        else
            for (const QString& name : row) expected.push_back({name});
    EXPECT_EQ(test::rowsOf(&editor, sliderNames), expected);
    EXPECT_EQ(test::innermostNamed(&editor, "Density X")->width(), 260);
}

TEST_F(AdjustEditorTest, PairedSlidersShareTheWidthWithASixPointGap) {
    auto& editor = show(test::topInputs(480));
    QWidget* x = test::innermostNamed(&editor, "Anchor X");
    QWidget* y = test::innermostNamed(&editor, "Anchor Y");
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->width(), 237);
    EXPECT_EQ(y->mapTo(&editor, QPoint(0, 0)).x() - x->mapTo(&editor, QPoint(0, 0)).x(), 243);
    QWidget* twist = test::innermostNamed(&editor, "Twist");
    EXPECT_EQ(twist->width(), 480);
    EXPECT_EQ(twist->parentWidget()->mapTo(&editor, QPoint(0, 0)).y(), 18) << "below the clear band";
}

TEST_F(AdjustEditorTest, TheRadialReachStartsAtOneHundredAndTheStripReachAtTen) {
    model->setShape(NotchShape::radial);
    model->setSpread(60);  // below the radial range, as another shape can leave it
    auto& editor = show();
    test::pressTrack(test::innermostNamed(&editor, "Reach"), 0);
    EXPECT_EQ(model->spread(), 100);
    model->setShape(NotchShape::sunsetStrip);
    test::settle();
    test::pressTrack(test::innermostNamed(&editor, "Reach"), 0);
    EXPECT_EQ(model->spread(), 10);
}

TEST_F(AdjustEditorTest, RepeatSlidersPinTheDensitiesAndEveryNameOfSpreadSharesOnePin) {
    model->setShape(NotchShape::sunsetStrip);
    auto& editor = show();
    EXPECT_NE(test::findNamed(&editor, "Pin Density X"), nullptr);
    EXPECT_NE(test::findNamed(&editor, "Pin Density Y"), nullptr);
    test::click(test::findNamed(&editor, "Pin Reach"));
    EXPECT_TRUE(model->isPinned(ShuffleProperty::spread));
    for (const NotchShape shape : {NotchShape::sine, NotchShape::smoothGradient, NotchShape::diamond}) {
        model->setShape(shape);
        test::settle();
        EXPECT_NE(test::findNamed(&editor, "Unpin Reach"), nullptr) << rawValue(shape);
        EXPECT_EQ(test::findNamed(&editor, "Pin Reach"), nullptr) << rawValue(shape);
    }
    // "Tone Steps" and "OKLab" carry no pin.
    EXPECT_EQ(test::findNamed(&editor, "Pin Tone Steps"), nullptr);
    EXPECT_EQ(test::findNamed(&editor, "Pin OKLab"), nullptr);
    EXPECT_NE(test::findNamed(&editor, "Pin Reflect"), nullptr);
}

TEST_F(AdjustEditorTest, APressWritesItsPropertyOnceSnappedAndTheSwitchesFlip) {
    auto& editor = show();
    writes.reset();
    test::pressTrack(test::innermostNamed(&editor, "Twist"), 0.5);
    EXPECT_EQ(model->angle(), 180);
    EXPECT_EQ(writes.of(Prop::angle), 1);
    test::pressTrack(test::innermostNamed(&editor, "Cell Size"), 0.33);
    EXPECT_DOUBLE_EQ(model->pixelScale(), 3.3);  // 1 + 7 x 0.33 = 3.31, on the 0.1 grid
    test::click(test::innermostNamed(&editor, "Reflect"));
    EXPECT_TRUE(model->mirror());
    test::click(test::innermostNamed(&editor, "OKLab"));
    EXPECT_FALSE(model->okLab());
    EXPECT_EQ(writes.of(Prop::mirror), 1);
    EXPECT_EQ(writes.of(Prop::okLab), 1);
}

TEST_F(AdjustEditorTest, ChangesMadeElsewhereShowInTheSameWidgets) {
    auto& editor = show();
    QWidget* twist = test::innermostNamed(&editor, "Twist");
    model->setShape(NotchShape::radial);
    test::settle();
    model->setShape(NotchShape::linear);
    test::settle();
    EXPECT_EQ(test::innermostNamed(&editor, "Twist"), twist) << "the linear rows were not made again";
}

TEST_F(AdjustEditorTest, ADragKeepsGoingThroughANewWidthAndAShapeChangedElsewhere) {
    auto& editor = show(test::topInputs(480));
    QWidget* twist = test::innermostNamed(&editor, "Twist");
    const auto at = [&](double share) { return QPointF(4 + (twist->width() - 8) * share, 4); };
    test::sendMouse(twist, QEvent::MouseButtonPress, at(0.25), Qt::LeftButton);
    EXPECT_EQ(model->angle(), 90);

    editor.setInputs(test::sideInputs(260));  // the side editor's handle moves
    test::settle();
    EXPECT_EQ(test::innermostNamed(&editor, "Twist"), twist) << "the dragged slider was kept";
    EXPECT_EQ(twist->width(), 260);
    test::sendMouse(twist, QEvent::MouseMove, at(0.5), Qt::LeftButton);
    EXPECT_EQ(model->angle(), 180);

    // A shape from elsewhere swaps the rows; the dragged slider is only hidden.
    model->setShape(NotchShape::conic);
    test::settle();
    EXPECT_FALSE(twist->isVisibleTo(&editor));
    test::sendMouse(twist, QEvent::MouseMove, at(0.75), Qt::LeftButton);
    test::sendMouse(twist, QEvent::MouseButtonRelease, at(0.75), Qt::NoButton);
    test::settle();
    QWidget* conicTwist = test::innermostNamed(&editor, "Twist");
    ASSERT_NE(conicTwist, nullptr);
    EXPECT_NE(conicTwist, twist);
    writes.reset();
    test::pressTrack(conicTwist, 1);
    EXPECT_EQ(model->angle(), 360);
    EXPECT_EQ(writes.of(Prop::angle), 1);
}

}  // namespace
}  // namespace glimora
