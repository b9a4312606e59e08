#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/parallel_bands.hpp"
#include "render/png_encoder.hpp"
#include "render/raster_shading.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora::WallpaperRenderer {

namespace detail {

void checkTarget(const RGBATarget& target) {
    // Far beyond any export; the drawing's tables count pixels in 32 bits.
    constexpr std::int64_t maxSide = 32767;
    if (target.width > maxSide || target.height > maxSide || target.stride < target.width * 4 ||
        target.stride > std::int64_t(1) << 30) {
        throw RendererError::bitmapUnavailable;
    }
}

int bandCount(std::int64_t rows, int threadCount, int bandsPerThread) {
    return int(std::clamp<std::int64_t>(std::min<std::int64_t>(rows, std::int64_t(threadCount) * bandsPerThread), 1,
                                        1024));
}

}  // namespace detail

namespace {

// A pixel's four bytes red, green, blue, alpha, as one native integer.
std::uint32_t packedPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const std::uint8_t bytes[4] = {r, g, b, 255};
    std::uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

std::uint8_t splitByte(double value) { return std::uint8_t(clampToByte(value)); }

// The pixels of one row of cells: flat colours, or with the split bands the
// cell colour mixed 66 : 34 with red at the left edge and cyan at the right.
// The bands follow the cell's own truncated span; the pixels past the last
// cell repeat its last pixel.
void cellRowPixels(const CellGrid& grid, std::span<const RGB> colors, bool rgbSplit, std::int64_t width,
                   std::uint32_t* out) {
    for (std::int64_t c = 0; c < grid.columns; ++c) {
        const RGB color = colors[std::size_t(c)];
        const std::uint32_t flat = packedPixel(color.red, color.green, color.blue);
        if (!rgbSplit) {
            const PixelSpan span = grid.coveringColumnSpan(c, width);
            std::fill(out + span.begin, out + span.end, flat);
            continue;
        }
        const PixelSpan span = grid.columnSpan(c, width);
        if (span.end <= span.begin) continue;
        const std::int64_t band = std::max<std::int64_t>(1, std::int64_t(0.14 * double(span.end - span.begin)));
        const std::uint32_t left = packedPixel(splitByte(0.66 * color.red + 86.7), splitByte(0.66 * color.green),
                                               splitByte(0.66 * color.blue));
        const std::uint32_t right = packedPixel(splitByte(0.66 * color.red), splitByte(0.66 * color.green + 86.7),
                                                splitByte(0.66 * color.blue + 86.7));
        for (std::int64_t x = span.begin; x < span.end; ++x)
            out[x] = x - span.begin < band ? left : span.end - x <= band ? right : flat;
        if (c == grid.columns - 1) std::fill(out + span.end, out + width, out[span.end - 1]);
    }
}

Bitmap newBitmap(PixelSize size) {
    try {
        // Left uninitialised: the drawing writes every byte, and the threads
        // that draw fault the pages in, in parallel.
        return {size.width, size.height,
                std::make_shared_for_overwrite<std::uint8_t[]>(std::size_t(size.width * size.height * 4))};
    } catch (const std::bad_alloc&) {
        throw RendererError::bitmapUnavailable;
    }
}

}  // namespace

PixelImageBuffer Bitmap::buffer() const {
    const auto pixels = bytes();
    return {width, height, std::make_shared<const std::vector<std::uint8_t>>(pixels.begin(), pixels.end())};
}

void drawCellGrid(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount) {
    if (!target.data || target.width <= 0 || target.height <= 0) return;
    detail::checkTarget(target);
    const CellGrid grid = cellGrid(settings, double(target.width), double(target.height));
    const CellColorer colorer(settings);
    const int threads = threadCount > 0 ? threadCount : defaultThreadCount();
    // Bands of whole cell rows, so that each owns its pixel rows outright.
    const int bands = detail::bandCount(grid.rows, threads, 4);
    forEachBand(bands, threads, [&](int band) {
        const std::int64_t first = grid.rows * band / bands;
        const std::int64_t end = grid.rows * (band + 1) / bands;
        const auto columns = std::size_t(grid.columns);
        std::vector<RGB> colors(std::size_t(end - first) * columns);
        colorer.fillRows(grid, first, end, colors, CellFinish::raster);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(target.width));
        for (std::int64_t r = first; r < end; ++r) {
            cellRowPixels(grid, std::span(colors).subspan(std::size_t(r - first) * columns, columns),
                          settings.rgbSplit, target.width, pixels.data());
            const PixelSpan rows = grid.coveringRowSpan(r, target.height);
            for (std::int64_t y = rows.begin; y < rows.end; ++y)
                std::memcpy(target.data + y * target.stride, pixels.data(), pixels.size() * 4);
        }
    });
}

void drawWallpaper(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount) {
    if (settings.grainGradientActive) {
        drawGrainGradient(settings, target, threadCount);
    } else if (settings.shape == NotchShape::smoothGradient) {
        drawSmoothGradient(settings, target, threadCount);
    } else {
        drawCellGrid(settings, target, threadCount);
    }
}

Bitmap renderBitmap(const WallpaperExportSettings& settings, int threadCount) {
    const PixelSize size = exportPixelSize(settings.resolution);
    if (settings.imageBuffer) {
        const ImagePixelizer::PixelGrid grid =
            ImagePixelizer::pixelize(*settings.imageBuffer, size.width, size.height, settings.imageSettings);
        // The photo path fails as the pixelizer's own bitmap output would.
        Bitmap bitmap;
        try {
            bitmap = newBitmap(size);
        } catch (const RendererError&) {
            throw ImagePixelizer::PixelizerError::bitmapUnavailable;
        }
        ImagePixelizer::drawGrid(grid, settings.imageSettings, double(size.width), double(size.height), 1.0,
                                 {bitmap.rgba.get(), size.width, size.height, size.width * 4}, threadCount);
        return bitmap;
    }
    Bitmap bitmap = newBitmap(size);
    drawWallpaper(settings, {bitmap.rgba.get(), size.width, size.height, size.width * 4}, threadCount);
    return bitmap;
}

std::vector<std::uint8_t> encodePNG(const Bitmap& bitmap, int threadCount) {
    if (bitmap.width < 1 || bitmap.height < 1 || !bitmap.rgba) throw RendererError::encodingFailed;
    std::optional<std::vector<std::uint8_t>> png =
        encodePng(bitmap.rgba.get(), bitmap.width, bitmap.height, bitmap.width * 4, threadCount);
    if (!png) throw RendererError::encodingFailed;
    return std::move(*png);
}

std::vector<std::uint8_t> renderPNG(const WallpaperExportSettings& settings, int threadCount) {
    return encodePNG(renderBitmap(settings, threadCount), threadCount);
}

}  // namespace glimora::WallpaperRenderer
