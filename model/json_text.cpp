#include "model/json_text.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/utf8.hpp"

namespace glimora::JsonText {

namespace {

using json = nlohmann::json;

// Bytes that a string may hold as they are: printable ASCII but '"' and '\'.
constexpr std::array<bool, 256> makePlainTable() {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x80; ++c) table[c] = c != '"' && c != '\\';
    return table;
}
constexpr auto plain = makePlainTable();

// Length of the run of plain bytes at the start of [p, end). Eight bytes at a
// time while no byte in the word is a control character, '"', '\\' or
// non-ASCII: long Base64 strings are all plain and pass at memory speed.
std::size_t plainRun(const char* p, const char* end) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const auto hasZeroByte = [](std::uint64_t x) { return (x - ones) & ~x; };
    const char* q = p;
    while (end - q >= 8) {
        std::uint64_t v;
        std::memcpy(&v, q, 8);
        const std::uint64_t flags =
            ((v - ones * 0x20) & ~v) | hasZeroByte(v ^ (ones * '"')) | hasZeroByte(v ^ (ones * '\\')) | v;
        if (flags & highs) break;
        q += 8;
    }
    while (q != end && plain[static_cast<unsigned char>(*q)]) ++q;
    return std::size_t(q - p);
}

class Parser {
public:
    Parser(std::string_view text, std::size_t maxDepth, HugeNumbers huge, std::vector<std::string>* leftOut)
        : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()), maxDepth_(maxDepth),
          huge_(huge), leftOut_(huge == HugeNumbers::leaveOut ? leftOut : nullptr) {}

    json document() {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
        skipWhitespace();
        json result = value(0);
        skipWhitespace();
        if (p_ != end_) fail("unexpected text after the JSON value");
        return result.is_discarded() ? json() : result;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw Error(std::string(what) + " at byte " + std::to_string(p_ - begin_));
    }

    void skipWhitespace() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }

    void expectLiteral(std::string_view word) {
        if (std::size_t(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0)
            fail("invalid literal");
        p_ += word.size();
    }

    json value(std::size_t depth) {
        if (p_ == end_) fail("unexpected end of text");
        switch (*p_) {
        case '{': return object(depth + 1);
        case '[': return array(depth + 1);
        case '"': return json(string());
        case 't': expectLiteral("true"); return json(true);
        case 'f': expectLiteral("false"); return json(false);
        case 'n': expectLiteral("null"); return json(nullptr);
        default:
            if (*p_ == '-' || (*p_ >= '0' && *p_ <= '9')) return number();
            fail("unexpected character");
        }
    }

    json object(std::size_t depth) {
        if (depth > maxDepth_) fail("nesting too deep");
        ++p_;
        json result = json::object();
        auto& members = result.get_ref<json::object_t&>();
        skipWhitespace();
        if (p_ != end_ && *p_ == '}') {
            ++p_;
            return result;
        }
        while (true) {
            skipWhitespace();
            if (p_ == end_ || *p_ != '"') fail("expected a string key");
            std::string key = string();
            skipWhitespace();
            if (p_ == end_ || *p_ != ':') fail("expected ':'");
            ++p_;
            skipWhitespace();
            const std::size_t earlier = leftOut_ ? leftOut_->size() : 0;
            if (leftOut_) path_.push_back(key);
            json member = value(depth);
            if (leftOut_) {
                // A key given again replaces what its earlier value lost.
                forgetLeftOutUnder(earlier);
                path_.pop_back();
            }
            if (member.is_discarded())
                members.erase(key);
            else
                members.insert_or_assign(std::move(key), std::move(member));
            skipWhitespace();
            if (p_ == end_) fail("unterminated object");
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == '}') {
                ++p_;
                return result;
            }
            fail("expected ',' or '}'");
        }
    }

    json array(std::size_t depth) {
        if (depth > maxDepth_) fail("nesting too deep");
        ++p_;
        json result = json::array();
        auto& elements = result.get_ref<json::array_t&>();
        skipWhitespace();
        if (p_ != end_ && *p_ == ']') {
            ++p_;
            return result;
        }
        for (std::size_t index = 0;; ++index) {
            skipWhitespace();
            if (leftOut_) path_.push_back(std::to_string(index));
            json element = value(depth);
            if (leftOut_) path_.pop_back();
            elements.push_back(element.is_discarded() ? json() : std::move(element));
            skipWhitespace();
            if (p_ == end_) fail("unterminated array");
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == ']') {
                ++p_;
                return result;
            }
            fail("expected ',' or ']'");
        }
    }

    unsigned hex4() {
        if (end_ - p_ < 4) fail("incomplete \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *p_++;
            v <<= 4;
            if (c >= '0' && c <= '9') v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f') v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= unsigned(c - 'A' + 10);
            else fail("invalid \\u escape");
        }
        return v;
    }

    void escape(std::string& out) {
        ++p_;  // the backslash
        if (p_ == end_) fail("unterminated string");
        switch (*p_++) {
        case '"': out += '"'; return;
        case '\\': out += '\\'; return;
        case '/': out += '/'; return;
        case 'b': out += '\b'; return;
        case 'f': out += '\f'; return;
        case 'n': out += '\n'; return;
        case 'r': out += '\r'; return;
        case 't': out += '\t'; return;
        case 'u': break;
        default: --p_; fail("invalid escape");
        }
        char32_t c = hex4();
        if (c >= 0xDC00 && c <= 0xDFFF) fail("lone low surrogate");
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') fail("lone high surrogate");
            p_ += 2;
            const char32_t low = hex4();
            if (low < 0xDC00 || low > 0xDFFF) fail("lone high surrogate");
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, c);
    }

    std::string string() {
        ++p_;  // the opening quote
        std::string out;
        const std::string_view whole(begin_, std::size_t(end_ - begin_));
        while (true) {
            const char* run = p_;
            p_ += plainRun(p_, end_);
            out.append(run, p_);
            if (p_ == end_) fail("unterminated string");
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                ++p_;
                return out;
            }
            if (c == '\\') {
                escape(out);
            } else if (c < 0x20) {
                fail("control character in string");
            } else {
                const std::size_t length = utf8SequenceLength(whole, std::size_t(p_ - begin_));
                if (length == 0) fail("invalid UTF-8");
                out.append(p_, length);
                p_ += length;
            }
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    json number() {
        const char* start = p_;
        bool integral = true;
        if (*p_ == '-') ++p_;
        if (p_ == end_ || !isDigit(*p_)) fail("invalid number");
        if (*p_ == '0') {
            ++p_;
        } else {
            while (p_ != end_ && isDigit(*p_)) ++p_;
        }
        if (p_ != end_ && *p_ == '.') {
            integral = false;
            ++p_;
            if (p_ == end_ || !isDigit(*p_)) fail("invalid number");
            while (p_ != end_ && isDigit(*p_)) ++p_;
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            integral = false;
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (p_ == end_ || !isDigit(*p_)) fail("invalid number");
            while (p_ != end_ && isDigit(*p_)) ++p_;
        }
        if (integral) {
            if (*start == '-') {
                std::int64_t v = 0;
                if (std::from_chars(start, p_, v).ec == std::errc()) return json(v);
            } else {
                std::uint64_t v = 0;
                if (std::from_chars(start, p_, v).ec == std::errc()) return json(v);
            }
        }
        double d = 0;
        const auto result = std::from_chars(start, p_, d);
        if (result.ec == std::errc::result_out_of_range) {
            if (!underflows(start, p_)) {
                // A number left out: the caller drops it from its place.
                if (huge_ == HugeNumbers::leaveOut) {
                    if (leftOut_ && !path_.empty()) leftOut_->push_back(place());
                    return json(json::value_t::discarded);
                }
                p_ = start;
                fail("number out of range");
            }
            d = *start == '-' ? -0.0 : 0.0;
        } else if (result.ec != std::errc() || result.ptr != p_) {
            p_ = start;
            fail("invalid number");
        }
        return json(d);
    }

    // Whether a number that no double holds is too small rather than too
    // large: the decimal place of its first significant digit is negative.
    static bool underflows(const char* p, const char* end) {
        if (*p == '-') ++p;
        long integerDigits = 0, index = 0, firstSignificant = -1;
        bool afterPoint = false;
        for (; p != end && *p != 'e' && *p != 'E'; ++p) {
            if (*p == '.') {
                afterPoint = true;
                continue;
            }
            if (!afterPoint) ++integerDigits;
            if (firstSignificant < 0 && *p != '0') firstSignificant = index;
            ++index;
        }
        if (firstSignificant < 0) return true;
        long exponent = 0;
        if (p != end) {
            ++p;
            const bool negative = *p == '-';
            if (*p == '+' || *p == '-') ++p;
            for (; p != end; ++p)
                if (exponent < 1'000'000) exponent = exponent * 10 + (*p - '0');
            if (negative) exponent = -exponent;
        }
        return integerDigits - 1 - firstSignificant + exponent < 0;
    }

    // The keys and indexes from the document down to the value being read.
    std::string place() const {
        std::string joined;
        for (const std::string& step : path_) joined += (joined.empty() ? "" : "/") + step;
        return joined;
    }

    // Drops the places left out before `count` that lie at or under the
    // current place.
    void forgetLeftOutUnder(std::size_t count) {
        const std::string here = place();
        const auto under = [&here](const std::string& left) {
            return left == here || (left.starts_with(here) && left.size() > here.size() && left[here.size()] == '/');
        };
        leftOut_->erase(std::remove_if(leftOut_->begin(), leftOut_->begin() + std::ptrdiff_t(count), under),
                        leftOut_->begin() + std::ptrdiff_t(count));
    }

    const char* begin_;
    const char* p_;
    const char* end_;
    std::size_t maxDepth_;
    HugeNumbers huge_;
    std::vector<std::string>* leftOut_;
    std::vector<std::string> path_;
};

// Roughly the written size, so the text grows once instead of by doubling.
std::size_t estimatedSize(const json& v, std::size_t indent) {
    switch (v.type()) {
    case json::value_t::string: return v.get_ref<const std::string&>().size() + 2;
    case json::value_t::array: {
        std::size_t size = 2 + indent;
        for (const auto& element : v.get_ref<const json::array_t&>())
            size += indent + 4 + estimatedSize(element, indent + 2);
        return size;
    }
    case json::value_t::object: {
        std::size_t size = 2 + indent;
        for (const auto& [key, member] : v.get_ref<const json::object_t&>())
            size += indent + 8 + key.size() + estimatedSize(member, indent + 2);
        return size;
    }
    default: return 24;
    }
}

class Writer {
public:
    std::string text;

    void value(const json& v, int indent) {
        switch (v.type()) {
        case json::value_t::null: text += "null"; return;
        case json::value_t::boolean: text += v.get<bool>() ? "true" : "false"; return;
        case json::value_t::number_integer: integer(v.get<std::int64_t>()); return;
        case json::value_t::number_unsigned: integer(v.get<std::uint64_t>()); return;
        case json::value_t::number_float: floating(v.get<double>()); return;
        case json::value_t::string: string(v.get_ref<const std::string&>()); return;
        case json::value_t::array: array(v.get_ref<const json::array_t&>(), indent); return;
        case json::value_t::object: object(v.get_ref<const json::object_t&>(), indent); return;
        case json::value_t::binary:
        case json::value_t::discarded: break;
        }
        throw Error("a value that JSON cannot hold");
    }

private:
    void newline(int indent) {
        text += '\n';
        text.append(std::size_t(indent), ' ');
    }

    template <class Int> void integer(Int v) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        text.append(buffer, result.ptr);
    }

    void floating(double v) {
        if (!std::isfinite(v)) throw Error("a number that is not finite");
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        const std::string_view digits(buffer, std::size_t(result.ptr - buffer));
        text += digits;
        if (digits.find_first_of(".e") == std::string_view::npos) text += ".0";
    }

    void string(std::string_view s) {
        static constexpr char hex[] = "0123456789abcdef";
        text += '"';
        std::size_t i = 0;
        while (i < s.size()) {
            const std::size_t run = i;
            i += plainRun(s.data() + i, s.data() + s.size());
            text.append(s, run, i - run);
            if (i == s.size()) break;
            const auto c = static_cast<unsigned char>(s[i]);
            if (c == '"' || c == '\\') {
                text += '\\';
                text += char(c);
                ++i;
            } else if (c < 0x20) {
                switch (c) {
                case '\b': text += "\\b"; break;
                case '\f': text += "\\f"; break;
                case '\n': text += "\\n"; break;
                case '\r': text += "\\r"; break;
                case '\t': text += "\\t"; break;
                default:
                    text += "\\u00";
                    text += hex[c >> 4];
                    text += hex[c & 0x0F];
                }
                ++i;
            } else {
                const std::size_t length = utf8SequenceLength(s, i);
                if (length == 0) {
                    text += "\xEF\xBF\xBD";
                    ++i;
                } else {
                    text.append(s, i, length);
                    i += length;
                }
            }
        }
        text += '"';
    }

    void array(const json::array_t& elements, int indent) {
        if (elements.empty()) {
            text += "[]";
            return;
        }
        text += '[';
        bool first = true;
        for (const auto& element : elements) {
            if (!first) text += ',';
            first = false;
            newline(indent + 2);
            value(element, indent + 2);
        }
        newline(indent);
        text += ']';
    }

    void object(const json::object_t& members, int indent) {
        if (members.empty()) {
            text += "{}";
            return;
        }
        text += '{';
        bool first = true;
        for (const auto& [key, member] : members) {
            if (!first) text += ',';
            first = false;
            newline(indent + 2);
            string(key);
            text += ": ";
            value(member, indent + 2);
        }
        newline(indent);
        text += '}';
    }
};

}  // namespace

nlohmann::json parse(std::string_view text, std::size_t maxDepth, HugeNumbers huge,
                     std::vector<std::string>* leftOut) {
    return Parser(text, maxDepth, huge, leftOut).document();
}

std::string write(const nlohmann::json& value) {
    Writer writer;
    writer.text.reserve(estimatedSize(value, 0));
    writer.value(value, 0);
    return std::move(writer.text);
}

}  // namespace glimora::JsonText
