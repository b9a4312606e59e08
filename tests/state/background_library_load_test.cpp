// The application reads its library in the background so that start-up never
// waits for hundreds of megabytes of photos; nothing the user does meanwhile
// may cost a recipe of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "model/recipe_library.hpp"
#include "state/recipe_history_loader.hpp"
#include "tests/model/recipe_samples.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::ModelHarness;

std::vector<DesignRecipe> storedRecipes(std::size_t count, std::size_t favoriteEvery = 0) {
    std::vector<DesignRecipe> recipes;
    for (std::size_t i = 0; i < count; ++i) {
        DesignRecipe r = test::requiredOnlyRecipe();
        r.id.bytes[0] = std::uint8_t(i + 1);
        r.id.bytes[1] = 0xEE;
        r.name = "Stored " + std::to_string(i);
        r.seed = 1000 + i;
        r.isFavorite = favoriteEvery != 0 && i % favoriteEvery == 0;
        recipes.push_back(std::move(r));
    }
    return recipes;
}

std::vector<std::string> namesOf(const std::vector<DesignRecipe>& recipes) {
    std::vector<std::string> names;
    for (const auto& recipe : recipes) names.push_back(recipe.name);
    return names;
}

class BackgroundLibraryLoad : public ::testing::Test {
protected:
    test::TempDir root;
    ModelHarness harness;
    std::filesystem::path file = root.path() / "data/Ombriq/recipes.json";

    std::unique_ptr<NotchViewModel> makeModel(bool background = true) {
        harness.paths = std::make_shared<FixedPaths>(root.path());
        auto services = harness.services();
        services.loadRecipeHistory =
            recipeHistoryLoader(harness.paths, harness.logger, RecipeHistoryAccess::readWrite);
        services.loadRecipeHistoryInBackground = background;
        return std::make_unique<NotchViewModel>(services);
    }

    std::vector<DesignRecipe> onDisk() { return loadRecipeHistory(file, {}, RecipeHistoryAccess::readOnly); }
};

TEST_F(BackgroundLibraryLoad, TheListArrivesOnTheMainThreadAfterTheBackgroundReadAndNothingIsWritten) {
    const auto stored = storedRecipes(3);
    ASSERT_TRUE(saveRecipeHistory(stored, file, {}));
    const auto before = std::filesystem::last_write_time(file);
    auto model = makeModel();
    std::vector<std::string> changes;
    model->onChange([&](NotchViewModel::Prop prop) { changes.emplace_back(NotchViewModel::propName(prop)); });

    EXPECT_TRUE(model->isLoadingRecipeHistory());
    EXPECT_TRUE(model->recipeHistory().empty());
    harness.scheduler->runBackground();
    EXPECT_TRUE(model->recipeHistory().empty()) << "the list is handed over on the main thread only";
    EXPECT_TRUE(changes.empty());
    harness.scheduler->runPosted();
    EXPECT_FALSE(model->isLoadingRecipeHistory());
    EXPECT_EQ(model->recipeHistory(), stored);
    EXPECT_EQ(changes, std::vector<std::string>{"recipeHistory"});

    harness.scheduler->runUntilIdle();
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
    EXPECT_EQ(onDisk(), stored);
}

TEST_F(BackgroundLibraryLoad, WithoutTheChoiceOrASchedulerTheListIsThereAtOnce) {
    const auto stored = storedRecipes(2);
    ASSERT_TRUE(saveRecipeHistory(stored, file, {}));
    EXPECT_EQ(makeModel(false)->recipeHistory(), stored);

    harness.paths = std::make_shared<FixedPaths>(root.path());
    auto services = harness.services();
    services.loadRecipeHistory = recipeHistoryLoader(harness.paths, harness.logger, RecipeHistoryAccess::readWrite);
    services.loadRecipeHistoryInBackground = true;
    services.scheduler = nullptr;
    const NotchViewModel model(services);
    EXPECT_FALSE(model.isLoadingRecipeHistory());
    EXPECT_EQ(model.recipeHistory(), stored);
}

// A save before the file is read would replace the whole library with the
// one new recipe; it waits, and the new recipe joins the list that was read.
TEST_F(BackgroundLibraryLoad, RecipesSavedMeanwhileJoinTheLibraryInsteadOfReplacingIt) {
    const auto stored = storedRecipes(4);
    ASSERT_TRUE(saveRecipeHistory(stored, file, {}));
    auto model = makeModel();
    model->saveToLibrary("Made early");
    model->shuffle();
    model->saveToLibrary("Made next");
    EXPECT_EQ(model->recipeStatus(), "Saved to library");
    harness.scheduler->runBackground();
    EXPECT_EQ(onDisk(), stored) << "nothing is written before the library is in";

    harness.scheduler->runUntilIdle();
    const std::vector<std::string> expected{"Made next", "Made early", "Stored 0", "Stored 1", "Stored 2", "Stored 3"};
    EXPECT_EQ(namesOf(model->recipeHistory()), expected);
    EXPECT_EQ(onDisk(), model->recipeHistory());
    EXPECT_FALSE(model->isLoadingRecipeHistory());
    EXPECT_EQ(model->activeRecipeID(), model->recipeHistory().front().id);
}

TEST_F(BackgroundLibraryLoad, WithoutADataFolderTheRecipesMadeMeanwhileStayInTheList) {
    harness.library = storedRecipes(2);
    auto services = harness.services();  // no data folder: nothing is ever written
    services.loadRecipeHistoryInBackground = true;
    NotchViewModel model(services);
    model.saveToLibrary("Made early");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(namesOf(model.recipeHistory()), (std::vector<std::string>{"Made early", "Stored 0", "Stored 1"}));
    EXPECT_EQ(harness.libraryLoads, 1);
}

TEST_F(BackgroundLibraryLoad, AFullLibraryMakesRoomAsIfTheRecipeWereSavedAfterwards) {
    // Every other stored recipe is a favourite: the last one that is not goes.
    const auto stored = storedRecipes(recipeHistoryLimit, 2);
    ASSERT_TRUE(saveRecipeHistory(stored, file, {}));
    auto model = makeModel();
    model->saveToLibrary("Newest");
    harness.scheduler->runUntilIdle();

    const auto& list = model->recipeHistory();
    ASSERT_EQ(list.size(), recipeHistoryLimit);
    EXPECT_EQ(list.front().name, "Newest");
    EXPECT_EQ(list.back().name, "Stored 34");
    EXPECT_TRUE(std::none_of(list.begin(), list.end(), [](const auto& r) { return r.name == "Stored 35"; }));
    EXPECT_EQ(onDisk(), list);
}

TEST_F(BackgroundLibraryLoad, SavingTheSameDesignAgainReplacesItsStoredCopyAndKeepsTheFavourite) {
    auto first = makeModel(false);
    const DesignRecipe saved = first->saveToLibrary("Once");
    first->toggleFavorite(saved.id);
    harness.scheduler->runUntilIdle();
    first.reset();
    ASSERT_EQ(onDisk().size(), 1u);

    auto model = makeModel();
    model->openRecipe(saved);
    model->saveToLibrary("Twice");
    harness.scheduler->runUntilIdle();
    ASSERT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->recipeHistory()[0].name, "Twice");
    EXPECT_TRUE(model->recipeHistory()[0].isFavorite);
    EXPECT_EQ(onDisk(), model->recipeHistory());
}

TEST_F(BackgroundLibraryLoad, AModelGoneBeforeTheListArrivesIsLeftAlone) {
    ASSERT_TRUE(saveRecipeHistory(storedRecipes(2), file, {}));
    auto model = makeModel();
    harness.scheduler->runBackground();
    model.reset();
    harness.scheduler->runUntilIdle();  // must not touch the model that is gone
    EXPECT_EQ(onDisk(), storedRecipes(2));

    model = makeModel();
    model.reset();
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(onDisk(), storedRecipes(2));
}

}  // namespace
}  // namespace glimora
