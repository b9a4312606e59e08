#include <algorithm>
#include <new>
#include <string>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora {

namespace image_decoding {

bool declaredSizeFits(std::int64_t width, std::int64_t height, DecodeNotes* notes) {
    constexpr std::int64_t side = PixelImageBuffer::maxDeclaredSide;
    if (width >= 1 && height >= 1 && width <= side && height <= side &&
        width * height <= PixelImageBuffer::maxDeclaredPixels)
        return true;
    if (notes && width >= 1 && height >= 1) {
        notes->push_back("it declares " + std::to_string(width) + " x " + std::to_string(height) +
                         " pixels; a picture may have at most " + std::to_string(side) + " on a side and " +
                         std::to_string(PixelImageBuffer::maxDeclaredPixels) + " in all");
    }
    return false;
}

std::optional<SrgbTransform> srgbTransform(const SourceColors& colors, SourcePixels pixels, DecodeNotes* notes) {
    std::string problem;
    auto transform = SrgbTransform::make(colors, pixels, problem);
    if (!transform && !problem.empty() && notes) notes->push_back(std::move(problem));
    return transform;
}

}  // namespace image_decoding

bool PixelImageBuffer::canDecode(std::span<const std::uint8_t> data) {
    return image_decoding::isJpeg(data) || image_decoding::isPng(data);
}

PixelImageBuffer PixelImageBuffer::load(std::span<const std::uint8_t> data, int maxPixelSize, DecodeNotes* notes) {
    const std::int64_t limit = std::clamp<std::int64_t>(maxPixelSize, 1, maxDeclaredSide);
    try {
        if (image_decoding::isJpeg(data)) return image_decoding::decodeJpeg(data, limit, notes);
        if (image_decoding::isPng(data)) return image_decoding::decodePng(data, limit, notes);
    } catch (const std::bad_alloc&) {
        // Only a photo near the declared limits can need more than we get.
    }
    throw ImagePixelizer::PixelizerError::invalidImage;
}

}  // namespace glimora
