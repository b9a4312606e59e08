// Numbers as text with a fixed count of decimals, as printf's "%.2f" writes
// them in the C locale, whatever the process locale is.
#pragma once

#include <charconv>
#include <string>

namespace glimora {

inline void appendFixed(std::string& out, double value, int precision) {
    // Enough for the longest finite double written with a few decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    out.append(buffer, result.ptr);
}

inline void appendInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace glimora
