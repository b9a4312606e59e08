#include <gtest/gtest.h>

#include "model/recipe_json.hpp"
#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/state/recipe_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using FileType = FileDialogs::FileType;

class RecipeDocuments : public ::testing::Test {
protected:
    test::TempDir root;
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model;

    void SetUp() override {
        harness.paths = std::make_shared<FixedPaths>(root.path());
        model = harness.make();
    }

    std::filesystem::path writeDocument(const std::string& name, const DesignRecipe& recipe) {
        const auto file = root.path() / name;
        test::writeFile(file, encodeRecipeDocument(recipe));
        return file;
    }

    void import(const std::filesystem::path& file) {
        model->chooseRecipeToImport();
        harness.dialogs->completeOpen({file});
    }
};

TEST_F(RecipeDocuments, ExportOffersTheRecipeDocumentAndWritesTheDesignAsItWasWhenAsked) {
    model->setRecipeName("  Harbour / dawn ");
    model->exportCurrentRecipe();
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    const auto& options = harness.dialogs->saveRequests[0];
    EXPECT_TRUE(options.canCreateDirectories);
    EXPECT_FALSE(options.isExtensionHidden);
    EXPECT_EQ(options.allowedTypes, std::vector<FileType>{FileType::recipeDocument});
    EXPECT_EQ(options.suggestedFileName, "Harbour  dawn.ombriq");
    EXPECT_EQ(options.prompt, "Export Recipe");
    EXPECT_EQ(options.message, "Save this design as a portable Ombriq recipe.");
    EXPECT_EQ(options.directory, root.path() / "Downloads");

    const std::string expected = model->makeRecipe("", false).signature();
    model->setHue(99);  // after the panel opened: not part of the export
    const auto file = root.path() / "out.ombriq";
    harness.dialogs->completeSave(file);
    EXPECT_EQ(model->recipeStatus(), "Exported recipe");
    const auto bytes = test::readFile(file);
    const DesignRecipe written = decodeRecipeDocument(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(written.name, "  Harbour / dawn ");
    EXPECT_EQ(written.signature(), expected);
    EXPECT_TRUE(model->recipeHistory().empty()) << "exporting leaves the library alone";
}

TEST_F(RecipeDocuments, APhotoDesignIsExportedWithItsPhoto) {
    const PixelImageBuffer picture = test::solidImage(6, 4);
    model->setImageAssets({{Uuid{}, "pier.png", picture, std::nullopt, {0.3, 0.6, 1.25}}});
    model->setWallpaperSource(WallpaperSource::image);
    model->exportCurrentRecipe();
    EXPECT_EQ(harness.dialogs->saveRequests[0].suggestedFileName, "Pier Png.ombriq");
    // Whether or not the background has made the PNG yet, the document has it.
    harness.dialogs->completeSave(root.path() / "pier.ombriq");
    const auto bytes = test::readFile(root.path() / "pier.ombriq");
    const DesignRecipe written = decodeRecipeDocument(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(written.image.has_value());
    EXPECT_EQ(written.image->fileName, "pier.png");
    EXPECT_EQ(written.image->cropZoom, 1.25);
    EXPECT_EQ(written.image->pngData, picture.pngData());
    harness.scheduler->runUntilIdle();
}

TEST_F(RecipeDocuments, ExportWithoutANameUsesTheDesignNameAndCancelDoesNothing) {
    model->exportCurrentRecipe();
    EXPECT_EQ(harness.dialogs->saveRequests[0].suggestedFileName, "Ultraviolet  Rayfield.ombriq");
    model->setRecipeStatus("unchanged");
    harness.dialogs->completeSave(std::nullopt);
    EXPECT_EQ(model->recipeStatus(), "unchanged");

    // The model may be gone when the panel closes.
    model->exportCurrentRecipe();
    model.reset();
    harness.dialogs->completeSave(root.path() / "late.ombriq");
    EXPECT_FALSE(std::filesystem::exists(root.path() / "late.ombriq"));
}

TEST_F(RecipeDocuments, AFailedExportSaysSoAndLogsWhy) {
    model->exportCurrentRecipe();
    harness.dialogs->completeSave(root.path() / "missing-folder/out.ombriq");
    EXPECT_EQ(model->recipeStatus(), "Could not export recipe");
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    EXPECT_TRUE(harness.logger->lines[0].starts_with("Ombriq recipe export failed: "));

    DesignRecipe unwritable = test::variedRecipe();
    unwritable.hue = std::numeric_limits<double>::infinity();
    model->writeRecipe(root.path() / "inf.ombriq", unwritable);
    EXPECT_EQ(model->recipeStatus(), "Could not export recipe");
    EXPECT_FALSE(std::filesystem::exists(root.path() / "inf.ombriq"));
}

TEST_F(RecipeDocuments, ImportAddsOpensAndNamesTheRecipe) {
    DesignRecipe recipe = test::variedRecipe();
    recipe.name = "  Shared design\n";
    recipe.isFavorite = true;
    const auto file = writeDocument("shared.json", recipe);
    import(file);

    const auto& options = harness.dialogs->openRequests[0];
    EXPECT_TRUE(options.canChooseFiles);
    EXPECT_FALSE(options.canChooseDirectories);
    EXPECT_FALSE(options.allowsMultipleSelection);
    EXPECT_EQ(options.allowedTypes, (std::vector<FileType>{FileType::recipeDocument, FileType::json}));
    EXPECT_EQ(options.prompt, "Import Recipe");
    EXPECT_EQ(options.message, "Open a Ombriq recipe to restore its exact design.");
    EXPECT_EQ(options.directory, root.path() / "Downloads");

    ASSERT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->recipeHistory()[0], recipe) << "kept whole: id, name, date and favourite flag";
    EXPECT_EQ(model->activeRecipeID(), recipe.id);
    EXPECT_EQ(model->recipeName(), "Shared design");
    EXPECT_EQ(model->recipeStatus(), "Imported Shared design");
    EXPECT_EQ(model->makeRecipe("", false).signature(), recipe.signature());
}

TEST_F(RecipeDocuments, ImportingTheSameDocumentTwiceGivesTwoEntriesWithTwoIds) {
    DesignRecipe recipe = test::variedRecipe();
    recipe.name = "   ";
    const auto file = writeDocument("twice.ombriq", recipe);
    import(file);
    import(file);
    const auto& entries = model->recipeHistory();
    ASSERT_EQ(entries.size(), 2u) << "imports never replace";
    EXPECT_NE(entries[0].id, entries[1].id);
    EXPECT_EQ(entries[1].id, recipe.id);
    EXPECT_EQ(model->activeRecipeID(), entries[0].id);
    EXPECT_EQ(model->recipeStatus(), "Imported Untitled design");

    // Each id now acts on one entry only.
    model->toggleFavorite(entries[0].id);
    EXPECT_TRUE(model->recipeHistory()[0].isFavorite);
    EXPECT_FALSE(model->recipeHistory()[1].isFavorite);
    model->deleteRecipe(recipe.id);
    EXPECT_EQ(model->recipeHistory().size(), 1u);
}

TEST_F(RecipeDocuments, DocumentsThatAreNoRecipeChangeNothing) {
    model->setHue(12);
    const auto before = model->makeRecipe("", false).signature();
    DesignRecipe valid = test::variedRecipe();
    std::string withoutShape = encodeRecipeDocument(valid);
    withoutShape.replace(withoutShape.find("\"shape\""), 7, "\"shapes\"");
    const std::vector<std::pair<std::string, std::string>> documents{
        {"text.ombriq", "not a recipe"},
        {"array.json", "[" + encodeRecipeDocument(valid) + "]"},
        {"missing-key.ombriq", withoutShape},
        {"huge-number.ombriq", std::string(encodeRecipeDocument(valid)).replace(
                                   encodeRecipeDocument(valid).find("\"hue\": 40.0"), 11, "\"hue\": 1e400")},
    };
    for (const auto& [name, text] : documents) {
        harness.logger->lines.clear();
        test::writeFile(root.path() / name, text);
        import(root.path() / name);
        EXPECT_EQ(model->recipeStatus(), "Could not open that recipe") << name;
        ASSERT_EQ(harness.logger->lines.size(), 1u) << name;
        EXPECT_TRUE(harness.logger->lines[0].starts_with("Ombriq recipe import failed: ")) << name;
    }
    import(root.path() / "no-such-file.ombriq");
    EXPECT_EQ(model->recipeStatus(), "Could not open that recipe");
    EXPECT_TRUE(model->recipeHistory().empty());
    EXPECT_EQ(model->makeRecipe("", false).signature(), before);

    model->setRecipeStatus("unchanged");
    model->chooseRecipeToImport();
    harness.dialogs->completeOpen({});
    EXPECT_EQ(model->recipeStatus(), "unchanged");
}

TEST_F(RecipeDocuments, ADocumentOverSixtyFourMebibytesIsRefusedUnread) {
    const auto file = writeDocument("big.ombriq", test::variedRecipe());
    // Sparse: the size is there, the bytes are not; a reader would find a valid
    // recipe followed by zeros.
    std::filesystem::resize_file(file, recipeFileSizeLimit + 1);
    import(file);
    EXPECT_EQ(model->recipeStatus(), "Could not open that recipe");
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    EXPECT_NE(harness.logger->lines[0].find("larger than 64 MiB"), std::string::npos) << harness.logger->lines[0];
    EXPECT_TRUE(model->recipeHistory().empty());
}

TEST(RecipeFileName, FromTheDisplayName) {
    DesignRecipe recipe = test::variedRecipe();
    recipe.name = "  Night: shift?  ";
    EXPECT_EQ(NotchViewModel::recipeFileName(recipe), "Night shift.ombriq");
    recipe.name = "\u00B7\u00B7\u00B7";
    EXPECT_EQ(NotchViewModel::recipeFileName(recipe), "Ombriq-recipe.ombriq");
    recipe.name = "";
    EXPECT_EQ(NotchViewModel::recipeFileName(recipe), "Untitled design.ombriq");
}

}  // namespace
}  // namespace glimora
