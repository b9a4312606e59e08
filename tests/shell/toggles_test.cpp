#include "controls/toggles.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <cmath>
#include <vector>

#include "controls/notch_slider.hpp"
#include "controls/side_aware_layout.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

struct RecordedFlag {
    bool value = false;
    std::vector<bool> writes;
    Binding<bool> binding() {
        return {[this] { return value; }, [this](bool v) {
                    writes.push_back(v);
                    value = v;
                }};
    }
};

TEST(StyleToggleTest, EachPressWritesTheNegatedValueOnceAndTwoPressesReturnIt) {
    RecordedFlag flag;
    StyleToggle toggle("Scanlines", flag.binding());
    toggle.resize(200, 27);
    EXPECT_EQ(toggle.toggleButton()->accessibleName(), "Scanlines");
    toggle.toggleButton()->click();
    EXPECT_EQ(flag.writes, std::vector<bool>{true});
    EXPECT_TRUE(toggle.isOn());
    toggle.toggleButton()->click();
    EXPECT_EQ(flag.writes, (std::vector<bool>{true, false}));
    EXPECT_FALSE(toggle.isOn());
}

TEST(StyleToggleTest, ColoursAndKnobFollowTheValue) {
    RecordedFlag flag;
    StyleToggle toggle("Vignette", flag.binding());
    toggle.resize(200, 27);
    EXPECT_GE(toggle.height(), 27);
    EXPECT_EQ(toggle.backgroundColor(), whitePercent(5));
    EXPECT_EQ(toggle.textColor(), whitePercent(38));
    EXPECT_EQ(toggle.markerColor(), whitePercent(10));
    EXPECT_EQ(toggle.knobColor(), whitePercent(35));
    const QRectF off = toggle.knobRect();
    EXPECT_EQ(off.size(), QSizeF(10, 10));
    EXPECT_EQ(off.left(), 2);  // leading edge of the 22 x 14 capsule, inset 2

    flag.value = true;  // changed elsewhere: shown after sync, with no write
    toggle.sync();
    EXPECT_TRUE(flag.writes.empty());
    EXPECT_EQ(toggle.backgroundColor(), whitePercent(11));
    EXPECT_EQ(toggle.textColor(), whitePercent(82));
    EXPECT_EQ(toggle.markerColor(), whitePercent(26));
    EXPECT_EQ(toggle.knobColor(), QColor(255, 255, 255));
    EXPECT_EQ(toggle.knobRect().left(), 10);  // trailing edge: 22 - 2 - 10
}

TEST(StyleToggleTest, APinPropertyWithoutAnActionShowsNoPinAndNoPlaceholder) {
    test::ModelHarness harness;
    auto model = harness.make();
    StyleToggle bare("Reflect", bind(*model, &NotchViewModel::mirror, &NotchViewModel::setMirror),
                     PinTarget{ShuffleProperty::mirror, [] { return false; }, {}});
    EXPECT_EQ(bare.pinButton(), nullptr);
    EXPECT_TRUE(bare.findChildren<QWidget*>().size() == 1u);  // the toggle part alone

    StyleToggle pinned("Reflect", bind(*model, &NotchViewModel::mirror, &NotchViewModel::setMirror),
                       PinTarget::forModel(*model, ShuffleProperty::mirror));
    ASSERT_NE(pinned.pinButton(), nullptr);
    EXPECT_EQ(pinned.pinButton()->toolTip(), "Pin Reflect");
    pinned.pinButton()->click();
    EXPECT_TRUE(model->isPinned(ShuffleProperty::mirror));
    EXPECT_FALSE(model->mirror());  // the pin is not the switch
    pinned.sync();
    EXPECT_EQ(pinned.pinButton()->toolTip(), "Unpin Reflect");
}

TEST(ToggleChipTest, ADotMarksTheStateAndPressesInvert) {
    RecordedFlag flag;
    ToggleChip chip("Mix in a perceptual space", flag.binding());
    chip.resize(160, 27);
    EXPECT_EQ(chip.markerColor(), whitePercent(22));
    chip.toggleButton()->click();
    chip.toggleButton()->click();
    EXPECT_EQ(flag.writes, (std::vector<bool>{true, false}));
    flag.value = true;
    chip.sync();
    EXPECT_EQ(chip.markerColor(), QColor(255, 255, 255));
    EXPECT_EQ(chip.textColor(), whitePercent(82));
    // The title wraps rather than being cut: a narrow chip grows taller.
    EXPECT_EQ(chip.heightForWidth(300), 27);
    EXPECT_GT(chip.heightForWidth(40), 27);
}

TEST(ExportChoiceTest, SelectionChangesItsColoursAndAPressCallsTheAction) {
    bool selected = false;
    int presses = 0;
    ExportChoice choice("PNG", [&] { return selected; }, [&] { ++presses; });
    EXPECT_GE(choice.height(), 28);
    EXPECT_EQ(choice.labelColor(), whitePercent(40));
    EXPECT_EQ(choice.backgroundColor(), whitePercent(5));
    EXPECT_EQ(choice.cornerRadius(), 7);
    choice.click();
    EXPECT_EQ(presses, 1);
    EXPECT_FALSE(choice.isSelected());  // the caller decides
    selected = true;
    choice.sync();
    EXPECT_EQ(choice.labelColor(), QColor(255, 255, 255));
    EXPECT_EQ(choice.backgroundColor(), whitePercent(11));
}

TEST(ShapeTileHeightTest, FollowsTheLayoutAndTheCellWidth) {
    EXPECT_EQ(shapeTileHeight(2, false, 10), 54);
    EXPECT_EQ(shapeTileHeight(3, false, 1000), 44);
    EXPECT_EQ(shapeTileHeight(5, false, 0), 44);
    EXPECT_EQ(shapeTileHeight(3, true, 300), 40);     // w 96, t 44.16
    EXPECT_EQ(shapeTileHeight(3, true, 150), 26);     // w 46, t 21.16
    EXPECT_DOUBLE_EQ(shapeTileHeight(2, true, 160), 77 * 0.46);  // 35.42
    EXPECT_EQ(shapeTileHeight(3, true, -20), 26);     // negative cell width
    EXPECT_EQ(shapeTileHeight(2, true, std::nan("")), 26);
    EXPECT_EQ(shapeTileHeight(0, true, 60), 26 + 1.6);  // counts as one column: 60 x 0.46
}

QWidget* block(int width, int height) {
    auto* widget = new QWidget;
    widget->setMinimumHeight(height);
    widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    widget->resize(width, height);
    return widget;
}

TEST(SideAwareSliderPairTest, SideBySideAtCompactWidthIgnoringSpacingAndStackedAtASide) {
    EXPECT_EQ(compactPairWidth(330), 162);
    EXPECT_EQ(compactPairWidth(4), 0);
    auto* first = block(10, 40);
    auto* second = block(10, 30);
    SideAwareSliderPair pair(false, 330, compactPairWidth(330), 20, first, second);
    EXPECT_EQ(pair.size(), QSize(330, 40));
    EXPECT_EQ(first->geometry(), QRect(0, 0, 162, 40));
    EXPECT_EQ(second->geometry(), QRect(168, 5, 162, 30));  // gap 6, centred vertically

    pair.setLayoutInputs(true, 250, compactPairWidth(250));
    EXPECT_EQ(first->geometry(), QRect(0, 0, 250, 40));
    EXPECT_EQ(second->geometry(), QRect(0, 60, 250, 30));  // the caller's spacing 20
    EXPECT_EQ(pair.size(), QSize(250, 90));
    // The same widgets, only moved.
    EXPECT_EQ(pair.first(), first);
    EXPECT_EQ(first->parentWidget(), &pair);
}

TEST(SideAwareSliderPairTest, ASliderBeingDraggedKeepsItsDragAcrossARelayout) {
    double value = 50;
    auto* slider = new NotchSlider("Reach", {[&] { return value; }, [&](double v) { value = v; }}, 0, 100, 1);
    SideAwareSliderPair pair(false, 222, compactPairWidth(222), 8, slider, block(10, 40));
    pair.show();
    QApplication::processEvents();
    ASSERT_EQ(slider->track()->width(), 108);
    QPointer<NotchSliderTrack> track = slider->track();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(59, 4), QPointF(59, 4), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(track, &press);
    EXPECT_EQ(value, 55);
    pair.setLayoutInputs(true, 308, compactPairWidth(308));
    QApplication::processEvents();
    ASSERT_TRUE(track);
    EXPECT_TRUE(track->isDragging());
    EXPECT_EQ(track->width(), 308);
}

TEST(SideAwareSliderGridTest, ColumnsShareTheWidthAndAtASideEachCellTakesItAll) {
    std::vector<QWidget*> cells;
    for (int i = 0; i < 5; ++i) cells.push_back(block(10, 20 + i));
    SideAwareSliderGrid grid(false, 300, 2, 10, cells);
    EXPECT_EQ(grid.effectiveColumnCount(), 2);
    EXPECT_EQ(cells[0]->geometry(), QRect(0, 0, 145, 20));
    EXPECT_EQ(cells[1]->geometry(), QRect(155, 0, 145, 21));
    EXPECT_EQ(cells[2]->geometry().top(), 21 + 10);  // rows as tall as their tallest cell
    EXPECT_EQ(cells[4]->geometry(), QRect(0, 31 + 23 + 10, 145, 24));
    EXPECT_EQ(grid.size(), QSize(300, 31 + 23 + 10 + 24));

    grid.setLayoutInputs(false, 300, 0);  // a count below 1 gives one column
    EXPECT_EQ(grid.effectiveColumnCount(), 1);
    EXPECT_EQ(cells[1]->geometry(), QRect(0, 30, 300, 21));

    grid.setLayoutInputs(true, 200, 5);
    EXPECT_EQ(cells[3]->geometry().width(), 200);
    EXPECT_EQ(cells[3]->geometry().left(), 0);
}

}  // namespace
}  // namespace glimora
