// Splits a JSON array read piece by piece into the texts of its elements, so
// a large library is decoded one recipe at a time and never held whole: the
// file's bytes and its parsed form would otherwise sit in memory together
// with the recipes made from them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace glimora {

class JsonArraySplitter {
public:
    using ElementSink = std::function<void(std::string_view element)>;

    // Takes the next bytes; calls `sink` with the text of every top-level
    // element completed by them. Elements themselves are not checked here.
    // False once the text can no longer be one JSON array (then stays false).
    bool feed(std::string_view bytes, const ElementSink& sink);

    // After the last bytes: whether they made one whole array (white space
    // and a leading byte order mark aside).
    bool finished() const { return state_ == State::done; }
    bool failed() const { return state_ == State::failed; }

private:
    enum class State { start, firstElement, element, afterElement, nextElement, done, failed };

    void endElement(const ElementSink& sink);

    State state_ = State::start;
    std::string element_;
    std::size_t bomSeen_ = 0;
    std::size_t startBytes_ = 0;
    int depth_ = 0;
    bool inString_ = false;
    bool scalar_ = false;
};

}  // namespace glimora
