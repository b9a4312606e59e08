// Standard Base64 (RFC 4648 alphabet, padded, no line breaks).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace glimora {

std::string base64Encode(std::span<const std::uint8_t> bytes);

// Nothing unless the text is padded Base64 whose length is a multiple of four,
// with no white space and no character outside the alphabet.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

}  // namespace glimora
