#include "render/pixel_image_buffer.hpp"

#include <cstdint>
#include <limits>
#include <new>

#include "render/png_encoder.hpp"

namespace glimora {

namespace {

// Straight colour of a premultiplied channel, rounded to nearest; a channel
// above its alpha (not a valid premultiplied value) saturates at 255.
std::uint8_t unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
    const std::uint32_t straight = (channel * 255 + alpha / 2) / alpha;
    return std::uint8_t(straight > 255 ? 255 : straight);
}

// The pixels with straight alpha, as PNG keeps them.
std::vector<std::uint8_t> straightened(const std::uint8_t* pixels, std::size_t count) {
    std::vector<std::uint8_t> out(pixels, pixels + count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* p = out.data() + i * 4;
        const std::uint32_t alpha = p[3];
        if (alpha == 255) continue;
        for (int k = 0; k < 3; ++k) p[k] = alpha == 0 ? 0 : unpremultiply(p[k], alpha);
    }
    return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> PixelImageBuffer::pngData() const {
    if (width < 1 || height < 1 || !rgba) return std::nullopt;
    // PNG holds at most 2^31 - 1 pixels per side; the byte count must fit too.
    constexpr std::int64_t maxSide = 0x7FFFFFFF;
    if (width > maxSide || height > maxSide) return std::nullopt;
    if (width > std::numeric_limits<std::int64_t>::max() / 4 / height) return std::nullopt;
    const std::uint64_t needed = std::uint64_t(width) * std::uint64_t(height) * 4;
    if (rgba->size() < needed) return std::nullopt;

    const std::uint8_t* pixels = rgba->data();
    bool opaque = true;
    for (std::uint64_t i = 3; i < needed && opaque; i += 4) opaque = pixels[i] == 255;
    if (opaque) return encodePng(pixels, width, height, width * 4);
    try {
        const std::vector<std::uint8_t> straight = straightened(pixels, std::size_t(needed / 4));
        return encodePng(straight.data(), width, height, width * 4);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace glimora
