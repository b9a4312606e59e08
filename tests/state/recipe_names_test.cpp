#include "state/recipe_names.hpp"

#include <gtest/gtest.h>

#include "model/unicode_alphanumerics.hpp"
#include "model/utf8.hpp"

namespace glimora {
namespace {

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

TEST(CapitalizedWords, FileNamesBecomeCapitalisedWords) {
    EXPECT_EQ(capitalizedWords("IMG-2041.jpg"), "Img 2041 Jpg");
    EXPECT_EQ(capitalizedWords("..my--holiday  PHOTO..png"), "My Holiday Photo Png");
    EXPECT_EQ(capitalizedWords("\xC3\xA9t\xC3\xA9 \xC3\xA0 PARIS.jpeg"), "\xC3\x89t\xC3\xA9 \xC3\x80 Paris Jpeg");
    EXPECT_EQ(capitalizedWords("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91.png"),
              "\xCE\xA3\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1 Png");
    EXPECT_EQ(capitalizedWords("2024_summer"), "2024_summer");
    EXPECT_EQ(capitalizedWords("...-"), "");
    EXPECT_EQ(capitalizedWords(""), "");
    // Bytes that are not UTF-8 pass through, in place.
    EXPECT_EQ(capitalizedWords("a\xFFZ.B"), "A\xFFz B");
}

TEST(RecipeDocumentFileName, KeepsLettersMarksNumbersSpacesDashesAndUnderscores) {
    EXPECT_EQ(recipeDocumentFileName("Sunset"), "Sunset.ombriq");
    EXPECT_EQ(recipeDocumentFileName("Ultraviolet \u00B7 Rayfield"), "Ultraviolet  Rayfield.ombriq");
    EXPECT_EQ(recipeDocumentFileName("../../etc/passwd"), "etcpasswd.ombriq");
    EXPECT_EQ(recipeDocumentFileName("  a_b-c 1\u00B2 \u0915\u093F  "), "a_b-c 1\u00B2 \u0915\u093F.ombriq");
    EXPECT_EQ(recipeDocumentFileName("\u2728 !?* \u2728"), "Ombriq-recipe.ombriq");
    EXPECT_EQ(recipeDocumentFileName(""), "Ombriq-recipe.ombriq");
    EXPECT_EQ(recipeDocumentFileName("caf\xC3"), "caf.ombriq");
}

TEST(RecipeDocumentFileName, LongNamesAreCutOnACharacterBoundary) {
    EXPECT_EQ(recipeDocumentFileName(repeated("a", 300)), repeated("a", 120) + ".ombriq");
    // Two-byte characters: 120 of them fit in 240 bytes.
    EXPECT_EQ(recipeDocumentFileName(repeated("\xC3\xA9", 130)), repeated("\xC3\xA9", 120) + ".ombriq");
    // Three-byte characters stop at the byte limit, never inside a character.
    const std::string cut = recipeDocumentFileName(repeated("\xE6\x97\xA5", 130));
    EXPECT_EQ(cut, repeated("\xE6\x97\xA5", 82) + ".ombriq");
    EXPECT_TRUE(isValidUtf8(cut));
    EXPECT_LE(cut.size(), 255u);
    // A cut that ends on a space loses the space.
    EXPECT_EQ(recipeDocumentFileName(repeated("a", 119) + " b"), repeated("a", 119) + ".ombriq");
}

TEST(UnicodeAlphanumerics, LettersMarksAndNumbersOfEveryScript) {
    for (const char32_t c : {U'a', U'Z', U'0', U'\u00E9', U'\u0301', U'\u00B2', U'\u2163', U'\u65E5', U'\U0001D7D8',
                             U'\u0966'})
        EXPECT_TRUE(isUnicodeAlphanumeric(c)) << std::hex << std::uint32_t(c);
    for (const char32_t c : {U' ', U'-', U'_', U'.', U'/', U'\u00B7', U'\u2728', U'\U0001F600', U'\u3000',
                             char32_t(0x10FFFF)})
        EXPECT_FALSE(isUnicodeAlphanumeric(c)) << std::hex << std::uint32_t(c);
}

}  // namespace
}  // namespace glimora
