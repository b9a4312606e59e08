// The wallpaper's output: an opaque RGBA bitmap at an export size, its PNG
// bytes, and the SVG documents of gradient designs.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "render/image_pixelizer.hpp"
#include "render/pixel_image_buffer.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// Bytes to draw into: 4 per pixel (red, green, blue, alpha), rows of `stride`
// bytes from the top.
using RGBATarget = ImagePixelizer::RGBATarget;

// A rendered wallpaper: width * height pixels of four bytes (red, green, blue,
// alpha), rows of width * 4 bytes from the top. Copies share the bytes.
struct Bitmap {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::shared_ptr<std::uint8_t[]> rgba;

    std::span<const std::uint8_t> bytes() const {
        return rgba ? std::span<const std::uint8_t>(rgba.get(), std::size_t(width * height * 4))
                    : std::span<const std::uint8_t>();
    }
    // The same pixels as a PixelImageBuffer (a copy).
    PixelImageBuffer buffer() const;
};

// The design at its export size (1920x1080, 3840x2160 or 6016x3384) as an
// opaque bitmap: a photo design through the pixelizer's drawing, else the
// grain gradient, the smooth gradient or the cell grid. Rows are drawn on up
// to `threadCount` threads (0: one per core); any count gives the same bytes.
// Throws RendererError::bitmapUnavailable when no bitmap can be made, and what
// the pixelizer throws on the photo path.
Bitmap renderBitmap(const WallpaperExportSettings& settings, int threadCount = 0);

// Draws a gradient design (grain gradient, smooth gradient or cell grid, as
// renderBitmap chooses; the image buffer is not looked at) over the whole
// target at the target's size. Every pixel is written and opaque afterwards.
// Throws RendererError::bitmapUnavailable for a target whose rows are shorter
// than its width or too large to draw.
void drawWallpaper(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount = 0);

// The cell grid: every cell one flat colour, with the split bands when
// `rgbSplit` is on; the last column and row of cells reach the target's edges.
void drawCellGrid(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount = 0);

// The grain gradient: the grain cells antialiased at their edges (each a
// quarter pixel larger than its share, so no seam shows), over the same cells
// snapped to whole pixels so that every pixel is opaque; the halftone dots as
// antialiased discs; the vignette.
void drawGrainGradient(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount = 0);

// The smooth gradient and its overlays: the linear gradient (padded past both
// ends with its end colours), the two radial glows in screen blend, the
// scanline bands and the vignette.
void drawSmoothGradient(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount = 0);

// PNG bytes of a bitmap, compressed on up to `threadCount` threads (0: one per
// core); the bytes do not depend on the count. Alpha is taken as straight.
// Throws RendererError::encodingFailed for an empty bitmap or a failing
// compressor (out of memory).
std::vector<std::uint8_t> encodePNG(const Bitmap& bitmap, int threadCount = 0);

// renderBitmap, then encodePNG: the bytes of a PNG export or clipboard copy.
std::vector<std::uint8_t> renderPNG(const WallpaperExportSettings& settings, int threadCount = 0);

// The design as one SVG document at its export size: the grain document, the
// smooth-gradient document or the cell grid, chosen as for the bitmap. Photo
// designs have their own writer (ImagePixelizer::renderSVG). Numbers never
// follow the process locale.
std::string renderSVG(const WallpaperExportSettings& settings);
std::string grainGradientSVG(std::int64_t width, std::int64_t height, const WallpaperExportSettings& settings);
std::string smoothGradientSVG(std::int64_t width, std::int64_t height, const WallpaperExportSettings& settings);

}  // namespace glimora::WallpaperRenderer
