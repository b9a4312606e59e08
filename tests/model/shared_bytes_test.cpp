#include "model/shared_bytes.hpp"

#include <gtest/gtest.h>

#include "model/design_recipe.hpp"
#include "tests/model/recipe_samples.hpp"

namespace glimora {
namespace {

// Recipes are copied freely; their photos must not be, and sharing must
// never make two different photos compare equal or one photo unequal.
TEST(SharedBytes, RecipeCopiesShareThePhotoAndCompareByContent) {
    DesignRecipe recipe = test::fullRecipe();
    recipe.image->pngData = std::vector<std::uint8_t>(1 << 20, 7);
    const DesignRecipe copy = recipe;
    ASSERT_TRUE(copy.image->pngData);
    EXPECT_TRUE(copy.image->pngData->sharesWith(*recipe.image->pngData));
    EXPECT_EQ(copy.image->pngData->data(), recipe.image->pngData->data());
    EXPECT_EQ(copy, recipe);

    DesignRecipe separate = recipe;
    separate.image->pngData = std::vector<std::uint8_t>(1 << 20, 7);
    EXPECT_FALSE(separate.image->pngData->sharesWith(*recipe.image->pngData));
    EXPECT_EQ(separate, recipe) << "equal bytes in two allocations";

    separate.image->pngData = std::vector<std::uint8_t>((1 << 20) - 1, 7);
    EXPECT_NE(separate, recipe);
    separate.image->pngData = std::vector<std::uint8_t>(1 << 20, 8);
    EXPECT_NE(separate, recipe);
    // Replacing a copy's bytes leaves the original's alone.
    EXPECT_EQ(recipe.image->pngData->size(), std::size_t(1) << 20);
    EXPECT_EQ((*recipe.image->pngData)[12345], 7);
}

TEST(SharedBytes, AnEmptyBufferIsNotAMissingOne) {
    const SharedBytes none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(none, std::vector<std::uint8_t>{});
    RecipeImageAsset image;
    EXPECT_FALSE(image.pngData.has_value());
    image.pngData = SharedBytes{};
    EXPECT_TRUE(image.pngData.has_value());
    const SharedBytes some{1, 2, 3};
    EXPECT_NE(none, some);
    EXPECT_EQ(some, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::vector<std::uint8_t>(some.begin(), some.end()), (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace glimora
