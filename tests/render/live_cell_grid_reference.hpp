// The live cell grid as it was painted one operation at a time, before the
// painting was made faster: a slow reference the fast paths must equal byte
// for byte. Every blend here is the scalar blendPixel.
#pragma once

#include <span>

#include "render/live_cell_grid.hpp"

namespace glimora::WallpaperRenderer::test {

// The pixels of `clip` with the grid of `settings` over a width x height
// canvas at `scale`, cell colours `colors` (row by row), as
// LiveCellGrid::layOut then paint must give them.
void paintCellGridReference(const WallpaperExportSettings& settings, double width, double height, double scale,
                            const CanvasPixels& pixels, bool swapRedBlue, std::span<const RGB> colors,
                            const PixelRect& clip);

// darkenRadial one pixel and one channel at a time.
void darkenRadialReference(const CanvasBand& band, const RadialDarkening& ramp);

}  // namespace glimora::WallpaperRenderer::test
