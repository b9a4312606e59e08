// Pictures for the editor in the application: the core decoder for JPEG and
// PNG, and Qt's image reader for the other formats it has plug-ins for (and
// for JPEG or PNG files the core refuses), under the same limits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "render/pixel_image_buffer.hpp"

namespace glimora {

// The picture, its longer side at most maxPixelSize, opaque (transparency
// over white) and upright; nothing when neither decoder reads it. A picture
// declaring more than PixelImageBuffer::maxDeclaredPixels pixels or a side
// above maxDeclaredSide is refused before any pixel is decoded. Safe on any thread.
std::optional<PixelImageBuffer> decodePictureWithQtFallback(std::span<const std::uint8_t> data, int maxPixelSize);

// Qt's reader alone, with the same limits and the core's scaling.
std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize);

}  // namespace glimora
