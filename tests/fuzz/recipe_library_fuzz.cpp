// The library file and the JSON reader under it: any bytes either are a JSON
// array (each element a recipe or skipped with a log line) or fail with
// RecipeCodingError. What decodes saves and reads back the same; JSON that
// parses writes and parses back to the same value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/json_text.hpp"
#include "model/recipe_json.hpp"
#include "model/recipe_library.hpp"
#include "tests/fuzz/fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    try {
        const nlohmann::json value = glimora::JsonText::parse(bytes);
        const std::string text = glimora::JsonText::write(value);
        GLIMORA_FUZZ_CHECK(glimora::JsonText::parse(text) == value);
        GLIMORA_FUZZ_CHECK(glimora::JsonText::write(glimora::JsonText::parse(text)) == text);
    } catch (const glimora::JsonText::Error&) {
    }

    std::size_t logged = 0;
    glimora::RecipeHistoryDecoding decoding;
    try {
        decoding = glimora::decodeRecipeHistory(bytes, [&logged](std::string_view line) {
            GLIMORA_FUZZ_CHECK(!line.empty());
            ++logged;
        });
    } catch (const glimora::RecipeCodingError&) {
        return 0;
    }
    GLIMORA_FUZZ_CHECK(decoding.recipes.size() <= glimora::recipeHistoryLimit);
    GLIMORA_FUZZ_CHECK(logged >= decoding.skipped);

    const auto encoded = glimora::encodeRecipeHistory(decoding.recipes);
    GLIMORA_FUZZ_CHECK(encoded.has_value());
    const glimora::RecipeHistoryDecoding again = glimora::decodeRecipeHistory(*encoded, {});
    GLIMORA_FUZZ_CHECK(again.skipped == 0);
    GLIMORA_FUZZ_CHECK(again.recipes == decoding.recipes);
    return 0;
}
