#include "editors/shader_editor.hpp"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QLabel>
#include <QScrollArea>

#include "controls/notch_button.hpp"
#include "controls/notch_slider.hpp"
#include "controls/panel_symbols.hpp"
#include "editors/color_well.hpp"
#include "editors/shared_color_dialog.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using ShaderEditorTest = test::EditorFixture<ShaderEditor>;

using test::showsText;

TEST_F(ShaderEditorTest, PlayIsDisabledUntilTheMaterialIsOnAndTheDesktopButtonSaysSo) {
    model->setSelectedTab(NotchTab::shader);
    auto& editor = show();
    EXPECT_FALSE(editor.playButton()->isEnabled());
    EXPECT_EQ(editor.playButton()->symbol(), "play.fill");
    EXPECT_EQ(editor.playButton()->toolTip(), "Play shader animation");
    EXPECT_TRUE(showsText(&editor, QString::fromUtf8("No input \u00B7 full desktop")));
    EXPECT_EQ(test::findNamed(&editor, "Use current image"), nullptr);
    test::click(test::findNamed(&editor, "Use on Desktop"));
    test::settle();
    EXPECT_TRUE(model->shaderActive());
    EXPECT_NE(test::findNamed(&editor, "Applied to Desktop"), nullptr);
    EXPECT_TRUE(editor.playButton()->isEnabled());
    EXPECT_EQ(editor.playButton()->symbol(), "pause.fill");
    EXPECT_EQ(editor.playButton()->accessibleName(), "Pause shader");
    test::click(editor.playButton());
    test::settle();
    EXPECT_FALSE(model->shaderPlaying());
    EXPECT_EQ(editor.playButton()->accessibleName(), "Play shader");

    test::click(test::findNamed(&editor, "Back to shapes & pixels"));
    test::settle();
    EXPECT_FALSE(model->shaderActive());
    EXPECT_TRUE(showsText(&editor, "Shapes and pixels restored"));
}

TEST_F(ShaderEditorTest, PatternChipsSelectTheirPatternAndTheSlidersKeepTheirRanges) {
    auto& editor = show();
    for (const char* chip : {"Flow", "Waves", "Rings", "Bands", "Cells", "Noise"})
        ASSERT_NE(test::findNamed(&editor, chip), nullptr) << chip;
    EXPECT_EQ(test::findNamed(&editor, "Rings")->toolTip(), "Radial depth");
    // The chips sit on the panel's black: nothing light behind their strip.
    const QImage drawn = test::drawnOnBlack(editor);
    EXPECT_LT(test::grayRightOf(editor, drawn, test::findNamed(&editor, "Flow"), 3), 20);
    test::click(test::findNamed(&editor, "Rings"));
    test::settle();
    EXPECT_EQ(model->shaderPattern(), ShaderPattern::rings);
    EXPECT_TRUE(static_cast<ShaderPatternChip*>(test::findNamed(&editor, "Rings"))->isSelected());
    EXPECT_FALSE(static_cast<ShaderPatternChip*>(test::findNamed(&editor, "Flow"))->isSelected());

    test::pressTrack(test::innermostNamed(&editor, "Tempo"), 1);
    EXPECT_DOUBLE_EQ(model->shaderSpeed(), 1.5);
    test::pressTrack(test::innermostNamed(&editor, "Tempo"), 0);
    EXPECT_DOUBLE_EQ(model->shaderSpeed(), 0.1);
    test::pressTrack(test::innermostNamed(&editor, "Energy"), 0.5);
    EXPECT_EQ(model->shaderIntensity(), 50);
    for (NotchSlider* slider : test::visibleChildren<NotchSlider>(&editor)) EXPECT_EQ(slider->pinButton(), nullptr);

    model->setShaderDistortion(10);
    test::click(test::findNamed(&editor, "Reset material"));
    EXPECT_EQ(model->shaderDistortion(), 42);
    EXPECT_EQ(model->shaderPattern(), ShaderPattern::flow);
}

TEST_F(ShaderEditorTest, TheCurrentImageRowFollowsThePhotosAndSidePairsStack) {
    auto& editor = show(test::sideInputs(260));
    ImportedImageAsset asset;
    asset.fileName = "sea.png";
    asset.buffer = test::solidImage(40, 30);
    asset.preview = asset.buffer;
    model->setImageAssets({asset});
    test::settle();
    QWidget* use = test::findNamed(&editor, "Use current image");
    ASSERT_NE(use, nullptr);
    // The label spans the whole button: the photo symbol at its left edge, the
    // chevron at its right (only the drawings' own margins between).
    const auto [first, last] = test::inkColumns(use);
    EXPECT_GE(first, 0);
    EXPECT_LE(first, 2);
    EXPECT_GE(last, use->width() - 5);
    test::click(use);
    test::settle();
    EXPECT_EQ(model->shaderSourceName(), "sea.png");
    EXPECT_TRUE(showsText(&editor, "sea.png"));
    EXPECT_EQ(test::rowsOf(&editor, {"Tempo", "Field Size"}),
              (std::vector<std::vector<QString>>{{"Tempo"}, {"Field Size"}}));
}

// Row 1: the pattern strip, 8, then reset and play/pause 7 apart. Row 7:
// its text, cut to the room, ends 6 + 4 + 6 before the chevron.
TEST_F(ShaderEditorTest, TheFirstAndSeventhRowsKeepTheirSpacings) {
    auto& editor = show(test::sideInputs(260));
    ImportedImageAsset asset;
    asset.fileName = "sea.png";
    model->setImageAssets({asset});
    test::settle();
    QWidget* reset = test::findNamed(&editor, "Reset material");
    QWidget* play = test::findNamed(&editor, "Play shader");
    const auto scrollers = test::visibleChildren<QScrollArea>(&editor);
    ASSERT_TRUE(reset && play && scrollers.size() == 1u);
    const QRect strip(scrollers[0]->mapTo(&editor, QPoint()), scrollers[0]->size());
    const QRect resetBox(reset->mapTo(&editor, QPoint()), reset->size());
    const QRect playBox(play->mapTo(&editor, QPoint()), play->size());
    EXPECT_EQ(resetBox.left(), strip.right() + 1 + 8);
    EXPECT_EQ(playBox.left(), resetBox.right() + 1 + 7);
    EXPECT_EQ(playBox.right() + 1, 260);

    // The tab is never that narrow: the button alone, as narrow as its text.
    auto* use = test::findNamed<NotchButton>(&editor, "Use current image");
    ASSERT_NE(use, nullptr);
    use->resize(100, use->height());
    const FittedText fitted = use->fittedText();
    EXPECT_TRUE(fitted.text.endsWith(QChar(0x2026))) << fitted.text.toStdString();
    const double gap = use->width() - symbolExtent(9) -
                       (symbolExtent(10) + 6 + QFontMetricsF(fitted.font).horizontalAdvance(fitted.text));
    EXPECT_GE(gap, 16);
    EXPECT_LT(gap, 16 + 2 * QFontMetricsF(fitted.font).horizontalAdvance('W'));
}

// The material's three colour wells, in their row's order.
std::vector<ColorWell*> colorWells(ShaderEditor& editor) { return test::visibleChildren<ColorWell>(&editor); }

class ShaderColorWellTest : public ShaderEditorTest {
protected:
    void TearDown() override {
        SharedColorDialog::instance().close();
        ShaderEditorTest::TearDown();
    }
    // What the user does in the open dialog: a new current colour.
    static void pick(const QColor& color) { SharedColorDialog::instance().dialog()->setCurrentColor(color); }
};

TEST_F(ShaderColorWellTest, EachWellOpensTheSharedDialogAndWritesItsColourLive) {
    model->setSelectedTab(NotchTab::shader);
    auto& editor = show();
    const std::vector<ColorWell*> wells = colorWells(editor);
    ASSERT_EQ(wells.size(), 3u);
    EXPECT_EQ(wells[0]->accessibleName(), "Base");
    EXPECT_EQ(wells[1]->accessibleName(), "Mid");
    EXPECT_EQ(wells[2]->accessibleName(), "Edge Light");
    const Color base = model->shaderBaseColor(), mid = model->shaderMidColor(), edge = model->shaderHighlightColor();
    EXPECT_EQ(wells[0]->color(), base);
    EXPECT_EQ(wells[2]->color(), edge);

    auto& shared = SharedColorDialog::instance();
    test::click(wells[1]);
    ASSERT_TRUE(shared.isOpen());
    EXPECT_TRUE(shared.isTargeting(wells[1]));
    EXPECT_EQ(shared.dialog()->windowTitle(), "Mid");
    EXPECT_EQ(shared.dialog()->currentColor().rgb(), SharedColorDialog::toQColor(mid).rgb());
    EXPECT_EQ(model->shaderMidColor(), mid) << "opening writes nothing";

    // Every colour moved through is written at once, to that well's colour only.
    pick(QColor(255, 128, 0));
    test::settle();
    EXPECT_EQ(model->shaderMidColor(), SharedColorDialog::toColor(QColor(255, 128, 0)));
    EXPECT_EQ(wells[1]->color(), model->shaderMidColor());
    pick(QColor(0, 64, 255));
    test::settle();
    EXPECT_EQ(model->shaderMidColor(), SharedColorDialog::toColor(QColor(0, 64, 255)));
    EXPECT_EQ(model->shaderBaseColor(), base);
    EXPECT_EQ(model->shaderHighlightColor(), edge);

    // The next well takes the same dialog over.
    QColorDialog* dialog = shared.dialog();
    test::click(wells[2]);
    EXPECT_EQ(shared.dialog(), dialog);
    EXPECT_TRUE(shared.isTargeting(wells[2]));
    EXPECT_EQ(dialog->windowTitle(), "Edge Light");
    pick(QColor(10, 200, 30));
    test::settle();
    EXPECT_EQ(model->shaderHighlightColor(), SharedColorDialog::toColor(QColor(10, 200, 30)));
    EXPECT_EQ(model->shaderMidColor(), SharedColorDialog::toColor(QColor(0, 64, 255)));

    // A colour set elsewhere shows in the well and in the dialog, and is not written back.
    const Color grey{0.5, 0.5, 0.5};
    model->setShaderHighlightColor(grey);
    test::settle();
    EXPECT_EQ(wells[2]->color(), grey);
    EXPECT_EQ(dialog->currentColor().rgb(), SharedColorDialog::toQColor(grey).rgb());
    EXPECT_EQ(model->shaderHighlightColor(), grey);
}

TEST_F(ShaderColorWellTest, AWellThatWentAwayTakesNoColour) {
    model->setSelectedTab(NotchTab::shader);
    auto& editor = show();
    test::click(colorWells(editor)[0]);
    ASSERT_TRUE(SharedColorDialog::instance().isOpen());
    const Color base = model->shaderBaseColor();
    // The editor goes (another tab) while the dialog is up.
    this->editor.reset();
    pick(QColor(200, 0, 200));
    test::settle();
    EXPECT_EQ(model->shaderBaseColor(), base);
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
}

}  // namespace
}  // namespace glimora
