// The live canvas: the design drawn into the pixels of a desktop view, the
// third twin of the bitmap and the SVG writer. Same grids and cell colours,
// drawn as antialiased shapes in points, with the canvas' own cell growth,
// split bands and overlays.
#pragma once

#include <span>

#include "render/canvas_painter.hpp"
#include "render/cell_grid.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// Where a live canvas draws: its pixels, how many pixels make a point, and
// how many threads may share the work (1: the calling thread only; 0: one per
// core). The pixels are normally width x height points times `scale`; the
// result is the same whatever the thread count.
struct CanvasContext {
    CanvasPixels pixels;
    double scale = 1;
    int threadCount = 1;
};

// The design of `settings` on a canvas of width x height points: the
// pixelized photo when the snapshot has one, else the grain gradient when
// active, else the smooth gradient with its overlays, else the cell grid with
// its split bands, scanline bands and vignette. Draws nothing on a canvas
// without area and never fails. Every pixel of the canvas is written.
void draw(const WallpaperExportSettings& settings, const CanvasContext& context, double width, double height);

class LiveCellGrid;

// Whether a canvas of width x height points has area and its pixels can be drawn.
bool drawable(const CanvasContext& context, double width, double height);

// The live colours of every cell of `grid`, row by row from the top, on up
// to `threadCount` threads.
void fillLiveCellColors(const WallpaperExportSettings& settings, const CellGrid& grid, int threadCount,
                        std::span<RGB> colors);

// The whole cell grid laid out in `layout` with `colors`, on the context's threads.
void paintLiveCellGrid(const LiveCellGrid& layout, std::span<const RGB> colors, const CanvasContext& context);

// The grain gradient: cells grown by 0.55 points, halftone dots on the grown
// cells, and a vignette of its own.
void drawLiveGrainGradient(const CanvasContext& context, const WallpaperExportSettings& settings,
                           double width, double height);

// The smooth gradient: the linear ramp and its two glows, blended normally.
void drawLiveSmoothGradient(const CanvasContext& context, const WallpaperExportSettings& settings,
                            double width, double height);

// The smooth gradient's thin scanline bands and vignette.
void drawLiveSmoothOverlays(const CanvasContext& context, const WallpaperExportSettings& settings,
                            double width, double height);

// The smooth gradient with its overlays, as the two above draw them, with red
// and blue swapped in every pixel when asked; in one pass over the pixels
// where the processor has AVX2, else with the two above and a swap.
void drawLiveSmoothFrame(const CanvasContext& context, const WallpaperExportSettings& settings, double width,
                         double height, bool swapRedAndBlue);

// For the designs that can be drawn straight in either byte order (the
// smooth gradient): draws as draw() does, red and blue swapped when asked,
// and returns true. Returns false, drawing nothing, for every other design
// and for a canvas without area.
bool drawInOrder(const WallpaperExportSettings& settings, const CanvasContext& context, double width,
                 double height, bool swapRedAndBlue);

// Red and blue swapped in every pixel.
void swapRedAndBlueChannels(const CanvasPixels& pixels);

}  // namespace glimora::WallpaperRenderer
