#include "saver/json_array_splitter.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glimora::test {
namespace {

struct Split {
    std::vector<std::string> elements;
    bool ok = false;
    bool finished = false;
};

// Fed in pieces of `piece` bytes, so every element and string crosses pieces.
Split split(std::string_view text, std::size_t piece) {
    Split result;
    JsonArraySplitter splitter;
    result.ok = true;
    for (std::size_t i = 0; i < text.size() && result.ok; i += piece)
        result.ok = splitter.feed(text.substr(i, piece),
                                  [&](std::string_view element) { result.elements.emplace_back(element); });
    result.finished = splitter.finished();
    return result;
}

TEST(JsonArraySplitter, ElementsComeOutWholeWhateverThePieces) {
    const std::string text =
        "\xEF\xBB\xBF [ {\"a\": \"x]}\\\"{[\", \"b\": [1, {\"c\": \"\\\\\"}]},\n"
        "  \"plain \\\" string\", 42 ,true, [ [] ], {}\t]\n ";
    const std::vector<std::string> expected{"{\"a\": \"x]}\\\"{[\", \"b\": [1, {\"c\": \"\\\\\"}]}",
                                            "\"plain \\\" string\"", "42", "true", "[ [] ]", "{}"};
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), text.size()}) {
        const Split result = split(text, piece);
        EXPECT_TRUE(result.ok) << piece;
        EXPECT_TRUE(result.finished) << piece;
        EXPECT_EQ(result.elements, expected) << piece;
    }
}

TEST(JsonArraySplitter, AnEmptyArrayHasNoElements) {
    for (const char* text : {"[]", " [ ] ", "\xEF\xBB\xBF[]"}) {
        const Split result = split(text, 1);
        EXPECT_TRUE(result.finished) << text;
        EXPECT_TRUE(result.elements.empty()) << text;
    }
}

TEST(JsonArraySplitter, TextThatIsNoWholeArrayIsRefused) {
    for (const char* text : {"", "{\"a\": 1}", "[1,]", "[,1]", "[1 2]", "[{}] x", "[{}][]", "[{\"a\": 1}", "[{]}]",
                             "[\"open", " \xEF\xBB\xBF[]", "\xEF\xBB[]", "[{}}]"}) {
        for (std::size_t piece : {std::size_t(1), std::size_t(64)}) {
            const Split result = split(text, piece);
            EXPECT_FALSE(result.ok && result.finished) << text << " in pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace glimora::test
