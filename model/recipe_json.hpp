// The JSON form of recipes, shared by recipe documents and the library file:
// keys in ascending order, pretty-printed, dates as whole-second ISO 8601 UTC
// text, Base64 data, upper-case UUIDs, optional keys left out when absent.
//
// Decoding is strict about presence and JSON type and nothing else: a missing
// or null required key, a value of another type, a fractional or out-of-range
// integer, bad Base64, a date in another form or a bad UUID fail the whole
// recipe; unknown keys are ignored and a null optional key counts as absent.
// An integer field also takes an integral number written with a fraction or
// exponent (3.0, 1e2), as long as its magnitude is at most 2^53, where such a
// number is exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/design_recipe.hpp"

namespace glimora {

// Recipe documents and library files larger than this are refused unread.
inline constexpr std::size_t recipeFileSizeLimit = std::size_t(64) * 1024 * 1024;

// Why a recipe could not be encoded or decoded; what() names the key.
class RecipeCodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throw RecipeCodingError; the encoder refuses non-finite numbers and dates
// outside the years 1 to 9999 rather than writing something unreadable.
nlohmann::json recipeToJson(const DesignRecipe& recipe);
DesignRecipe recipeFromJson(const nlohmann::json& value);

// The bytes of a recipe document (one recipe object).
std::string encodeRecipeDocument(const DesignRecipe& recipe);
// One recipe object; refuses input over recipeFileSizeLimit before parsing.
DesignRecipe decodeRecipeDocument(std::string_view bytes);

// A JSON array of recipes in the same form.
std::string encodeRecipeArray(std::span<const DesignRecipe> recipes);
// An array of recipes, all or nothing: one bad element fails the whole array.
std::vector<DesignRecipe> decodeRecipeArray(std::string_view bytes);

}  // namespace glimora
