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
#include "render/radial_darkening_table.hpp"
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
    // Returns whether everything but the cell colours is as in the last
    // layout: then a frame differs from the last one only where a cell's
    // colour does.
    bool layOut(const WallpaperExportSettings& settings, double width, double height, double scale,
                const CanvasPixels& pixels, bool swapRedBlue = false);

    // Whether the vignette's levels are kept from one layout to the next (a
    // table of bytes the size of the darkened part of the canvas), for a
    // grid painted frame after frame over the same geometry; otherwise every
    // paint works them out anew.
    void keepVignetteLevels(bool keep) { keepVignette_ = keep; }
    std::size_t vignetteBytes() const { return vignetteLevels_.bytes(); }

    const CellGrid& grid() const { return grid_; }
    std::int64_t cellCount() const { return grid_.columns * grid_.rows; }

    // Paints the pixels of `clip` (inside the canvas) with the cell colours
    // `colors`, row by row from the top.
    void paint(std::span<const RGB> colors, const PixelRect& clip) const;

    // The pixels that cells first...last-1 of row `row` paint, split bands
    // included (empty when they paint none).
    PixelRect cellsExtent(std::int64_t row, std::int64_t first, std::int64_t last) const;

private:
    // Everything a frame's pixels depend on but the cell colours.
    struct Geometry {
        std::int64_t columns = 0;
        std::int64_t rows = 0;
        double cellWidth = 0;
        double cellHeight = 0;
        std::uint8_t* data = nullptr;
        std::int64_t pixelWidth = 0;
        std::int64_t pixelHeight = 0;
        std::int64_t stride = 0;
        double width = 0;
        double height = 0;
        double scale = 1;
        bool rgbSplit = false;
        bool scanlines = false;
        bool vignette = false;
        bool swapRedBlue = false;
        bool operator==(const Geometry&) const = default;
    };

    // The levels of a span's first and last pixel in a pixel row the cell
    // row covers whole.
    struct EdgeLevels {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
    };

    struct Columns {
        std::int64_t first = 0;
        std::int64_t end = 0;
    };

    Geometry geometry() const;
    RadialDarkening vignetteRamp() const;
    Columns columnsMeeting(std::int64_t x0, std::int64_t x1) const;
    void paintCells(std::uint8_t* row, std::span<const RGB> colors, std::int64_t cellRow, float coverage,
                    Columns columns, std::int64_t x0, std::int64_t x1) const;
    float coverageOf(std::int64_t cellRow, std::int64_t y) const;
    void findUncovered();
    void keepOrDropVignetteLevels();
    void paintUncovered(std::uint8_t* row, std::span<const RGB> colors, std::int64_t cellRow, float coverage,
                        std::int64_t x0, std::int64_t x1) const;

    CellGrid grid_;
    CanvasPixels pixels_{};
    double width_ = 0;
    double height_ = 0;
    double scale_ = 1;
    bool rgbSplit_ = false;
    bool scanlines_ = false;
    bool vignette_ = false;
    bool swapRedBlue_ = false;
    bool keepVignette_ = false;
    std::vector<CoverageSpan> cells_;
    std::vector<CoverageSpan> redBands_;
    std::vector<CoverageSpan> cyanBands_;
    std::vector<EdgeLevels> cellEdges_;
    std::vector<EdgeLevels> redEdges_;
    std::vector<EdgeLevels> cyanEdges_;
    std::vector<CoverageSpan> rows_;           // each cell row's pixel rows (begin, end only)
    std::vector<std::int64_t> reachAbove_;     // where the pixel rows of the cell rows above end
    std::vector<CoverageSpan> scanlineRows_;   // the pixel rows of every other cell row's scanline
    std::vector<double> scanlineTops_;
    // The pixels a cell row covering a pixel row whole leaves to what lies
    // beneath (it writes every other one opaque), and the spans over each,
    // in painting order: uncoveredOps_[uncoveredStarts_[k]...] for pixel
    // uncovered_[k]. A span is a column and a kind: 0 cell, 1 red, 2 cyan.
    struct SpanOp {
        std::int32_t column = 0;
        std::int32_t kind = 0;
    };
    std::vector<std::int64_t> uncovered_;
    std::vector<std::uint32_t> uncoveredStarts_;
    std::vector<SpanOp> uncoveredOps_;
    std::vector<std::uint8_t> opaque_;  // scratch for findUncovered
    std::int64_t bandReach_ = 0;               // how many columns a split band reaches beyond its own
    CoverageSpan across_;                      // the canvas width, for the scanlines
    RadialDarkeningTable vignetteLevels_;
};

}  // namespace glimora::WallpaperRenderer
