#include "saver/screen_saver_library.hpp"

#include <string>

#include "model/recipe_library.hpp"
#include "platform/file_read.hpp"
#include "saver/screen_saver_settings.hpp"

namespace glimora {

std::vector<std::filesystem::path> recipeHistoryCandidates(const std::optional<std::filesystem::path>& home,
                                                           const std::optional<std::filesystem::path>& dataHome) {
    std::vector<std::filesystem::path> candidates;
    if (home && !home->empty())
        candidates.push_back(*home / ".var" / "app" / std::string(applicationIdentifier) / "data" / "Ombriq" /
                             "recipes.json");
    if (const auto own = recipeHistoryURL(dataHome)) candidates.push_back(*own);
    return candidates;
}

std::vector<DesignRecipe> loadRecipeHistoryCandidates(const std::vector<std::filesystem::path>& candidates) {
    for (const auto& candidate : candidates) {
        auto bytes = readFileLimited(candidate, recipeHistoryFileSizeLimit);
        if (!bytes) continue;
        try {
            const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
            auto decoding = decodeRecipeHistory(text, {});
            return std::move(decoding.recipes);
        } catch (const std::exception&) {
            // Not a JSON array of recipes (or no memory for it): the next one.
        }
    }
    return {};
}

std::vector<DesignRecipe> loadScreenSaverRecipes(std::vector<DesignRecipe> all, const Preferences& settings) {
    if (!favoritesOnly(settings)) return all;
    std::vector<DesignRecipe> favorites;
    for (auto& recipe : all)
        if (recipe.isFavorite) favorites.push_back(std::move(recipe));
    if (!favorites.empty()) return favorites;
    // Nothing was moved out when no recipe is a favourite.
    return all;
}

}  // namespace glimora
