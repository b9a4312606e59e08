// The recipe document type: one recipe as JSON in a file of its own, for
// sharing and for import. Desktop integration declares the MIME type in
// app/ombriq-recipe.xml.
#pragma once

#include "model/design_recipe.hpp"

namespace glimora::RecipeDocumentType {

// Also the formatIdentifier written into every recipe made now.
inline constexpr const char* identifier = recipeFormatIdentifier;
inline constexpr const char* fileExtension = "ombriq";
inline constexpr const char* mimeType = "application/x-ombriq-recipe";
// Recipe documents conform to JSON: the import panel takes either.
inline constexpr const char* conformsTo = "application/json";

}  // namespace glimora::RecipeDocumentType
