// Pieces of SVG text shared by the document writers. Numbers go through
// std::to_chars, so no process locale changes a byte.
#pragma once

#include <string>

#include "render/color_math.hpp"
#include "render/fixed_decimal.hpp"

namespace glimora::svg {

// "#RRGGBB" in upper-case hexadecimal.
inline void appendColor(std::string& out, RGB color) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const char text[7] = {'#',
                          digits[color.red >> 4],
                          digits[color.red & 15],
                          digits[color.green >> 4],
                          digits[color.green & 15],
                          digits[color.blue >> 4],
                          digits[color.blue & 15]};
    out.append(text, sizeof text);
}

// ` name="value"` with a fixed count of decimals (two unless given).
inline void appendAttribute(std::string& out, const char* name, double value, int precision = 2) {
    out += ' ';
    out += name;
    out += "=\"";
    appendFixed(out, value, precision);
    out += '"';
}

}  // namespace glimora::svg
