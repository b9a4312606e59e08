#include "model/recipe_history_stream.hpp"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/json_text.hpp"
#include "model/recipe_json.hpp"

namespace glimora {

namespace {

// Read this much at a time; an element longer than this grows the buffer.
constexpr std::size_t chunkSize = std::size_t(1) << 20;

// The whole text allows this nesting; an element alone sits one level higher.
constexpr std::size_t elementMaxDepth = 127;

bool isWhitespace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Cuts the top-level elements out of the text of a JSON array. Only the
// structure is checked here (brackets, strings, commas); each element's own
// text is checked by the parser that decodes it.
class ElementSplitter {
public:
    explicit ElementSplitter(const RecipeHistoryByteSource& source) : source_(source) {}

    // The next element, an empty view after the closing bracket, nothing when
    // the text is not an array of values.
    std::optional<std::string_view> next() {
        if (finished_) return std::string_view();
        if (!seekElementStart()) return std::nullopt;
        if (finished_) return trailingWhitespaceOnly() ? std::optional(std::string_view()) : std::nullopt;
        // Reading on may move the bytes: elementStart_ follows them.
        elementStart_ = position_;
        if (!scanElement()) return std::nullopt;
        const std::string_view element(buffer_.data() + elementStart_, position_ - elementStart_);
        elementStart_ = npos;
        return element;
    }

private:
    static constexpr std::size_t npos = std::string::npos;

    // Appends the next bytes of the source; false at its end.
    bool fill() {
        // Drop what no element still needs, keep the one being cut out.
        const std::size_t keep = elementStart_ == npos ? position_ : elementStart_;
        if (keep > 0) {
            std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
            end_ -= keep;
            position_ -= keep;
            if (elementStart_ != npos) elementStart_ -= keep;
        }
        if (buffer_.size() < end_ + chunkSize) buffer_.resize(end_ + chunkSize);
        const std::size_t got = source_(buffer_.data() + end_, chunkSize);
        end_ += got;
        return got > 0;
    }

    // Makes at least one more byte available at position_; false at the end.
    bool more() { return position_ < end_ || fill(); }

    bool skipWhitespace() {
        while (more()) {
            if (!isWhitespace(buffer_[position_])) return true;
            ++position_;
        }
        return false;
    }

    // Moves to the first byte of the next element, through the opening
    // bracket or the comma before it; sets finished_ at the closing bracket.
    bool seekElementStart() {
        if (!opened_) {
            // A byte order mark is allowed before the text, as the parser allows it.
            while (end_ - position_ < 3 && fill()) {
            }
            if (end_ - position_ >= 3 && std::memcmp(buffer_.data() + position_, "\xEF\xBB\xBF", 3) == 0)
                position_ += 3;
            if (!skipWhitespace() || buffer_[position_] != '[') return false;
            ++position_;
            opened_ = true;
            if (!skipWhitespace()) return false;
            if (buffer_[position_] == ']') {
                ++position_;
                finished_ = true;
            }
            return true;
        }
        if (!skipWhitespace()) return false;
        const char c = buffer_[position_++];
        if (c == ']') {
            finished_ = true;
            return true;
        }
        if (c != ',') return false;
        return skipWhitespace();
    }

    // Finds the end of a string whose opening quote is just behind position_.
    bool skipString() {
        for (;;) {
            if (!more()) return false;
            const char* p = buffer_.data() + position_;
            const std::size_t left = end_ - position_;
            const void* quote = std::memchr(p, '"', left);
            const std::size_t span = quote ? std::size_t(static_cast<const char*>(quote) - p) : left;
            const void* backslash = std::memchr(p, '\\', span);
            if (backslash) {
                // Step over the escape and the byte it escapes.
                position_ += std::size_t(static_cast<const char*>(backslash) - p) + 1;
                if (!more()) return false;
                ++position_;
                continue;
            }
            position_ += span;
            if (quote) {
                ++position_;
                return true;
            }
        }
    }

    bool scanElement() {
        const char first = buffer_[position_];
        if (first == '"') {
            ++position_;
            return skipString();
        }
        if (first != '{' && first != '[') {
            // A number or a literal: it ends where the array goes on.
            if (!(first == '-' || (first >= '0' && first <= '9') || first == 't' || first == 'f' || first == 'n'))
                return false;
            while (more()) {
                const char c = buffer_[position_];
                if (c == ',' || c == ']' || isWhitespace(c)) return true;
                ++position_;
            }
            return false;
        }
        std::size_t depth = 0;
        while (more()) {
            const char c = buffer_[position_++];
            if (c == '"') {
                if (!skipString()) return false;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (--depth == 0) return true;
            }
        }
        return false;
    }

    bool trailingWhitespaceOnly() {
        elementStart_ = npos;
        return !skipWhitespace();
    }

    const RecipeHistoryByteSource& source_;
    std::string buffer_;
    std::size_t end_ = 0;  // bytes of buffer_ read so far
    std::size_t position_ = 0;
    std::size_t elementStart_ = npos;
    bool opened_ = false;
    bool finished_ = false;
};

}  // namespace

std::optional<RecipeHistoryDecoding> decodeRecipeHistoryStream(const RecipeHistoryByteSource& source,
                                                               const LogSink& log) {
    std::vector<DesignRecipe> recipes;
    auto result = decodeRecipeHistoryStream(source, log, [&recipes](DesignRecipe&& recipe) {
        recipes.push_back(std::move(recipe));
    });
    if (result) result->recipes = std::move(recipes);
    return result;
}

std::optional<RecipeHistoryDecoding> decodeRecipeHistoryStream(const RecipeHistoryByteSource& source,
                                                               const LogSink& log, const RecipeHistorySink& sink) {
    ElementSplitter splitter(source);
    RecipeHistoryDecoding result;
    // The skip lines name the element count, known only at the end.
    std::vector<std::pair<std::size_t, std::string>> skips;
    std::size_t count = 0;
    std::size_t given = 0;
    for (;;) {
        const auto element = splitter.next();
        if (!element) return std::nullopt;
        if (element->empty()) break;
        nlohmann::json value;
        try {
            value = JsonText::parse(*element, elementMaxDepth);
        } catch (const JsonText::Error&) {
            return std::nullopt;
        }
        if (given == recipeHistoryLimit) {
            // Past the 36th valid recipe an element is only checked, never kept.
            try {
                recipeFromJson(value);
            } catch (const RecipeCodingError&) {
                ++result.invalidPastLimit;
            }
        } else {
            std::optional<DesignRecipe> recipe;
            try {
                recipe = recipeFromJson(value);
            } catch (const RecipeCodingError& error) {
                ++result.skipped;
                skips.emplace_back(count, error.what());
            }
            // The element's tree goes before the sink runs: it may keep the recipe a long time.
            value = nullptr;
            if (recipe) {
                ++given;
                sink(std::move(*recipe));
            }
        }
        ++count;
    }
    if (log)
        for (const auto& [index, reason] : skips)
            log("Ombriq recipe history skipped recipe " + std::to_string(index + 1) + " of " + std::to_string(count) +
                ": " + reason);
    return result;
}

}  // namespace glimora
