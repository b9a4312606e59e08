// Numbers as text, whatever the process locale is: with a fixed count of
// decimals as printf's "%.2f" writes them in the C locale, or shortest.
#pragma once

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "model/decimal_text.hpp"

namespace glimora {

inline void appendFixed(std::string& out, double value, int precision) {
    // Enough for the longest finite double written with a few decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    out.append(buffer, result.ptr);
}

// The shortest text that reads back as the same double ("0.5", "1.0", "0.18").
inline void appendShortest(std::string& out, double value) { appendDecimalText(out, value); }

inline void appendInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace glimora
