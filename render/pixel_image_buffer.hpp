// Decoded photo pixels: 8-bit RGBA rows, top to bottom, stride width * 4.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace glimora {

struct PixelImageBuffer {
    std::int64_t width = 0;
    std::int64_t height = 0;
    // Copies share the bytes; a buffer is never changed once made.
    std::shared_ptr<const std::vector<std::uint8_t>> rgba;

    std::span<const std::uint8_t> bytes() const {
        return rgba ? std::span<const std::uint8_t>(*rgba) : std::span<const std::uint8_t>();
    }

    // PNG bytes of the pixels, or nothing when the buffer is empty, short of
    // width * height * 4 bytes, or the encoder fails.
    std::optional<std::vector<std::uint8_t>> pngData() const;
};

}  // namespace glimora
