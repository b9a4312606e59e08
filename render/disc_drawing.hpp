// Antialiased discs blended into RGBA bytes, with each pixel's coverage the
// area of the pixel the disc covers: exact across each row, summed over 32
// sub-rows down it (within 2 levels of the exact area, where a general path
// rasteriser with its curves flattened is several times further off).
#pragma once

#include <cstdint>

#include "render/color_math.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora::WallpaperRenderer {

// The fraction of pixel (x, y) that the disc of `radius` around (cx, cy)
// covers.
double discCoverage(double cx, double cy, double radius, std::int64_t x, std::int64_t y);

// Blends `color` at `alpha` times each pixel's coverage over rows [top,
// bottom) of the target: out = color * a + under * (1 - a) per channel,
// alpha untouched. The rows outside the range are not touched, so a disc
// drawn band by band gives the same pixels as drawn at once.
void blendDisc(const RGBATarget& target, std::int64_t top, std::int64_t bottom, double cx, double cy, double radius,
               RGB color, double alpha);

}  // namespace glimora::WallpaperRenderer
