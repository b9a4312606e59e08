#include <algorithm>
#include <new>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora {

bool PixelImageBuffer::canDecode(std::span<const std::uint8_t> data) {
    return image_decoding::isJpeg(data) || image_decoding::isPng(data);
}

PixelImageBuffer PixelImageBuffer::load(std::span<const std::uint8_t> data, int maxPixelSize) {
    const std::int64_t limit = std::clamp<std::int64_t>(maxPixelSize, 1, maxDeclaredSide);
    try {
        if (image_decoding::isJpeg(data)) return image_decoding::decodeJpeg(data, limit);
        if (image_decoding::isPng(data)) return image_decoding::decodePng(data, limit);
    } catch (const std::bad_alloc&) {
        // Only a photo near the declared limits can need more than we get.
    }
    throw ImagePixelizer::PixelizerError::invalidImage;
}

}  // namespace glimora
