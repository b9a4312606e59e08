#include "editors/history_editor.hpp"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QKeyEvent>

#include "controls/notch_button.hpp"
#include "controls/pixel_mosaics.hpp"
#include "editors/recipe_row.hpp"
#include "model/recipe_json.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/test_artefacts.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using HistoryEditorTest = test::EditorFixture<HistoryEditor>;

using test::showsText;

void typeInto(QWidget* field, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
}

void pressReturn(QWidget* field) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &press);
}

QAction* menuItem(RecipeRow* row, const QString& text) {
    for (QAction* action : row->actionsMenu()->actions())
        if (action->text() == text) return action;
    return nullptr;
}

std::string fileText(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

DesignRecipe gradientRecipe(NotchViewModel& model, int paletteIndex, const std::string& shape) {
    DesignRecipe recipe = model.makeRecipe("Stored", false);
    recipe.paletteIndex = paletteIndex;
    recipe.shape = shape;
    return recipe;
}

TEST_F(HistoryEditorTest, AnEmptyLibraryShowsTheTwoLinesAndNoRow) {
    auto& editor = show();
    EXPECT_TRUE(showsText(&editor, "Your saved designs will appear here."));
    EXPECT_TRUE(showsText(&editor, "Shuffle or save the current design to start a local library."));
    EXPECT_TRUE(editor.rows().empty());
    EXPECT_NE(test::findNamed(&editor, "Import .ombriq"), nullptr);
    EXPECT_EQ(test::findNamed(&editor, "Import .ombriq")->toolTip(),
              "Open a .ombriq recipe exported from Ombriq or shared by another user");
    EXPECT_NE(test::findNamed(&editor, "Export .ombriq"), nullptr);
    // The note sends pictures to the image tab's "Files" button.
    EXPECT_TRUE(showsText(&editor, QString::fromUtf8("Import a .ombriq recipe exported from this library or shared by "
                                                     "another Ombriq user. To pixelize an image, use Image \u2192 "
                                                     "Files.")));
}

TEST_F(HistoryEditorTest, SavesFromTheButtonAndFromReturnListNewestFirstAndShowTheStatus) {
    auto& editor = show();
    QLineEdit* field = editor.nameField();
    EXPECT_EQ(field->placeholderText(), "Name this design");
    typeInto(field, "Dusk");
    EXPECT_EQ(model->recipeName(), "Dusk");
    test::click(test::findNamed(&editor, "Save"));
    test::settle();
    ASSERT_EQ(editor.rows().size(), 1u);
    EXPECT_EQ(editor.rows()[0]->content().title, "Dusk");
    EXPECT_FALSE(model->recipeStatus().empty());
    EXPECT_TRUE(showsText(&editor, QString::fromStdString(model->recipeStatus())));
    EXPECT_FALSE(showsText(&editor, "Your saved designs will appear here."));
    RecipeRow* dusk = editor.rows()[0];

    // Return saves as well; a blank name takes the design's own name.
    model->setShape(NotchShape::radial);
    field->clear();
    typeInto(field, "   ");
    pressReturn(field);
    test::settle();
    ASSERT_EQ(editor.rows().size(), 2u);
    EXPECT_EQ(editor.rows()[0]->content().title, QString::fromStdString(model->recipeHistory()[0].displayName()));
    EXPECT_NE(editor.rows()[0]->content().title.trimmed(), "");
    // The first row was kept, not made again.
    EXPECT_EQ(editor.rows()[1], dusk);
}

TEST_F(HistoryEditorTest, FavouritesAndDeletesKeepTheOtherRows) {
    harness.library = {gradientRecipe(*model, 3, "radial"), gradientRecipe(*model, 4, "linear"),
                       gradientRecipe(*model, 5, "spiral")};
    harness.library[0].name = "One";
    harness.library[1].name = "Two";
    harness.library[2].name = "Three";
    // The bridge listens to the model it was made with: it goes first.
    bridge.reset();
    model = harness.make();
    bridge = std::make_unique<NotchViewModelBridge>(*model);
    auto& editor = show();
    harness.scheduler->runUntilIdle();
    test::settle();
    ASSERT_EQ(editor.rows().size(), 3u);
    const std::vector<RecipeRow*> before = editor.rows();

    NotchButton* star = before[1]->favoriteButton();
    EXPECT_EQ(star->symbol(), "star");
    EXPECT_EQ(star->toolTip(), "Add favorite");
    test::click(star);
    test::settle();
    EXPECT_TRUE(model->recipeHistory()[1].isFavorite);
    EXPECT_EQ(editor.rows(), before);
    EXPECT_EQ(before[1]->favoriteButton()->symbol(), "star.fill");
    EXPECT_EQ(before[1]->favoriteButton()->toolTip(), "Remove favorite");
    EXPECT_EQ(before[1]->favoriteButton()->labelColor(), accentColor());

    QAction* remove = menuItem(before[0], "Delete");
    ASSERT_NE(remove, nullptr);
    remove->trigger();
    test::settle();
    ASSERT_EQ(editor.rows().size(), 2u);
    EXPECT_EQ(editor.rows()[0], before[1]);
    EXPECT_EQ(editor.rows()[1], before[2]);
    EXPECT_EQ(model->recipeHistory().size(), 2u);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The menu's items, in order.
    std::vector<QString> items;
    for (QAction* action : editor.rows()[0]->actionsMenu()->actions()) items.push_back(action->text());
    EXPECT_EQ(items, (std::vector<QString>{"Open", QString::fromUtf8("Export Recipe\u2026"), "", "Delete"}));
    EXPECT_EQ(editor.rows()[0]->menuButton()->toolTip(), "Recipe actions");
}

TEST_F(HistoryEditorTest, KindLinesNameThePaletteAndShapeWithGradientAndCustomFallbacks) {
    DesignRecipe known = gradientRecipe(*model, 3, "radial");
    DesignRecipe unknownShape = gradientRecipe(*model, 3, "hexagonal-swirl");
    DesignRecipe negative = gradientRecipe(*model, -4, "linear");
    DesignRecipe custom = gradientRecipe(*model, int(builtInPalettes().size()), "linear");
    custom.customPalette = std::vector<CustomPaletteStop>{{1, 0, 0}, {0, 0, 1}};
    DesignRecipe customWithoutStops = custom;
    customWithoutStops.customPalette.reset();
    DesignRecipe image = known;
    image.wallpaperSource = "image";

    const QString dot = QString::fromUtf8(" \u00B7 ");
    const auto& catalogue = builtInPalettes();
    const auto name = [](const PaletteDefinition& p) { return QString::fromStdString(p.name); };
    EXPECT_EQ(RecipeRowContent::of(known).kindLine, name(catalogue[3]) + dot + QString::fromUtf8(std::string(title(NotchShape::radial)).c_str()));
    EXPECT_EQ(RecipeRowContent::of(unknownShape).kindLine, name(catalogue[3]) + dot + "Gradient");
    EXPECT_EQ(RecipeRowContent::of(negative).kindLine, name(catalogue[0]) + dot + QString::fromUtf8(std::string(title(NotchShape::linear)).c_str()));
    EXPECT_EQ(RecipeRowContent::of(negative).swatchColors, catalogue[0].colors);
    EXPECT_EQ(RecipeRowContent::of(custom).kindLine, "Custom" + dot + QString::fromUtf8(std::string(title(NotchShape::linear)).c_str()));
    EXPECT_EQ(RecipeRowContent::of(custom).swatchColors, (std::vector<Color>{{1, 0, 0}, {0, 0, 1}}));
    EXPECT_NE(RecipeRowContent::of(custom).swatchColors, catalogue.back().colors);
    EXPECT_TRUE(RecipeRowContent::of(customWithoutStops).swatchColors.empty());
    EXPECT_EQ(RecipeRowContent::of(image).kindLine, "Image");
    EXPECT_TRUE(RecipeRowContent::of(image).isImage);

    // On screen: the custom row's swatch paints its stops, black without any.
    model->setRecipeHistory({custom, customWithoutStops, image});
    auto& editor = show();
    ASSERT_EQ(editor.rows().size(), 3u);
    EXPECT_EQ(editor.rows()[0]->swatch()->cellColor(0, 0), paletteQColor({1, 0, 0}));
    EXPECT_EQ(editor.rows()[1]->swatch()->cellColor(0, 0), QColor(Qt::black));
    EXPECT_FALSE(editor.rows()[2]->swatch()->isVisibleTo(editor.rows()[2]));
    EXPECT_TRUE(showsText(&editor, "Image"));
}

// The title and the kind line are one line each, ending in "…" where the
// row's room ends.
TEST_F(HistoryEditorTest, ALongTitleAndKindLineEachEndInAnEllipsis) {
    DesignRecipe recipe = gradientRecipe(*model, 3, "kaleidoscope");
    recipe.name = "Evening light over the harbour with the long grain and the slow bloom";
    model->setRecipeHistory({recipe});
    auto& editor = show(test::topInputs(180));
    ASSERT_EQ(editor.rows().size(), 1u);
    test::keepScreenshot(test::drawnOnBlack(*editor.rows()[0], 2), "history_editor/long-name-row-at-180");
    const auto texts = test::visibleTexts(editor.rows()[0]);
    for (const QString& line : {QString::fromStdString(recipe.name), RecipeRowContent::of(recipe).kindLine}) {
        const test::ShownText* shown = test::findText(texts, line);
        ASSERT_NE(shown, nullptr) << line.toStdString();
        EXPECT_GT(QFontMetricsF(shown->font).horizontalAdvance(line), shown->label->width());
        EXPECT_TRUE(shown->shown.endsWith(QChar(0x2026))) << shown->shown.toStdString();
        EXPECT_LE(shown->shownWidth(), shown->label->width());
        EXPECT_GT(shown->label->width(), 40);
    }
}

TEST_F(HistoryEditorTest, OpenAppliesTheRowsRecipe) {
    DesignRecipe stored = gradientRecipe(*model, 7, "spiral");
    model->setRecipeHistory({stored});
    auto& editor = show();
    test::click(editor.rows()[0]->openButton());
    EXPECT_EQ(model->paletteIndex(), 7);
    EXPECT_EQ(model->shape(), NotchShape::spiral);
}

TEST_F(HistoryEditorTest, RowExportTakesTheLiveDesignForTheRowOnScreenElseTheStoredRecipe) {
    DesignRecipe other = gradientRecipe(*model, 7, "spiral");
    other.name = "Other";
    DesignRecipe current = model->makeRecipe("Current", false);
    model->setRecipeHistory({current, other});
    auto& editor = show();

    menuItem(editor.rows()[1], QString::fromUtf8("Export Recipe\u2026"))->trigger();
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    menuItem(editor.rows()[0], QString::fromUtf8("Export Recipe\u2026"))->trigger();
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 2u);

    test::TempDir folder;
    harness.dialogs->completeSave(folder.path() / "other.ombriq");
    harness.dialogs->completeSave(folder.path() / "current.ombriq");
    harness.scheduler->runUntilIdle();
    const std::string otherText = fileText(folder.path() / "other.ombriq");
    const std::string currentText = fileText(folder.path() / "current.ombriq");
    // The stored recipe as it is, id and all; the live one as a new snapshot under the row's name.
    EXPECT_NE(otherText.find(other.id.toString()), std::string::npos);
    EXPECT_NE(currentText.find("\"Current\""), std::string::npos);
    EXPECT_EQ(currentText.find(current.id.toString()), std::string::npos);
}

TEST_F(HistoryEditorTest, ImportOmbriqAddsTheChosenRecipeFirstAndAppliesIt) {
    DesignRecipe kept = gradientRecipe(*model, 3, "radial");
    kept.name = "Kept";
    model->setRecipeHistory({kept});
    auto& editor = show();
    RecipeRow* keptRow = editor.rows()[0];

    test::click(test::findNamed(&editor, "Import .ombriq"));
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& request = harness.dialogs->openRequests[0];
    EXPECT_FALSE(request.allowsMultipleSelection);
    EXPECT_EQ(request.allowedTypes, (std::vector<FileDialogs::FileType>{FileDialogs::FileType::recipeDocument,
                                                                         FileDialogs::FileType::json}));

    // A recipe shared by someone else: another palette and shape than on show.
    DesignRecipe shared = gradientRecipe(*model, 7, "spiral");
    shared.name = "Shared";
    ASSERT_NE(model->paletteIndex(), 7);
    test::TempDir folder;
    const auto file = folder.path() / "Shared.ombriq";
    test::writeFile(file, encodeRecipeDocument(shared));
    harness.dialogs->completeOpen({file});
    harness.scheduler->runUntilIdle();
    test::settle();

    ASSERT_EQ(model->recipeHistory().size(), 2u);
    EXPECT_EQ(model->recipeHistory()[0].name, "Shared");
    EXPECT_EQ(model->recipeHistory()[0].id, shared.id);
    EXPECT_EQ(model->paletteIndex(), 7);
    EXPECT_EQ(model->shape(), NotchShape::spiral);
    EXPECT_EQ(model->recipeStatus(), "Imported Shared");
    EXPECT_TRUE(showsText(&editor, "Imported Shared"));
    ASSERT_EQ(editor.rows().size(), 2u);
    EXPECT_EQ(editor.rows()[0]->content().title, "Shared");
    EXPECT_EQ(editor.rows()[1], keptRow) << "the row already there was kept";

    // The same document again is an entry of its own, under a new id.
    test::click(test::findNamed(&editor, "Import .ombriq"));
    harness.dialogs->completeOpen({file});
    harness.scheduler->runUntilIdle();
    test::settle();
    ASSERT_EQ(model->recipeHistory().size(), 3u);
    EXPECT_NE(model->recipeHistory()[0].id, shared.id);
    EXPECT_EQ(model->recipeHistory()[1].id, shared.id);
    EXPECT_EQ(editor.rows().size(), 3u);
}

TEST_F(HistoryEditorTest, ACancelledOrUnreadableImportChangesNothingButTheStatus) {
    DesignRecipe kept = gradientRecipe(*model, 3, "radial");
    model->setRecipeHistory({kept});
    model->setPaletteIndex(5);
    auto& editor = show();
    const std::vector<RecipeRow*> rows = editor.rows();

    test::click(test::findNamed(&editor, "Import .ombriq"));
    harness.dialogs->completeOpen({});
    harness.scheduler->runUntilIdle();
    test::settle();
    EXPECT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->paletteIndex(), 5);
    EXPECT_EQ(model->recipeStatus(), "");
    EXPECT_EQ(editor.rows(), rows);

    // Not a recipe: said so, and nothing else changes.
    test::TempDir folder;
    const auto file = folder.path() / "broken.ombriq";
    test::writeFile(file, "{\"name\": \"half a recipe\"");
    test::click(test::findNamed(&editor, "Import .ombriq"));
    harness.dialogs->completeOpen({file});
    harness.scheduler->runUntilIdle();
    test::settle();
    EXPECT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->paletteIndex(), 5);
    EXPECT_EQ(model->recipeStatus(), "Could not open that recipe");
    EXPECT_TRUE(showsText(&editor, "Could not open that recipe"));
    EXPECT_EQ(editor.rows(), rows);
}

TEST_F(HistoryEditorTest, ExportOmbriqWritesTheDesignAsItWasWhenClicked) {
    model->setPaletteIndex(7);
    model->setShape(NotchShape::spiral);
    auto& editor = show();
    typeInto(editor.nameField(), "Dusk");

    test::click(test::findNamed(&editor, "Export .ombriq"));
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    const auto& request = harness.dialogs->saveRequests[0];
    EXPECT_EQ(request.suggestedFileName, "Dusk.ombriq");
    EXPECT_EQ(request.allowedTypes, std::vector<FileDialogs::FileType>{FileDialogs::FileType::recipeDocument});
    // A change made while the dialog is up is not part of what was exported.
    model->setPaletteIndex(2);

    test::TempDir folder;
    const auto file = folder.path() / "Dusk.ombriq";
    harness.dialogs->completeSave(file);
    harness.scheduler->runUntilIdle();
    test::settle();
    ASSERT_TRUE(std::filesystem::exists(file));
    const DesignRecipe written = decodeRecipeDocument(fileText(file));
    EXPECT_EQ(written.name, "Dusk");
    EXPECT_EQ(written.paletteIndex, 7);
    EXPECT_EQ(written.shape, "spiral");
    EXPECT_EQ(model->recipeStatus(), "Exported recipe");
    EXPECT_TRUE(showsText(&editor, "Exported recipe"));
    // Exporting does not save into the library.
    EXPECT_TRUE(model->recipeHistory().empty());
    EXPECT_TRUE(editor.rows().empty());
}

TEST_F(HistoryEditorTest, ACancelledExportWritesNothing) {
    auto& editor = show();
    test::click(test::findNamed(&editor, "Export .ombriq"));
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    harness.dialogs->completeSave(std::nullopt);
    harness.scheduler->runUntilIdle();
    test::settle();
    EXPECT_EQ(model->recipeStatus(), "");
    EXPECT_TRUE(model->recipeHistory().empty());

    // A place that cannot be written to (below a plain file) is a failure said as one.
    test::TempDir folder;
    test::writeFile(folder.path() / "plain", "not a folder");
    test::click(test::findNamed(&editor, "Export .ombriq"));
    harness.dialogs->completeSave(folder.path() / "plain" / "design.ombriq");
    harness.scheduler->runUntilIdle();
    test::settle();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "plain" / "design.ombriq"));
    EXPECT_EQ(model->recipeStatus(), "Could not export recipe");
    EXPECT_TRUE(showsText(&editor, "Could not export recipe"));
}

}  // namespace
}  // namespace glimora
