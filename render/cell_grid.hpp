// The cell grid of a shape design, shared by the bitmap, the SVG writer and
// the live canvas so that a cell has the same colour in all three.
#pragma once

#include <cstdint>

#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The output size of an export: 1920x1080, 3840x2160 or 6016x3384.
PixelSize exportPixelSize(ExportResolution resolution);

// A half-open range of pixels, begin <= index < end.
struct PixelSpan {
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

struct CellGrid {
    // A canvas far taller than wide would ask for millions of rows; past this
    // many the cells grow taller instead.
    static constexpr std::int64_t maximumRows = 16384;

    std::int64_t columns = 0;
    std::int64_t rows = 0;
    double cellWidth = 0;
    double cellHeight = 0;
    double xDivisor = 1;
    double yDivisor = 1;

    // The unit sampling point of a cell: 0 at the first column or row, 1 at
    // the last.
    double unitX(std::int64_t column) const { return double(column) / xDivisor; }
    double unitY(std::int64_t row) const { return double(row) / yDivisor; }

    // The pixels of a cell in an image of `width` x `height` pixels: truncated
    // edges, at least one pixel, never past the image. Because the edges are
    // truncated, the last cell may end a pixel short of the image edge.
    PixelSpan columnSpan(std::int64_t column, std::int64_t width) const;
    PixelSpan rowSpan(std::int64_t row, std::int64_t height) const;

    // The same spans, except that the last column and the last row run on to
    // the image edge, so every pixel belongs to a cell.
    PixelSpan coveringColumnSpan(std::int64_t column, std::int64_t width) const;
    PixelSpan coveringRowSpan(std::int64_t row, std::int64_t height) const;
};

// The grid of `settings`' `pixelScale` over a canvas of width x height (pixels
// or points): 56...260 columns of cellWidth = width / columns, and as many rows
// as make the cells nearly square.
CellGrid cellGrid(const WallpaperExportSettings& settings, double width, double height);

}  // namespace glimora::WallpaperRenderer
