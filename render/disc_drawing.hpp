// Antialiased discs blended into RGBA bytes, with each pixel's coverage the
// area of the pixel the disc covers: exact across each row, summed over 32
// sub-rows down it (within 2 levels of the exact area, where a general path
// rasteriser with its curves flattened is several times further off).
#pragma once

#include <cstdint>

#include "render/color_math.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora::WallpaperRenderer {

// Where a disc crosses the middle of each sub-row of one pixel row, and from
// that the covered fraction of each pixel of the row.
struct DiscRowCoverage {
    static constexpr int subRows = 32;

    double left[subRows];
    double right[subRows];
    int count = 0;  // the sub-rows the disc crosses; none means the row is untouched
    double minLeft = 0, maxLeft = 0, minRight = 0, maxRight = 0;

    DiscRowCoverage(double cx, double cy, double radius, std::int64_t y);

    // The covered fraction of pixel x of the row: each sub-row's chord is
    // clipped to the pixel exactly.
    double coverage(std::int64_t x) const;
};

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
