// 128-bit identifiers written in the canonical upper-case 8-4-4-4-12 form.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glimora {

struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

    // A version-4 identifier from 16 random bytes (version and variant bits set).
    static Uuid fromRandomBytes(const std::array<std::uint8_t, 16>& random);
    // Accepts either letter case; anything but the 36-character form gives nothing.
    static std::optional<Uuid> parse(std::string_view text);
    std::string toString() const;
};

}  // namespace glimora
