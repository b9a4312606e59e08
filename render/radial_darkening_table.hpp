// darkenRadial's levels over a whole canvas, kept as bytes for the stretches
// of each pixel row that darken at all: they depend on the canvas geometry
// only, so a frame over the same geometry merely blends them. A 1920 x 1080
// vignette keeps about 0.6 MB.
#pragma once

#include <cstdint>
#include <vector>

#include "render/canvas_painter.hpp"

namespace glimora::WallpaperRenderer {

class RadialDarkeningTable {
public:
    // The levels of `ramp` on `width` x `height` pixels at `scale` pixels per
    // canvas unit; the same arguments as the last time keep the table.
    // False when the table cannot stand for darkenRadial (then it is empty).
    bool make(const RadialDarkening& ramp, double scale, std::int64_t width, std::int64_t height);

    // Frees the table.
    void clear();

    bool empty() const { return rows_.empty(); }

    // Columns clipBegin...clipEnd-1 of pixel row y, read from `from` and
    // written to `to` (which may be `from`): darkened as darkenRadial darkens
    // them, copied unchanged elsewhere. Both point at the row's pixel 0.
    void darkenRow(std::int64_t y, std::uint8_t* to, const std::uint8_t* from, std::int64_t clipBegin,
                   std::int64_t clipEnd) const;

    // The bytes the table keeps.
    std::size_t bytes() const;

private:
    // Columns begin...end-1 take levels_[offset...offset+end-begin-1].
    struct Stretch {
        std::int32_t begin = 0;
        std::int32_t end = 0;
        std::uint32_t offset = 0;
    };

    struct Key {
        double centerX = 0, centerY = 0, inner = 0, outer = 0, peak = 0, scale = 0;
        std::int64_t width = 0, height = 0;
        bool operator==(const Key&) const = default;
    };

    Key key_;
    std::vector<Stretch> rows_;  // two per pixel row
    std::vector<std::uint8_t> levels_;
};

}  // namespace glimora::WallpaperRenderer
