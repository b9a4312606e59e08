// The recipes the screen saver cycles: the application's library, read only.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "model/design_recipe.hpp"
#include "model/recipe_history_stream.hpp"
#include "platform/preferences.hpp"

namespace glimora {

// The application's identifier, as a sandboxed (Flatpak) install names its data folder.
inline constexpr std::string_view applicationIdentifier = "com.kestrune.app.murmel.glimora";

// The library files to try, in order: the sandboxed application's copy
// ~/.var/app/<application id>/data/Ombriq/recipes.json, then the one under
// the XDG data folder. A missing home or data folder leaves its entry out.
std::vector<std::filesystem::path> recipeHistoryCandidates(const std::optional<std::filesystem::path>& home,
                                                           const std::optional<std::filesystem::path>& dataHome);

// Reads one library file a piece at a time, giving each valid recipe (at
// most 36) to `sink` as it is decoded; true when the whole file read and
// decoded as a JSON array. Gives up at the next piece once `cancelled` is set.
bool readLibraryCandidate(const std::filesystem::path& file, const RecipeHistorySink& sink,
                          const std::atomic<bool>& cancelled);

// The first candidate that reads and decodes as a JSON array of recipes wins,
// even when it is empty; at most the first 36 valid recipes. Nothing readable:
// an empty list. Nothing is logged, moved or written.
std::vector<DesignRecipe> loadRecipeHistoryCandidates(const std::vector<std::filesystem::path>& candidates);

// The recipes to cycle: with "favoritesOnly" on, the favourites in their
// order, or all of them when none is a favourite.
std::vector<DesignRecipe> loadScreenSaverRecipes(std::vector<DesignRecipe> all, const Preferences& settings);

}  // namespace glimora
