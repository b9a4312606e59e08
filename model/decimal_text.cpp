#include "model/decimal_text.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

namespace glimora {

void appendDecimalText(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    const std::string_view digits(buffer, std::size_t(result.ptr - buffer));
    out += digits;
    if (plain && digits.find('.') == std::string_view::npos) out += ".0";
}

std::string decimalText(double value) {
    std::string text;
    appendDecimalText(text, value);
    return text;
}

}  // namespace glimora
