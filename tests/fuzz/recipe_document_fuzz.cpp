// Recipe documents come from other people: any bytes either decode to a
// recipe or fail with RecipeCodingError, and a recipe that decodes encodes and
// decodes again to the same record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/recipe_json.hpp"
#include "tests/fuzz/fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    glimora::DesignRecipe recipe;
    try {
        recipe = glimora::decodeRecipeDocument(bytes);
    } catch (const glimora::RecipeCodingError&) {
        return 0;
    }
    const std::string encoded = glimora::encodeRecipeDocument(recipe);
    const glimora::DesignRecipe again = glimora::decodeRecipeDocument(encoded);
    GLIMORA_FUZZ_CHECK(again == recipe);
    GLIMORA_FUZZ_CHECK(glimora::encodeRecipeDocument(again) == encoded);
    return 0;
}
