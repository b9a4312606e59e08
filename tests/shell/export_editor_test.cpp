#include "editors/export_editor.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/toggles.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using ExportEditorTest = test::EditorFixture<ExportEditor>;

std::vector<QString> selectedChoices(QWidget* editor) {
    std::vector<QString> titles;
    for (ExportChoice* chip : test::visibleChildren<ExportChoice>(editor))
        if (chip->isSelected()) titles.push_back(chip->accessibleName());
    return titles;
}

TEST_F(ExportEditorTest, TheChipsSelectExactlyOneFormatAndOneResolution) {
    auto& editor = show();
    EXPECT_EQ(selectedChoices(&editor), (std::vector<QString>{"PNG", "4K"}));
    test::click(test::findNamed(&editor, "SVG"));
    test::click(test::findNamed(&editor, "PNG"));
    test::click(test::findNamed(&editor, "1080p"));
    test::settle();
    EXPECT_EQ(model->exportFormat(), ExportFormat::png);
    EXPECT_EQ(model->exportResolution(), ExportResolution::hd);
    EXPECT_EQ(selectedChoices(&editor), (std::vector<QString>{"PNG", "1080p"}));
    test::click(test::findNamed(&editor, "6K"));
    test::click(test::findNamed(&editor, "SVG"));
    test::settle();
    EXPECT_EQ(selectedChoices(&editor), (std::vector<QString>{"SVG", "6K"}));
}

TEST_F(ExportEditorTest, TheChipWidthsShareTheRowAndNeverGoNegative) {
    auto& editor = show(test::topInputs(408));
    EXPECT_EQ(test::findNamed(&editor, "PNG")->width(), 200);
    EXPECT_EQ(test::findNamed(&editor, "4K")->width(), 130);
    EXPECT_EQ(test::findNamed(&editor, "Copy")->width(), 201);
    EXPECT_EQ(ExportEditor::thirdWidth(15), 0);
    EXPECT_EQ(ExportEditor::halfWidth(7), 0);
    EXPECT_EQ(ExportEditor::copyWidth(5), 0);
    EXPECT_EQ(ExportEditor::halfWidth(10), 1);
}

TEST_F(ExportEditorTest, ExportWritesTheChosenFormatIntoTheFolderAndTheButtonsShowTheStatus) {
    auto& editor = show();
    QWidget* folder = test::findNamed(&editor, "Choose output folder");
    ASSERT_NE(folder, nullptr);
    test::click(test::findNamed(&editor, "SVG"));
    test::click(test::findNamed(&editor, "1080p"));
    test::click(test::findNamed(&editor, "Export"));
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    test::TempDir temp;
    const auto file = temp.path() / "wallpaper.svg";
    harness.dialogs->completeSave(file);
    harness.scheduler->runUntilIdle();
    test::settle();
    ASSERT_TRUE(std::filesystem::exists(file));
    const auto bytes = test::readFile(file);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("<svg"), std::string::npos);
    auto* exportButton = test::findNamed<NotchButton>(&editor, "Export");
    EXPECT_EQ(exportButton->text(), QString::fromStdString(model->exportStatus()));
    EXPECT_NE(exportButton->text(), "Export");  // the outcome, until the reset
    // The folder the file went to is the output folder now.
    EXPECT_NE(folder->accessibleName(), "Choose output folder");

    test::click(test::findNamed(&editor, "Copy"));
    harness.scheduler->runUntilIdle();
    test::settle();
    EXPECT_EQ(harness.clipboard->items.size(), 1u);
    EXPECT_EQ(test::findNamed<NotchButton>(&editor, "Copy")->text(), "Copied");
    harness.scheduler->advance(2);
    test::settle();
    EXPECT_EQ(test::findNamed<NotchButton>(&editor, "Copy")->text(), "Copy");
    EXPECT_EQ(exportButton->text(), "Export");
}

TEST_F(ExportEditorTest, TheFolderRowOpensTheFolderPanelAndItsSymbolsSitAtItsEdges) {
    auto& editor = show();
    // The folder symbol's box starts at the button's left edge and the
    // chevron's ends at its right edge; only the drawings' own margins
    // (under 2 and 4 px) lie between them and the edges.
    QWidget* row = test::findNamed(&editor, "Choose output folder");
    ASSERT_NE(row, nullptr);
    const auto [first, last] = test::inkColumns(row);
    EXPECT_GE(first, 0);
    EXPECT_LE(first, 2);
    EXPECT_GE(last, row->width() - 5);
    test::click(row);
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    EXPECT_TRUE(harness.dialogs->openRequests[0].canChooseDirectories);
    harness.dialogs->completeOpen({});
    EXPECT_EQ(model->outputFolderLabel(), "Choose output folder");

    // A folder name longer than the row ends in "…" at least 7 + 4 + 7
    // before the chevron: the spacing, the spacer's least length, the spacing.
    test::TempDir temp;
    const auto longFolder = temp.path() / ("the folder where every wallpaper of the long summer goes, " +
                                           std::string(120, 'w'));
    std::filesystem::create_directory(longFolder);
    test::click(row);
    ASSERT_EQ(harness.dialogs->openRequests.size(), 2u);
    harness.dialogs->completeOpen({longFolder});
    test::settle();
    auto* button = test::findNamed<NotchButton>(&editor, QString::fromStdString(longFolder.filename().string()));
    ASSERT_NE(button, nullptr);
    const FittedText fitted = button->fittedText();
    EXPECT_TRUE(fitted.text.endsWith(QChar(0x2026))) << fitted.text.toStdString();
    const double textEnd = symbolExtent(11) + 7 + QFontMetricsF(fitted.font).horizontalAdvance(fitted.text);
    const double gap = button->width() - symbolExtent(9) - textEnd;
    EXPECT_GE(gap, 18);
    EXPECT_LT(gap, 18 + 2 * QFontMetricsF(fitted.font).horizontalAdvance('W'));
}

}  // namespace
}  // namespace glimora
