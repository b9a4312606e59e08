// Pixel reads over raw RGBA bytes, shared by the buffer, the pixelizer and its
// SVG form (which receives the buffer's fields rather than the buffer).
#pragma once

#include <cstdint>
#include <span>

#include "render/color_math.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora::pixel_sampling {

// The pixel nearest to the unit position (x, y); black when there is no such
// pixel in `rgba`. A non-finite coordinate counts as 0.
RGB nearestPixel(std::int64_t width, std::int64_t height, std::span<const std::uint8_t> rgba, double x,
                 double y);

ImagePixelizer::PixelGrid pixelize(std::int64_t width, std::int64_t height,
                                   std::span<const std::uint8_t> rgba, std::int64_t targetWidth,
                                   std::int64_t targetHeight, const ImagePixelizer::Settings& settings);

}  // namespace glimora::pixel_sampling
