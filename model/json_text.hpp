// Reading and writing JSON text for our files. The values are nlohmann::json,
// whose objects keep their keys sorted; the text is handled here because
// recipe libraries carry megabytes of Base64 and need a reader and writer that
// move through long strings at memory speed, and because both directions must
// be strict: no NaN or infinity, only well-formed UTF-8, bounded nesting.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace glimora::JsonText {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What parse does with a number too large for a double: fail the whole text,
// or leave the number out (its member from its object, null in its array's
// place, a null document), so one bad value costs only its own key.
enum class HugeNumbers { fail, leaveOut };

// Parses one JSON value (RFC 8259) that fills the whole text, white space
// aside; a leading UTF-8 byte order mark is skipped. Integers without fraction
// or exponent become signed (negative) or unsigned values, or doubles when
// they do not fit 64 bits; every other number is a double. A number too large
// for a double (unless `huge` says leaveOut), invalid UTF-8, a lone surrogate
// escape or nesting deeper than `maxDepth` throw Error. A key given twice
// keeps its last value. With leaveOut, `leftOut` (when given) receives the
// place of each number left out inside an object or array: its keys and
// array indexes from the document down, joined by '/' ("pins/0").
nlohmann::json parse(std::string_view text, std::size_t maxDepth = 128, HugeNumbers huge = HugeNumbers::fail,
                     std::vector<std::string>* leftOut = nullptr);

// Pretty-printed text, two spaces per level, object keys in ascending byte
// order. Doubles are written in their shortest round-trip form with ".0" on
// integral values. Throws Error for a non-finite double or a binary value;
// bytes of a string that are not well-formed UTF-8 are written as U+FFFD.
std::string write(const nlohmann::json& value);

}  // namespace glimora::JsonText
