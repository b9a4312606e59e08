#include "saver/json_array_splitter.hpp"

namespace glimora {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether the quote that would follow `text` ends a string: an even run of
// backslashes before it escapes nothing.
bool quoteEndsString(const std::string& text) {
    std::size_t backslashes = 0;
    for (auto it = text.rbegin(); it != text.rend() && *it == '\\'; ++it) ++backslashes;
    return backslashes % 2 == 0;
}

}  // namespace

void JsonArraySplitter::endElement(const ElementSink& sink) {
    sink(element_);
    element_.clear();
    state_ = State::afterElement;
}

bool JsonArraySplitter::feed(std::string_view bytes, const ElementSink& sink) {
    static constexpr std::string_view bom = "\xEF\xBB\xBF";
    std::size_t i = 0;
    while (i < bytes.size() && state_ != State::failed) {
        const char c = bytes[i];
        switch (state_) {
        case State::start:
            // A byte order mark only as the very first bytes.
            if (startBytes_ == bomSeen_ && bomSeen_ < bom.size() && c == bom[bomSeen_]) {
                ++bomSeen_, ++startBytes_, ++i;
                break;
            }
            ++startBytes_;
            if (bomSeen_ != 0 && bomSeen_ != bom.size()) state_ = State::failed;
            else if (isSpace(c)) ++i;
            else if (c == '[') state_ = State::firstElement, ++i;
            else state_ = State::failed;
            break;
        case State::firstElement:
        case State::nextElement:
            if (isSpace(c)) {
                ++i;
            } else if (c == ']') {
                // "[]" is an empty array; "[1,]" is not JSON.
                state_ = state_ == State::firstElement ? State::done : State::failed;
                ++i;
            } else if (c == ',') {
                state_ = State::failed;
            } else {
                state_ = State::element;
                depth_ = 0;
                inString_ = false;
                scalar_ = c != '{' && c != '[';
            }
            break;
        case State::element:
            if (inString_) {
                const std::size_t quote = bytes.find('"', i);
                if (quote == std::string_view::npos) {
                    element_.append(bytes.substr(i));
                    i = bytes.size();
                    break;
                }
                element_.append(bytes.substr(i, quote - i));
                if (quoteEndsString(element_)) inString_ = false;
                element_ += '"';
                i = quote + 1;
                if (!inString_ && scalar_ && depth_ == 0) {
                    // A string element: it ends here.
                    endElement(sink);
                }
                break;
            }
            if (scalar_ && depth_ == 0 && (c == ',' || c == ']' || isSpace(c))) {
                endElement(sink);
                break;  // the same byte again, after the element
            }
            element_ += c;
            ++i;
            if (c == '"') {
                inString_ = true;
            } else if (c == '{' || c == '[') {
                ++depth_;
            } else if (c == '}' || c == ']') {
                if (--depth_ < 0) state_ = State::failed;
                else if (depth_ == 0 && !scalar_) endElement(sink);
            }
            break;
        case State::afterElement:
            if (isSpace(c)) ++i;
            else if (c == ',') state_ = State::nextElement, ++i;
            else if (c == ']') state_ = State::done, ++i;
            else state_ = State::failed;
            break;
        case State::done:
            if (isSpace(c)) ++i;
            else state_ = State::failed;
            break;
        case State::failed: break;
        }
    }
    return state_ != State::failed;
}

}  // namespace glimora
