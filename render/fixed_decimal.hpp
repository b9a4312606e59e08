// Numbers as text, whatever the process locale is: with a fixed count of
// decimals as printf's "%.2f" writes them in the C locale, or shortest.
#pragma once

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace glimora {

inline void appendFixed(std::string& out, double value, int precision) {
    // Enough for the longest finite double written with a few decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    out.append(buffer, result.ptr);
}

// The shortest text that reads back as the same double, with at least one
// digit after the point ("0.5", "1.0", "0.18"); magnitudes below 1e-4 or above
// 2^54 in exponent form ("1e-05", "2.5e+17").
inline void appendShortest(std::string& out, double value) {
    char buffer[64];
    if (!std::isfinite(value)) {
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        return;
    }
    const auto scientific = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const char* e = scientific.ptr;
    while (e > buffer && e[-1] != 'e') --e;
    if (*e == '+') ++e;
    int exponent = 0;
    std::from_chars(e, scientific.ptr, exponent);
    if (value != 0 && (exponent <= -5 || std::abs(value) > 18014398509481984.0)) {
        out.append(buffer, scientific.ptr);
        return;
    }
    const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    out.append(buffer, fixed.ptr);
    if (std::string_view(buffer, std::size_t(fixed.ptr - buffer)).find('.') == std::string_view::npos) out += ".0";
}

inline void appendInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace glimora
