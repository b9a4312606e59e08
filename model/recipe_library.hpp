// The recipe library file: a JSON array of at most 36 recipes under the
// user's data folder, read once at start-up and rewritten whole on change.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/design_recipe.hpp"

namespace glimora {

inline constexpr std::size_t recipeHistoryLimit = 36;

// Receives one log line; the callers route it to the system log.
using LogSink = std::function<void(std::string_view line)>;

// dataHome / "Ombriq" / "recipes.json", or nothing without a data folder.
// Pure path computation: no folder is created, nothing is checked.
std::optional<std::filesystem::path> recipeHistoryURL(const std::optional<std::filesystem::path>& dataHome);

// Every valid recipe of the file, in file order, at most 36. Never fails.
std::vector<DesignRecipe> loadRecipeHistory(const std::optional<std::filesystem::path>& libraryFile,
                                            const LogSink& log);

// Serialises the first 36 recipes (the part that runs on the main thread);
// nothing when a recipe cannot be encoded.
std::optional<std::string> encodeRecipeHistory(const std::vector<DesignRecipe>& recipes);

// Replaces the file atomically with the given bytes; logs and returns false on failure.
bool writeRecipeHistoryFile(const std::optional<std::filesystem::path>& libraryFile, const std::string& bytes,
                            const LogSink& log);

// encodeRecipeHistory then writeRecipeHistoryFile; true when the file now holds the list
// (also true when there is no library location, as nothing was asked to be written).
bool saveRecipeHistory(const std::vector<DesignRecipe>& recipes,
                       const std::optional<std::filesystem::path>& libraryFile, const LogSink& log);

}  // namespace glimora
