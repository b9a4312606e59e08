// The recipe library file: a JSON array of at most 36 recipes under the
// user's data folder, read once at start-up and rewritten whole on change.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/design_recipe.hpp"

namespace glimora {

inline constexpr std::size_t recipeHistoryLimit = 36;

// Up to 36 recipes with their photos (up to 2048 pixels a side, kept as PNG,
// about 22 MiB of Base64 at most each): far more than one recipe document.
// Larger files are refused unread, and a save never writes one.
inline constexpr std::size_t recipeHistoryFileSizeLimit = std::size_t(1) << 30;

// Receives one log line; the callers route it to the system log.
using LogSink = std::function<void(std::string_view line)>;

// The application owns the file; the screen saver only reads it and must
// never move or copy anything in the user's folder.
enum class RecipeHistoryAccess { readWrite, readOnly };

// dataHome / "Ombriq" / "recipes.json", or nothing without a data folder.
// Pure path computation: no folder is created, nothing is checked.
std::optional<std::filesystem::path> recipeHistoryURL(const std::optional<std::filesystem::path>& dataHome);

struct RecipeHistoryDecoding {
    std::vector<DesignRecipe> recipes;  // the valid ones, in order, at most 36
    std::size_t skipped = 0;            // elements before the 36th valid one that did not decode
    // Elements after the 36th valid one that are no valid recipe either: the
    // list does not need them, but a reader that takes a file only when it
    // holds nothing but recipes does.
    std::size_t invalidPastLimit = 0;
};

// Decodes element by element, logging one line per element that is not a
// valid recipe. Throws RecipeCodingError when the bytes are not a JSON array.
RecipeHistoryDecoding decodeRecipeHistory(std::string_view bytes, const LogSink& log);

// Every valid recipe of the file, in file order, at most 36. Never fails.
// With readWrite access a file that exists but cannot be read as a JSON array
// (or is over 1 GiB) is moved aside to "recipes.json.unreadable-<UTC time>",
// and a file with some unreadable recipes is copied there, so that the next
// save cannot destroy what this version failed to read. Each is logged.
std::vector<DesignRecipe> loadRecipeHistory(const std::optional<std::filesystem::path>& libraryFile,
                                            const LogSink& log,
                                            RecipeHistoryAccess access = RecipeHistoryAccess::readWrite);

// Serialises the first 36 recipes (the part that runs on the main thread);
// nothing when a recipe cannot be encoded, which is logged when a sink is given.
// The log line of a library save that failed, for every writer of the file.
std::string saveFailureLine(const std::string& description);

std::optional<std::string> encodeRecipeHistory(const std::vector<DesignRecipe>& recipes, const LogSink& log = {});

// Creates the folder and replaces the file atomically with the given bytes;
// logs and returns false on failure. `writeFunction` and `openFunction` stand
// in for write(2) and open(2) in tests.
bool writeRecipeHistoryFile(const std::optional<std::filesystem::path>& libraryFile, const std::string& bytes,
                            const LogSink& log, const AtomicFile::WriteFunction& writeFunction = {},
                            const AtomicFile::OpenFunction& openFunction = {});

// The same with the bytes made while they are written (a library of photos
// is hundreds of megabytes). A save that passes 1 GiB is abandoned, logged,
// and leaves the old file. Exceptions of the producer pass on, with the old
// file untouched.
bool writeRecipeHistoryFile(const std::optional<std::filesystem::path>& libraryFile,
                            const AtomicFile::Producer& produce, const LogSink& log,
                            const AtomicFile::WriteFunction& writeFunction = {},
                            const AtomicFile::OpenFunction& openFunction = {});

// encodeRecipeHistory then writeRecipeHistoryFile; true when the file now holds the list
// (also true when there is no library location, as nothing was asked to be written).
bool saveRecipeHistory(const std::vector<DesignRecipe>& recipes,
                       const std::optional<std::filesystem::path>& libraryFile, const LogSink& log,
                       const AtomicFile::WriteFunction& writeFunction = {},
                       const AtomicFile::OpenFunction& openFunction = {});

}  // namespace glimora
