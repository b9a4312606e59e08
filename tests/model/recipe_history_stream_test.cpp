#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/json_text.hpp"
#include "model/recipe_history_stream.hpp"
#include "model/recipe_json.hpp"
#include "tests/model/recipe_samples.hpp"

namespace glimora {
namespace {

// Hands out `text` at most `piece` bytes per call, as a slow file would.
RecipeHistoryByteSource sourceOf(const std::string& text, std::size_t piece) {
    auto offset = std::make_shared<std::size_t>(0);
    return [&text, piece, offset](char* buffer, std::size_t capacity) {
        const std::size_t n = std::min({piece, capacity, text.size() - *offset});
        std::memcpy(buffer, text.data() + *offset, n);
        *offset += n;
        return n;
    };
}

struct Decoded {
    RecipeHistoryDecoding decoding;
    std::vector<std::string> lines;
};

std::optional<Decoded> streamed(const std::string& text, std::size_t piece) {
    Decoded result;
    auto decoding = decodeRecipeHistoryStream(sourceOf(text, piece),
                                              [&result](std::string_view line) { result.lines.emplace_back(line); });
    if (!decoding) {
        EXPECT_TRUE(result.lines.empty()) << "a text that is no array logs nothing";
        return std::nullopt;
    }
    result.decoding = std::move(*decoding);
    return result;
}

std::optional<Decoded> whole(const std::string& text) {
    Decoded result;
    try {
        result.decoding =
            decodeRecipeHistory(text, [&result](std::string_view line) { result.lines.emplace_back(line); });
    } catch (const RecipeCodingError&) {
        return std::nullopt;
    }
    return result;
}

// Names that hold every byte the element splitter must look through.
std::vector<DesignRecipe> trickyRecipes(std::size_t count) {
    std::vector<DesignRecipe> recipes;
    for (std::size_t i = 0; i < count; ++i) {
        DesignRecipe r = i % 2 ? test::fullRecipe() : test::requiredOnlyRecipe();
        r.id.bytes[0] = std::uint8_t(i);
        r.name = "n" + std::to_string(i) + " \"q\" ] } [ { , \\ \\\" \xC3\xA9 \xF0\x9F\x8C\x85";
        recipes.push_back(std::move(r));
    }
    return recipes;
}

std::string withSpacing(const std::vector<std::string>& elements, const std::string& space) {
    std::string text = space + "[" + space;
    for (std::size_t i = 0; i < elements.size(); ++i) text += (i ? space + "," + space : "") + elements[i];
    return text + space + "]" + space;
}

std::vector<std::string> elementTexts(const std::vector<DesignRecipe>& recipes) {
    std::vector<std::string> texts;
    for (const auto& recipe : recipes) texts.push_back(encodeRecipeDocument(recipe));
    return texts;
}

// For every readable library the pieces give what the whole text gives:
// the same recipes, the same skip count and the same log lines.
TEST(RecipeHistoryStream, DecodesWhatTheWholeTextDecodesWhateverThePieces) {
    const std::string written = encodeRecipeArray(trickyRecipes(6));
    auto elements = elementTexts(trickyRecipes(5));
    nlohmann::json broken = JsonText::parse(elements[1]);
    broken.erase("okLab");
    elements[1] = JsonText::write(broken);
    elements.insert(elements.begin() + 3, "42");
    elements.push_back("[1, [2, {\"a\": \"]\"}]]");
    elements.push_back("\"a string ] with \\\" in it\"");
    elements.push_back("null");
    elements.push_back("-1.5e3");

    std::vector<std::string> texts = {
        written,
        "[]",
        " \n[ \t]\r\n",
        "\xEF\xBB\xBF" + written,
        withSpacing(elements, ""),
        withSpacing(elements, " \r\n\t "),
        encodeRecipeArray(trickyRecipes(40)),  // past 36 valid ones the rest is only checked
    };
    {
        // Skipped elements before the 36th valid one count; those after it are only checked.
        auto many = elementTexts(trickyRecipes(38));
        many[2] = "{}";
        many[37] = "{}";
        texts.push_back(withSpacing(many, "\n"));
    }

    for (std::size_t t = 0; t < texts.size(); ++t) {
        const auto expected = whole(texts[t]);
        ASSERT_TRUE(expected) << "text " << t;
        for (const std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(64), std::size_t(1) << 24}) {
            const auto got = streamed(texts[t], piece);
            ASSERT_TRUE(got) << "text " << t << " in pieces of " << piece;
            EXPECT_EQ(got->decoding.recipes, expected->decoding.recipes) << "text " << t << ", piece " << piece;
            EXPECT_EQ(got->decoding.skipped, expected->decoding.skipped) << "text " << t << ", piece " << piece;
            EXPECT_EQ(got->decoding.invalidPastLimit, expected->decoding.invalidPastLimit)
                << "text " << t << ", piece " << piece;
            EXPECT_EQ(got->lines, expected->lines) << "text " << t << ", piece " << piece;
        }
    }

    // The cases above really skip and really cut at 36.
    EXPECT_EQ(whole(texts[4])->decoding.skipped, 6u);
    EXPECT_EQ(whole(texts[4])->lines.size(), 6u);
    EXPECT_EQ(whole(texts[6])->decoding.recipes.size(), 36u);
    EXPECT_EQ(whole(texts[7])->decoding.skipped, 1u);
    EXPECT_EQ(whole(texts[7])->decoding.recipes.size(), 36u);
    EXPECT_EQ(whole(texts[7])->decoding.invalidPastLimit, 1u);
    EXPECT_EQ(whole(texts[6])->decoding.invalidPastLimit, 0u);
}

// Whatever the whole-text decoder refuses, the stream refuses too (and says
// nothing, leaving the reason to the whole-text decoder).
TEST(RecipeHistoryStream, RefusesWhatIsNotAJsonArray) {
    const std::string one = encodeRecipeDocument(test::requiredOnlyRecipe());
    const std::vector<std::string> texts = {
        "",
        "   ",
        "{}",
        one,
        "[",
        "[1",
        "[1,",
        "[1,]",
        "[,1]",
        "[1 2]",
        "[1] x",
        "[1]]",
        "[1][2]",
        "[\"open",
        "[\"\\",
        "[{]}",
        "[" + one + "",
        "[" + one.substr(0, one.size() - 1) + "]",
        "[\xEF\xBB\xBF" "1]",
        " \xEF\xBB\xBF[]",
        "[tru]",
        "[01]",
        "[\"\xFF\"]",
        "[" + std::string(200, '[') + std::string(200, ']') + "]",
    };
    for (const auto& text : texts) {
        EXPECT_FALSE(whole(text)) << "the whole-text decoder takes " << text;
        for (const std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(1) << 24})
            EXPECT_FALSE(streamed(text, piece)) << text << " in pieces of " << piece;
    }
}

// Nesting as deep as the whole text may go is still read.
TEST(RecipeHistoryStream, TakesTheSameNestingAsTheWholeText) {
    const std::string deepest = "[" + std::string(127, '[') + std::string(127, ']') + "]";
    const auto expected = whole(deepest);
    ASSERT_TRUE(expected);
    const auto got = streamed(deepest, 5);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->decoding.skipped, 1u);
    EXPECT_EQ(got->lines, expected->lines);
}

// Each recipe is handed over while the rest of the text is still unread, in
// order, and only the first 36 valid ones; the skipped ones are counted.
TEST(RecipeHistoryStream, HandsEachRecipeOverBeforeTheRestIsRead) {
    auto recipes = trickyRecipes(40);
    std::vector<std::string> elements = elementTexts(recipes);
    elements.insert(elements.begin() + 1, R"({"name": "no id"})");
    const std::string text = withSpacing(elements, " ");
    std::size_t offset = 0;
    const RecipeHistoryByteSource source = [&](char* buffer, std::size_t capacity) {
        const std::size_t n = std::min({std::size_t(64), capacity, text.size() - offset});
        std::memcpy(buffer, text.data() + offset, n);
        offset += n;
        return n;
    };
    std::vector<std::string> names;
    std::vector<std::size_t> readWhenGiven;
    const auto decoding = decodeRecipeHistoryStream(source, {}, [&](DesignRecipe&& recipe) {
        names.push_back(recipe.name);
        readWhenGiven.push_back(offset);
    });
    ASSERT_TRUE(decoding);
    EXPECT_TRUE(decoding->recipes.empty()) << "the sink has them all";
    EXPECT_EQ(decoding->skipped, 1u);
    ASSERT_EQ(names.size(), 36u);
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], recipes[i].name);
    // The first was given after little more than its own text was read.
    EXPECT_LT(readWhenGiven.front(), elements[0].size() + 64 + 8);
    EXPECT_TRUE(std::is_sorted(readWhenGiven.begin(), readWhenGiven.end()));
    EXPECT_LT(readWhenGiven.back(), text.size());
}

// A text that breaks after some recipes were handed over is no library:
// the caller learns it from the result, whatever the sink already took.
TEST(RecipeHistoryStream, ABreakAfterTheFirstRecipesIsStillAFailure) {
    const auto elements = elementTexts(trickyRecipes(3));
    const std::string text = "[" + elements[0] + "," + elements[1] + ", {\"broken\": ]";
    std::size_t given = 0;
    const auto decoding =
        decodeRecipeHistoryStream(sourceOf(text, 100), {}, [&given](DesignRecipe&&) { ++given; });
    EXPECT_FALSE(decoding);
    EXPECT_EQ(given, 2u);
}

}  // namespace
}  // namespace glimora
