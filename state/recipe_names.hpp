// Names the recipe actions make from text the user gave: the display name of a
// photo design and the suggested file name of a recipe document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace glimora {

// A photo's file name as words: every "." and "-" becomes a space, the words
// (runs without spaces) are capitalised, the first letter upper case and the
// rest lower case, and joined by single spaces ("IMG-2041.jpg" gives
// "Img 2041 Jpg"). Bytes that are not UTF-8 pass through unchanged.
std::string capitalizedWords(std::string_view fileName);

// At most this many characters of a suggested document name come before its
// extension, and at most this many bytes, so the name fits every Linux file system.
inline constexpr std::size_t recipeFileStemCharacterLimit = 120;
inline constexpr std::size_t recipeFileStemByteLimit = 248;

// The default document file name for a recipe of this display name: only
// letters, marks, numbers, space, "-" and "_" are kept, the rest trimmed of
// white space and cut to the limits above on a character boundary;
// "Ombriq-recipe" when nothing is left; then ".ombriq".
std::string recipeDocumentFileName(std::string_view displayName);

}  // namespace glimora
