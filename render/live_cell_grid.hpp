// The cell grid of the live canvas: where its cells, split bands and
// overlays fall in pixels, and their painting inside any rectangle of the
// canvas. A rectangle repainted on its own comes out byte for byte as in a
// whole frame, so a frame may repaint only where its cells changed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "render/canvas_painter.hpp"
#include "render/cell_grid.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// A rectangle of pixels: columns x...x+width-1, rows y...y+height-1.
struct PixelRect {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    std::int64_t area() const { return width * height; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

class LiveCellGrid {
public:
    // Lays the grid of `settings` out on a canvas of width x height points at
    // `scale` pixels per point over `pixels`; the tables are reused from the
    // last layout.
    // With `swapRedBlue` the pixels take each colour's red and blue bytes
    // swapped (the caller swaps the cell colours it paints likewise): the
    // 0xffRRGGBB words of a little-endian screen.
    void layOut(const WallpaperExportSettings& settings, double width, double height, double scale,
                const CanvasPixels& pixels, bool swapRedBlue = false);

    // Whether everything but the cell colours is as in `other`'s layout: then
    // a frame differs from the other's only where a cell's colour does.
    bool sameGeometry(const LiveCellGrid& other) const;

    const CellGrid& grid() const { return grid_; }
    std::int64_t cellCount() const { return grid_.columns * grid_.rows; }

    // Paints the pixels of `clip` (inside the canvas) with the cell colours
    // `colors`, row by row from the top.
    void paint(std::span<const RGB> colors, const PixelRect& clip) const;

    // The pixels that cells first...last-1 of row `row` paint, split bands
    // included (empty when they paint none).
    PixelRect cellsExtent(std::int64_t row, std::int64_t first, std::int64_t last) const;

private:
    CellGrid grid_;
    CanvasPixels pixels_{};
    double width_ = 0;
    double height_ = 0;
    double scale_ = 1;
    bool rgbSplit_ = false;
    bool scanlines_ = false;
    bool vignette_ = false;
    bool swapRedBlue_ = false;
    std::vector<CoverageSpan> cells_;
    std::vector<CoverageSpan> redBands_;
    std::vector<CoverageSpan> cyanBands_;
    std::vector<CoverageSpan> rows_;  // each cell row's pixel rows (begin, end only)
};

}  // namespace glimora::WallpaperRenderer
