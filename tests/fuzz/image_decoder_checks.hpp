// The shape every successfully decoded picture must have.
#pragma once

#include <algorithm>

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

}  // namespace glimora::fuzz
