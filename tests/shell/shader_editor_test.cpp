#include "editors/shader_editor.hpp"

#include <gtest/gtest.h>

#include <QLabel>

#include "controls/notch_slider.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using ShaderEditorTest = test::EditorFixture<ShaderEditor>;

bool showsText(QWidget* root, const QString& text) {
    for (QLabel* label : test::visibleChildren<QLabel>(root))
        if (label->text() == text) return true;
    return false;
}

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
    test::click(use);
    test::settle();
    EXPECT_EQ(model->shaderSourceName(), "sea.png");
    EXPECT_TRUE(showsText(&editor, "sea.png"));
    EXPECT_EQ(test::rowsOf(&editor, {"Tempo", "Field Size"}),
              (std::vector<std::vector<QString>>{{"Tempo"}, {"Field Size"}}));
}

}  // namespace
}  // namespace glimora
