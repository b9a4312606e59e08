// Channel arithmetic shared by every renderer.
#pragma once

#include <cstdint>

namespace glimora {

// An 8-bit sRGB colour. Packed into one integer as red in bits 0-7, green in
// bits 8-15, blue in bits 16-23.
struct RGB {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const RGB&, const RGB&) = default;

    constexpr std::uint32_t packed() const {
        return std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
    }
    static constexpr RGB unpacked(std::uint32_t value) {
        return {std::uint8_t(value & 0xFF), std::uint8_t((value >> 8) & 0xFF), std::uint8_t((value >> 16) & 0xFF)};
    }
};

// Round half away from zero, then clamp to 0...255. A value that is not a
// number gives 0; the clamp happens before any conversion to an integer.
int clampToByte(double value);

// The ordered-dither threshold of a size x size Bayer matrix at (row, column),
// in 0...1. Coordinates wrap; a size below 2 gives 0.
double bayerThreshold(int size, std::int64_t row, std::int64_t column);

}  // namespace glimora
