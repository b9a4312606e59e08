// The shape every successfully decoded picture must have.
#pragma once

#include <algorithm>

#include "render/image_pixelizer.hpp"
#include "render/pixel_image_buffer.hpp"
#include "tests/fuzz/fuzz_check.hpp"

namespace glimora::fuzz {

inline void checkDecodedPicture(const PixelImageBuffer& image, int maxPixelSize) {
    GLIMORA_FUZZ_CHECK(image.width >= 1 && image.height >= 1);
    GLIMORA_FUZZ_CHECK(std::max(image.width, image.height) <= maxPixelSize);
    GLIMORA_FUZZ_CHECK(image.rgba && image.rgba->size() == std::size_t(image.width * image.height * 4));
    // Opaque: transparency is laid over white.
    for (std::size_t alpha = 3; alpha < image.rgba->size(); alpha += 4) GLIMORA_FUZZ_CHECK((*image.rgba)[alpha] == 255);
}

// Runs a core decoder, which either returns such a picture or refuses with
// PixelizerError::invalidImage.
template <class Decode>
void checkCoreDecoder(const Decode& decode, int maxPixelSize) {
    try {
        checkDecodedPicture(decode(maxPixelSize), maxPixelSize);
    } catch (ImagePixelizer::PixelizerError error) {
        GLIMORA_FUZZ_CHECK(error == ImagePixelizer::PixelizerError::invalidImage);
    }
}

}  // namespace glimora::fuzz
