// Decoding the library file as its bytes arrive: the elements of the array are
// cut out one at a time and decoded on their own, so that a library of photo
// recipes (hundreds of megabytes of Base64) is never held whole in memory, as
// text or as a JSON tree.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include "model/recipe_library.hpp"

namespace glimora {

// Fills up to `capacity` bytes of `buffer`; returns how many, 0 at the end.
using RecipeHistoryByteSource = std::function<std::size_t(char* buffer, std::size_t capacity)>;

// The same recipes, skip count and log lines as decodeRecipeHistory of the
// whole text, reading it from `source` in pieces. Nothing (and nothing logged)
// when the text is not a well-formed JSON array: the caller then decodes the
// whole text the usual way, which says why.
std::optional<RecipeHistoryDecoding> decodeRecipeHistoryStream(const RecipeHistoryByteSource& source,
                                                               const LogSink& log);

// Takes each valid recipe (at most the first 36) as soon as its element is
// decoded, in the file's order.
using RecipeHistorySink = std::function<void(DesignRecipe&& recipe)>;

// As above, but every recipe goes to `sink` the moment it is decoded instead
// of into the result (whose recipes stay empty), so a reader can use the
// first ones while the rest of the file is still on its way. The recipes
// already given are worthless when this returns nothing: the file as a whole
// is not a library.
std::optional<RecipeHistoryDecoding> decodeRecipeHistoryStream(const RecipeHistoryByteSource& source,
                                                               const LogSink& log, const RecipeHistorySink& sink);

}  // namespace glimora
