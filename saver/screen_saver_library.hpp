// The recipes the screen saver cycles: the application's library, read only.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
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

// How one library file read.
enum class LibraryCandidateReading {
    unreadable,  // missing, unreadable, too big, not a JSON array, or given up
    damaged,     // a JSON array, but some element is no valid recipe
    whole,       // a JSON array of valid recipes only
};

// Reads one library file a piece at a time, giving each valid recipe (at
// most 36) to `sink` as it is decoded. What was given is the library only
// when the file turns out whole. Gives up at the next piece once `cancelled`
// is set.
LibraryCandidateReading readLibraryCandidate(const std::filesystem::path& file, const RecipeHistorySink& sink,
                                             const std::atomic<bool>& cancelled);

// Reads one candidate file into a sink (readLibraryCandidate, or a test's
// stand-in). Should give up soon after `cancelled` becomes true.
using LibraryCandidateReader = std::function<LibraryCandidateReading(
    const std::filesystem::path& candidate, const RecipeHistorySink& sink, const std::atomic<bool>& cancelled)>;

// What choosing the library says while the candidates are read.
struct LibraryChoiceSink {
    // The next recipe of the file being read.
    std::function<void(DesignRecipe&&)> recipe;
    // That file is no library after all: forget the recipes it gave.
    std::function<void()> discarded;
};

// The library, chosen while the candidates are read in order: the first
// candidate that is whole wins, even when it is empty, so a damaged copy
// never shadows a sound one behind it. When none is, the valid recipes of the
// first damaged one that has any are given again at the end: one bad entry
// does not hide the rest of the user's designs. At most 36 recipes of a file
// are given. What was given and not discarded is the library once this
// returns true; false when `cancelled` cut it short. Nothing is logged,
// moved or written.
bool chooseLibrary(const std::vector<std::filesystem::path>& candidates, const LibraryCandidateReader& reader,
                   const LibraryChoiceSink& sink, const std::atomic<bool>& cancelled);

// The library chosen (chooseLibrary), read whole; empty when no candidate
// holds a recipe.
std::vector<DesignRecipe> loadRecipeHistoryCandidates(const std::vector<std::filesystem::path>& candidates);

// The recipes to cycle: with "favoritesOnly" on, the favourites in their
// order, or all of them when none is a favourite.
std::vector<DesignRecipe> loadScreenSaverRecipes(std::vector<DesignRecipe> all, const Preferences& settings);

}  // namespace glimora
