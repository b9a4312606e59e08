#include "editors/style_editor.hpp"

#include <gtest/gtest.h>

#include "editors/option_chip.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;
using StyleEditorTest = test::EditorFixture<StyleEditor>;

std::vector<QString> chipTitles(QWidget* editor, int minimumHeight) {
    std::vector<QString> titles;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(editor))
        if (chip->minimumHeight() == minimumHeight) titles.push_back(chip->text());
    return titles;
}

std::vector<QString> selected(QWidget* editor) {
    std::vector<QString> titles;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(editor))
        if (chip->isSelected()) titles.push_back(chip->text());
    return titles;
}

TEST_F(StyleEditorTest, TheTextureChipsReadTheirSizesAndSelectTheirMode) {
    auto& editor = show();
    EXPECT_EQ(chipTitles(&editor, 26),
              (std::vector<QString>{"Off", QString::fromUtf8("2×2"), QString::fromUtf8("4×4"),
                                    QString::fromUtf8("8×8"), QString::fromUtf8("16²"), "Noise"}));
    EXPECT_EQ(chipTitles(&editor, 27), (std::vector<QString>{"RGB", "R", "G", "B"}));
    EXPECT_EQ(selected(&editor), (std::vector<QString>{QString::fromUtf8("8×8"), "RGB"}));

    test::click(test::findNamed(&editor, QString::fromUtf8("16²")));
    EXPECT_EQ(model->dither(), DitherMode::sixteenBySixteen);
    test::click(test::findNamed(&editor, "G"));
    EXPECT_EQ(model->channel(), StyleChannel::green);
    test::settle();
    EXPECT_EQ(selected(&editor), (std::vector<QString>{QString::fromUtf8("16²"), "G"}));

    // The chip already selected writes its value again and changes nothing.
    writes.reset();
    test::click(test::findNamed(&editor, "G"));
    EXPECT_EQ(writes.of(Prop::channel), 1);
    EXPECT_EQ(model->channel(), StyleChannel::green);
}

TEST_F(StyleEditorTest, FourChannelChipsAndThreeGapsFillTheWidth) {
    auto& editor = show(test::topInputs(412));
    for (const char* title : {"RGB", "R", "G", "B"}) EXPECT_EQ(test::findNamed(&editor, title)->width(), 100);
    auto& narrow = show(test::topInputs(10));
    EXPECT_EQ(test::findNamed(&narrow, "RGB")->width(), 0);
}

TEST_F(StyleEditorTest, TogglesAndSlidersWriteTheirPropertiesAndCarryTheirPins) {
    auto& editor = show();
    test::click(test::innermostNamed(&editor, "Line Texture"));
    test::click(test::innermostNamed(&editor, "Negative"));
    test::click(test::innermostNamed(&editor, "Edge Shade"));
    test::click(test::innermostNamed(&editor, "Color Fringe"));
    EXPECT_TRUE(model->scanlines());
    EXPECT_TRUE(model->invert());
    EXPECT_FALSE(model->vignette());
    EXPECT_TRUE(model->rgbSplit());
    test::pressTrack(test::innermostNamed(&editor, "Color Offset"), 0.5);
    EXPECT_EQ(model->chroma(), 10);
    test::pressTrack(test::innermostNamed(&editor, "Bend"), 1);
    EXPECT_EQ(model->warp(), 100);

    for (const char* pin : {"Pin Texture", "Pin Bend", "Pin Line Texture", "Pin Color Fringe"})
        EXPECT_NE(test::findNamed(&editor, pin), nullptr) << pin;
    for (const char* pin : {"Pin Color Offset", "Pin Negative", "Pin Edge Shade"})
        EXPECT_EQ(test::findNamed(&editor, pin), nullptr) << pin;
    test::click(test::findNamed(&editor, "Pin Texture"));
    EXPECT_TRUE(model->isPinned(ShuffleProperty::dither));
    test::settle();
    EXPECT_NE(test::findNamed(&editor, "Unpin Texture"), nullptr);
}

TEST_F(StyleEditorTest, TogglesStayTwoToARowInTheSidePanel) {
    auto& editor = show(test::sideInputs(260));
    const auto rows = test::rowsOf(&editor, {"Color Offset", "Bend", "Line Texture", "Negative", "Edge Shade",
                                             "Color Fringe"});
    EXPECT_EQ(rows, (std::vector<std::vector<QString>>{{"Color Offset"},
                                                       {"Bend"},
                                                       {"Line Texture", "Negative"},
                                                       {"Edge Shade", "Color Fringe"}}));
}

TEST_F(StyleEditorTest, AShuffledFinishShowsInPlace) {
    auto& editor = show();
    OptionChip* noise = test::findNamed<OptionChip>(&editor, "Noise");
    model->setDither(DitherMode::noise);
    model->setChannel(StyleChannel::blue);
    test::settle();
    EXPECT_EQ(test::findNamed<OptionChip>(&editor, "Noise"), noise);
    EXPECT_EQ(selected(&editor), (std::vector<QString>{"Noise", "B"}));
}

}  // namespace
}  // namespace glimora
