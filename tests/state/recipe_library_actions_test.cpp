#include <gtest/gtest.h>

#include <algorithm>

#include "model/recipe_library.hpp"
#include "state/notch_view_model.hpp"
#include "state/recipe_history_loader.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/state/recipe_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::ModelHarness;

// `count` entries with designs of their own; the last `favourites` are favourites.
std::vector<DesignRecipe> library(std::size_t count, std::size_t favourites = 0) {
    std::vector<DesignRecipe> recipes;
    for (std::size_t i = 0; i < count; ++i) {
        DesignRecipe r = test::variedRecipe();
        r.id.bytes[0] = std::uint8_t(i);
        r.id.bytes[1] = 0xEE;
        r.seed = i;
        r.name = "Old " + std::to_string(i);
        r.isFavorite = i + favourites >= count;
        recipes.push_back(r);
    }
    return recipes;
}

std::vector<std::string> namesOf(const std::vector<DesignRecipe>& recipes) {
    std::vector<std::string> names;
    for (const auto& recipe : recipes) names.push_back(recipe.name);
    return names;
}

std::string fileText(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

TEST(RecipeLibraryActions, SavingTheSameDesignTwiceKeepsOneEntryAndItsFavouriteFlag) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setRecipeName("  Evening  ");
    const DesignRecipe first = model->saveToLibrary();
    EXPECT_EQ(first.name, "Evening");
    EXPECT_EQ(model->recipeStatus(), "Saved to library");
    EXPECT_EQ(model->activeRecipeID(), first.id);
    model->toggleFavorite(first.id);
    ASSERT_TRUE(model->recipeHistory().front().isFavorite);

    const DesignRecipe second = model->saveToLibrary("Evening again");
    ASSERT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->recipeHistory().front().id, second.id);
    EXPECT_EQ(model->recipeHistory().front().name, "Evening again");
    EXPECT_TRUE(model->recipeHistory().front().isFavorite);
    EXPECT_EQ(model->activeRecipeID(), second.id);
    EXPECT_EQ(model->recipeName(), "Evening again");

    // A changed design is a new entry, in front.
    model->setHue(10);
    model->saveToLibrary();
    EXPECT_EQ(namesOf(model->recipeHistory()), (std::vector<std::string>{"Evening again", "Evening again"}));
    EXPECT_FALSE(model->recipeHistory().front().isFavorite);
}

TEST(RecipeLibraryActions, ABlankNameSavesUnderTheDesignName) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setRecipeName(" \t\n ");
    const DesignRecipe recipe = model->saveToLibrary();
    EXPECT_EQ(recipe.name, "Ultraviolet \u00B7 Rayfield");
    EXPECT_EQ(model->recipeName(), "Ultraviolet \u00B7 Rayfield");
    // Without posting, the status stays.
    model->setRecipeStatus("before");
    model->setHue(3);
    model->saveToLibrary(std::nullopt, false);
    EXPECT_EQ(model->recipeStatus(), "before");
}

TEST(RecipeLibraryActions, AFullLibraryLosesItsLastEntryThatIsNoFavourite) {
    ModelHarness harness;
    harness.library = library(36, 3);
    const auto model = harness.make();
    model->saveToLibrary("New");
    const auto& entries = model->recipeHistory();
    ASSERT_EQ(entries.size(), 36u);
    EXPECT_EQ(entries.front().name, "New");
    EXPECT_TRUE(std::none_of(entries.begin(), entries.end(), [](const auto& r) { return r.name == "Old 32"; }));
    EXPECT_EQ(entries[32].name, "Old 31");
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [](const auto& r) { return r.isFavorite; }), 3);
}

TEST(RecipeLibraryActions, WithThirtySixFavouritesTheNewDesignStaysAndTheOldestGoes) {
    ModelHarness harness;
    harness.library = library(36, 36);
    const auto model = harness.make();
    const DesignRecipe saved = model->saveToLibrary("New");
    const auto& entries = model->recipeHistory();
    ASSERT_EQ(entries.size(), 36u);
    EXPECT_EQ(entries.front().id, saved.id);
    EXPECT_EQ(entries[1].name, "Old 0");
    EXPECT_EQ(entries.back().name, "Old 34");
    EXPECT_EQ(model->activeRecipeID(), saved.id);
    EXPECT_EQ(model->recipeStatus(), "Saved to library");

    // A favourite added next: "New" is now the only older entry that is no favourite.
    DesignRecipe favourite = model->makeRecipe("Fav", false);
    favourite.seed ^= 1;
    favourite.isFavorite = true;
    model->addRecipeToLibrary(favourite, true);
    EXPECT_EQ(model->recipeHistory().front().name, "Fav");
    EXPECT_EQ(model->recipeHistory()[1].name, "Old 0");
    EXPECT_EQ(model->recipeHistory().back().name, "Old 34");

    // Thirty-seven favourites: the last one goes, never the one just added.
    favourite.seed ^= 2;
    favourite.name = "Fav 2";
    model->addRecipeToLibrary(favourite, true);
    EXPECT_EQ(model->recipeHistory().front().name, "Fav 2");
    EXPECT_EQ(model->recipeHistory().back().name, "Old 33");
}

TEST(RecipeLibraryActions, ThirtySixShufflesReplaceEveryOldEntryButTheFavourites) {
    ModelHarness harness;
    harness.library = library(36, 2);
    const auto model = harness.make();
    for (int i = 0; i < 36; ++i) model->shuffle();
    const auto& entries = model->recipeHistory();
    ASSERT_EQ(entries.size(), 36u);
    EXPECT_EQ(entries[34].name, "Old 34");
    EXPECT_EQ(entries[35].name, "Old 35");
    EXPECT_EQ(model->activeRecipeID(), entries.front().id);
    EXPECT_EQ(entries.front().signature(), model->makeRecipe("", false).signature());
}

TEST(RecipeLibraryActions, OpenFavouriteAndDelete) {
    ModelHarness harness;
    harness.library = library(3);
    harness.library[1].id = harness.library[2].id;  // an old file may hold one id twice
    const auto model = harness.make();
    const Uuid shared = harness.library[1].id;

    model->openRecipe(model->recipeHistory()[1]);
    EXPECT_EQ(model->activeRecipeID(), shared);
    EXPECT_EQ(model->recipeName(), "Old 1");
    EXPECT_EQ(model->recipeStatus(), "Opened Old 1");
    EXPECT_EQ(model->designSeed(), 1u);

    model->toggleFavorite(shared);
    EXPECT_TRUE(model->recipeHistory()[1].isFavorite);
    EXPECT_FALSE(model->recipeHistory()[2].isFavorite);
    model->toggleFavorite(Uuid{});
    EXPECT_EQ(model->recipeHistory().size(), 3u);

    model->deleteRecipe(shared);
    EXPECT_EQ(namesOf(model->recipeHistory()), std::vector<std::string>{"Old 0"});
    EXPECT_FALSE(model->activeRecipeID().has_value());
    EXPECT_EQ(model->recipeStatus(), "Removed from library");

    model->setRecipeStatus("");
    model->deleteRecipe(Uuid{});
    EXPECT_EQ(model->recipeStatus(), "Removed from library");
    EXPECT_EQ(model->recipeHistory().size(), 1u);
}

// The library on disk, through the real loader and writer.
class LibraryOnDisk : public ::testing::Test {
protected:
    test::TempDir root;
    ModelHarness harness;
    std::filesystem::path file = root.path() / "data/Ombriq/recipes.json";

    std::unique_ptr<NotchViewModel> makeModel() {
        harness.paths = std::make_shared<FixedPaths>(root.path());
        auto services = harness.services();
        services.loadRecipeHistory =
            recipeHistoryLoader(harness.paths, harness.logger, RecipeHistoryAccess::readWrite);
        return std::make_unique<NotchViewModel>(services);
    }
};

TEST_F(LibraryOnDisk, ANewModelOnTheSameFolderShowsTheSameList) {
    auto model = makeModel();
    model->saveToLibrary("First");
    model->shuffle();
    model->toggleFavorite(model->recipeHistory().back().id);
    model->shuffle();
    const std::vector<DesignRecipe> list = model->recipeHistory();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(file)) << "written in the background, not on the main thread";
    model.reset();
    // Writes handed over before the model went still happen.
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(list));

    const auto again = makeModel();
    EXPECT_EQ(again->recipeHistory(), list);
    EXPECT_TRUE(harness.logger->lines.empty());
}

TEST_F(LibraryOnDisk, ANewerSaveSupersedesOneNotYetWritten) {
    const auto model = makeModel();
    model->saveToLibrary("One");
    model->setHue(50);
    model->saveToLibrary("Two");
    model->deleteRecipe(model->recipeHistory().back().id);
    EXPECT_EQ(harness.scheduler->pendingBackground(), 1u);
    harness.scheduler->runBackground();
    EXPECT_EQ(harness.scheduler->pendingPosted(), 1u) << "one write, one outcome";
    harness.scheduler->runPosted();
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(model->recipeHistory()));
    EXPECT_EQ(model->recipeStatus(), "Removed from library");

    // A save after the write started is written after it.
    model->setHue(60);
    model->saveToLibrary("Three");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(model->recipeHistory()));
}

TEST_F(LibraryOnDisk, PhotoBytesAreMadeInTheBackgroundAndReachBothListAndFile) {
    const auto model = makeModel();
    model->setImageAssets({{Uuid{}, "a.png", test::solidImage(8, 6), std::nullopt, {}},
                           {Uuid{}, "b.png", test::solidImage(5, 9), std::nullopt, {}}});
    model->setWallpaperSource(WallpaperSource::image);
    model->shuffle();
    const Uuid first = model->recipeHistory().front().id;
    const std::string firstPhoto = model->currentImageAsset()->fileName;
    ASSERT_TRUE(model->recipeHistory().front().image.has_value());
    EXPECT_FALSE(model->recipeHistory().front().image->pngData.has_value()) << "not made on the main thread";
    model->toggleFavorite(first);  // a new text for the entry before its bytes are there
    harness.scheduler->runUntilIdle();

    const DesignRecipe& entry = model->recipeHistory().front();
    EXPECT_EQ(entry.id, first);
    EXPECT_EQ(entry.image->pngData, model->currentImageAsset()->buffer.pngData());
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(model->recipeHistory()));

    // Back on a photo whose bytes are known: they are in the entry at once.
    model->shuffle();
    model->shuffle();
    ASSERT_EQ(model->currentImageAsset()->fileName, firstPhoto);
    EXPECT_EQ(model->recipeHistory().front().image->pngData, model->currentImageAsset()->buffer.pngData());
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(model->recipeHistory()));
    EXPECT_EQ(makeModel()->recipeHistory(), model->recipeHistory());
}

TEST_F(LibraryOnDisk, APhotoNameSpeltEitherWayIsOneDesignAndKeepsItsOwnBytes) {
    const auto model = makeModel();
    const PixelImageBuffer picture = test::solidImage(4, 3);
    const auto show = [&](const std::string& name) {
        model->setImageAssets({{Uuid{}, name, picture, std::nullopt, {}}});
        model->setWallpaperSource(WallpaperSource::image);
    };
    // "Café.png" precomposed, then with e and a combining acute, as a
    // document from another system may name it.
    show("Caf\u00E9.png");
    model->saveToLibrary("Composed");
    model->toggleFavorite(model->recipeHistory().front().id);
    show("Cafe\u0301.png");
    model->saveToLibrary("Decomposed");
    ASSERT_EQ(namesOf(model->recipeHistory()), std::vector<std::string>{"Decomposed"});
    EXPECT_TRUE(model->recipeHistory().front().isFavorite);
    EXPECT_EQ(model->recipeHistory().front().image->fileName, "Cafe\u0301.png");

    // Hangul syllables and their jamo; a Vietnamese name with two marks on a letter.
    show("\uD55C\uAE00.png");
    model->saveToLibrary("Hangul");
    show("\u1112\u1161\u11AB\u1100\u1173\u11AF.png");
    model->saveToLibrary("Hangul again");
    show("Vi\u1EC7t.png");
    model->saveToLibrary("Viet");
    show("Vie\u0302\u0323t.png");
    model->saveToLibrary("Viet again");
    EXPECT_EQ(namesOf(model->recipeHistory()),
              (std::vector<std::string>{"Viet again", "Hangul again", "Decomposed"}));

    // Other letters are other designs; the same bytes are the same design.
    show("Cafe.png");
    model->saveToLibrary("Plain");
    show("Caf\u00E8.png");
    model->saveToLibrary("Grave");
    model->saveToLibrary("Grave again");
    EXPECT_EQ(namesOf(model->recipeHistory()),
              (std::vector<std::string>{"Grave again", "Plain", "Viet again",
                                        "Hangul again", "Decomposed"}));

    // The file keeps every name as it was given.
    harness.scheduler->runUntilIdle();
    const auto reloaded = makeModel()->recipeHistory();
    ASSERT_EQ(reloaded.size(), 5u);
    EXPECT_EQ(reloaded[2].image->fileName, "Vie\u0302\u0323t.png");
    EXPECT_EQ(reloaded[4].image->fileName, "Cafe\u0301.png");
}

TEST_F(LibraryOnDisk, ADamagedLibraryIsMovedAsideAndNeverOverwritten) {
    test::writeFile(file, "[{\"id\": oops");
    const auto model = makeModel();
    EXPECT_TRUE(model->recipeHistory().empty());
    model->saveToLibrary("Fresh");
    harness.scheduler->runUntilIdle();

    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().starts_with("recipes.json.unreadable-")) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fileText(aside.front()), "[{\"id\": oops");
    EXPECT_EQ(makeModel()->recipeHistory(), model->recipeHistory());
}

TEST_F(LibraryOnDisk, AFailedWriteIsReportedNotCalledASuccess) {
    // A file where the library's folder should be: the folder cannot be made.
    test::writeFile(root.path() / "data/Ombriq", "in the way");
    const auto model = makeModel();
    harness.logger->lines.clear();
    model->saveToLibrary("Lost");
    EXPECT_EQ(model->recipeStatus(), "Saved to library");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->recipeStatus(), "Could not save library");
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    EXPECT_TRUE(harness.logger->lines[0].starts_with("Ombriq recipe history could not be saved: "));
    EXPECT_EQ(model->recipeHistory().size(), 1u) << "the list in memory stays";

    // Shuffles report it too, though they post no status of their own.
    model->setRecipeStatus("");
    model->shuffle();
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->recipeStatus(), "Could not save library");
}

TEST_F(LibraryOnDisk, WithoutASchedulerFailuresAreKnownAtOnce) {
    test::writeFile(root.path() / "data/Ombriq", "in the way");
    harness.paths = std::make_shared<FixedPaths>(root.path());
    auto services = harness.services();
    services.scheduler = nullptr;
    NotchViewModel model(services);
    harness.logger->lines.clear();
    model.saveToLibrary("Lost");
    EXPECT_EQ(model.recipeStatus(), "Could not save library");
    model.deleteRecipe(model.recipeHistory().front().id);
    EXPECT_EQ(model.recipeStatus(), "Could not save library");
    EXPECT_EQ(harness.logger->lines.size(), 2u);

    std::filesystem::remove(root.path() / "data/Ombriq");
    model.saveToLibrary("Kept");
    EXPECT_EQ(model.recipeStatus(), "Saved to library");
    EXPECT_EQ(fileText(file), *encodeRecipeHistory(model.recipeHistory()));
}

TEST_F(LibraryOnDisk, ARecipeThatCannotBeWrittenFailsTheSaveAndSaysSo) {
    const auto model = makeModel();
    model->setHue(std::numeric_limits<double>::quiet_NaN());
    model->saveToLibrary("Broken");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->recipeStatus(), "Could not save library");
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    EXPECT_TRUE(harness.logger->lines[0].starts_with("Ombriq recipe history could not be saved: "));
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace glimora
