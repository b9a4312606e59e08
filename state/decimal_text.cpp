#include "state/decimal_text.hpp"

#include <charconv>
#include <cmath>

namespace glimora {

std::string decimalText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool exponent = (magnitude != 0 && magnitude < 1e-4) || magnitude > 0x1p54;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      exponent ? std::chars_format::scientific : std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (!exponent && text.find('.') == std::string::npos) text += ".0";
    return text;
}

}  // namespace glimora
