#include "state/recipe_history_loader.hpp"

#include <gtest/gtest.h>

#include "tests/model/recipe_samples.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

TEST(RecipeHistoryLoader, ModelStartsWithTheLibraryUnderTheDataFolder) {
    const test::TempDir root;
    auto paths = std::make_shared<FixedPaths>(root.path());
    const auto file = recipeHistoryURL(paths->dataHome());
    ASSERT_EQ(file, root.path() / "data/Ombriq/recipes.json");
    const std::vector<DesignRecipe> saved{test::fullRecipe(), test::requiredOnlyRecipe()};
    ASSERT_TRUE(saveRecipeHistory(saved, file, {}));

    test::ModelHarness harness;
    auto services = harness.services();
    services.loadRecipeHistory = recipeHistoryLoader(paths, harness.logger, RecipeHistoryAccess::readWrite);
    const NotchViewModel model(services);
    EXPECT_EQ(model.recipeHistory(), saved);
    EXPECT_TRUE(harness.logger->lines.empty());
}

TEST(RecipeHistoryLoader, MissingOrBrokenLibraryStartsEmptyAndAReaderLeavesTheFileAlone) {
    const test::TempDir root;
    auto paths = std::make_shared<FixedPaths>(root.path());
    test::ModelHarness harness;
    auto services = harness.services();
    services.loadRecipeHistory = recipeHistoryLoader(paths, harness.logger, RecipeHistoryAccess::readOnly);
    EXPECT_TRUE(NotchViewModel(services).recipeHistory().empty());

    const auto file = *recipeHistoryURL(paths->dataHome());
    test::writeFile(file, "not json");
    EXPECT_TRUE(NotchViewModel(services).recipeHistory().empty());
    EXPECT_FALSE(harness.logger->lines.empty());
    EXPECT_TRUE(std::filesystem::exists(file));

    services.loadRecipeHistory = recipeHistoryLoader(std::make_shared<FixedPaths>(std::nullopt), harness.logger,
                                                     RecipeHistoryAccess::readOnly);
    EXPECT_TRUE(NotchViewModel(services).recipeHistory().empty());
}

}  // namespace
}  // namespace glimora
