#include "state/recipe_names.hpp"

#include <locale.h>
#include <wctype.h>

#include "model/unicode_alphanumerics.hpp"
#include "model/utf8.hpp"

namespace glimora {

namespace {

// Case mapping from the C library's built-in UTF-8 locale, never the user's:
// the same name gives the same words on every desktop.
locale_t caseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    return locale;
}

char32_t mapCase(char32_t c, bool upper) {
    if (c < 0x80) {
        if (upper && c >= 'a' && c <= 'z') return c - 32;
        if (!upper && c >= 'A' && c <= 'Z') return c + 32;
        return c;
    }
    const locale_t locale = caseLocale();
    if (locale == locale_t(0)) return c;
    const wint_t mapped = upper ? towupper_l(wint_t(c), locale) : towlower_l(wint_t(c), locale);
    // A mapping must stay a scalar value that UTF-8 can carry.
    if (mapped > 0x10FFFF || (mapped >= 0xD800 && mapped <= 0xDFFF)) return c;
    return char32_t(mapped);
}

bool isWordBreak(char32_t c) { return c == ' ' || c == '.' || c == '-'; }

}  // namespace

std::string capitalizedWords(std::string_view fileName) {
    std::string result;
    result.reserve(fileName.size());
    bool inWord = false;
    bool capitalizeNext = false;
    for (std::size_t i = 0; i < fileName.size();) {
        const std::size_t length = utf8SequenceLength(fileName, i);
        const char32_t c = length == 0 ? 0xFFFD : utf8CodePoint(fileName, i, length);
        if (length != 0 && isWordBreak(c)) {
            inWord = false;
            i += length;
            continue;
        }
        if (!inWord) {
            if (!result.empty()) result += ' ';
            inWord = true;
            capitalizeNext = true;
        }
        if (length == 0) {
            result += fileName[i++];
            capitalizeNext = false;
            continue;
        }
        i += length;
        // Tabs and line breaks inside a piece still start a new word.
        const bool blank = c == '\t' || c == '\n' || c == '\r' || c == 0x0B || c == 0x0C;
        appendUtf8(result, blank ? c : mapCase(c, capitalizeNext));
        capitalizeNext = blank;
    }
    return result;
}

std::string recipeDocumentFileName(std::string_view displayName) {
    std::string kept;
    kept.reserve(displayName.size());
    for (std::size_t i = 0; i < displayName.size();) {
        const std::size_t length = utf8SequenceLength(displayName, i);
        if (length == 0) {
            ++i;
            continue;
        }
        const char32_t c = utf8CodePoint(displayName, i, length);
        if (c == ' ' || c == '-' || c == '_' || isUnicodeAlphanumeric(c)) kept.append(displayName, i, length);
        i += length;
    }
    std::string_view stem = trimmingWhitespaceAndNewlines(kept);

    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < stem.size() && characters < recipeFileStemCharacterLimit) {
        const std::size_t length = utf8SequenceLength(stem, end);
        if (end + length > recipeFileStemByteLimit) break;
        end += length;
        ++characters;
    }
    stem = trimmingWhitespaceAndNewlines(stem.substr(0, end));

    std::string name = stem.empty() ? std::string("Ombriq-recipe") : std::string(stem);
    name += ".ombriq";
    return name;
}

}  // namespace glimora
