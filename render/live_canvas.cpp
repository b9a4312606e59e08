#include "render/live_canvas.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/grain_gradient.hpp"
#include "render/image_pixelizer.hpp"
#include "render/live_cell_grid.hpp"
#include "render/band_workers.hpp"
#include "render/parallel_bands.hpp"
#include "render/smooth_frame_kernels.hpp"
#include "render/vector_units.hpp"

namespace glimora::WallpaperRenderer {

namespace {

constexpr RGB black{0, 0, 0};

// The grain cells grow by this much, so that no seam shows between
// antialiased neighbours; later cells cover the overlap.
constexpr double grainCellGrowth = 0.55;

CanvasBand bandOf(const CanvasContext& context, std::int64_t rowBegin, std::int64_t rowEnd) {
    return {context.pixels, rowBegin, rowEnd, context.scale};
}

// A rectangle spanning the whole canvas width, painted in black at `opacity`:
// the scanline bands.
void darkenBandRect(const CanvasBand& band, double top, double height, double canvasWidth, float opacity) {
    const CoverageSpan across = coverageSpan(0, canvasWidth * band.scale, band.pixels.width);
    const RowRange rows = rowsOf(top, top + height, band.scale, band.rowBegin, band.rowEnd);
    for (std::int64_t y = rows.begin; y < rows.end; ++y) {
        paintSpan(rowPointer(band.pixels, y), across, black,
                  opacity * rowCoverage(y, top, top + height, band.scale));
    }
}

void drawCellGrid(const WallpaperExportSettings& settings, const CanvasContext& context, double width,
                  double height) {
    LiveCellGrid layout;
    layout.layOut(settings, width, height, context.scale, context.pixels);
    std::vector<RGB> colors(std::size_t(layout.cellCount()));
    fillLiveCellColors(settings, layout.grid(), context.threadCount, colors);
    paintLiveCellGrid(layout, colors, context);
}

struct GrainCellPaint {
    RGB fill;
    HalftoneDot dot;
};

}  // namespace

bool drawable(const CanvasContext& context, double width, double height) {
    const CanvasPixels& p = context.pixels;
    return width > 0 && height > 0 && std::isfinite(width) && std::isfinite(height) && context.scale > 0 &&
           std::isfinite(context.scale) && p.data && p.width > 0 && p.height > 0 && p.stride >= p.width * 4;
}

void fillLiveCellColors(const WallpaperExportSettings& settings, const CellGrid& grid, int threadCount,
                        std::span<RGB> colors) {
    const CellColorer colorer(settings);
    const std::int64_t columns = grid.columns;
    forEachBand(grid.rows, threadCount, [&](std::int64_t begin, std::int64_t end) {
        colorer.fillRows(grid, begin, end,
                         colors.subspan(std::size_t(begin * columns), std::size_t((end - begin) * columns)),
                         CellFinish::live);
    });
}

void paintLiveCellGrid(const LiveCellGrid& layout, std::span<const RGB> colors, const CanvasContext& context) {
    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        layout.paint(colors, {0, rowBegin, context.pixels.width, rowEnd - rowBegin});
    });
}

void drawLiveGrainGradient(const CanvasContext& context, const WallpaperExportSettings& settings,
                           double width, double height) {
    if (!drawable(context, width, height)) return;
    const GrainGrid grid = grainGrid(settings, width, height);
    const std::int64_t columns = grid.columns;
    const std::int64_t rows = grid.rows;
    const double w = width / double(columns);
    const double h = height / double(rows);
    const double scale = context.scale;
    const GrainColorer colorer(settings, width / std::max(height, 1.0));

    std::vector<GrainCellPaint> cells(std::size_t(columns * rows));
    forEachBand(rows, context.threadCount, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t r = begin; r < end; ++r) {
            for (std::int64_t c = 0; c < columns; ++c) {
                const GrainColorer::Cell cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
                const RGB scanlined = colorer.scanlined(cell.color, r);
                GrainCellPaint& paint = cells[std::size_t(r * columns + c)];
                paint.fill = colorer.ground(scanlined);
                if (colorer.halftone()) {
                    paint.dot = colorer.halftoneDot(cell, scanlined, r, c, w * double(c), h * double(r),
                                                    w + grainCellGrowth, h + grainCellGrowth);
                }
            }
        }
    });

    std::vector<CoverageSpan> spans(static_cast<std::size_t>(columns));
    for (std::int64_t c = 0; c < columns; ++c) {
        spans[std::size_t(c)] = coverageSpan(
            w * double(c) * scale, (w * double(c) + w + grainCellGrowth) * scale, context.pixels.width);
    }
    const bool halftone = colorer.halftone();
    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const CanvasBand band = bandOf(context, rowBegin, rowEnd);
        fillBand(band, black);
        std::vector<float> scratch;
        for (std::int64_t r = 0; r < rows; ++r) {
            const double top = h * double(r);
            const double bottom = top + h + grainCellGrowth;
            // A dot never leaves its grown cell, so the cell's rows hold it.
            const RowRange range = rowsOf(top, bottom, scale, rowBegin, rowEnd);
            for (std::int64_t y = range.begin; y < range.end; ++y) {
                std::uint8_t* row = rowPointer(context.pixels, y);
                const float coverage = rowCoverage(y, top, bottom, scale);
                const GrainCellPaint* rowCells = cells.data() + r * columns;
                for (std::int64_t c = 0; c < columns; ++c) {
                    paintSpan(row, spans[std::size_t(c)], rowCells[c].fill, coverage);
                    if (halftone) {
                        const HalftoneDot& dot = rowCells[c].dot;
                        paintCircleRow(row, y, context.pixels.width, dot.centerX * scale, dot.centerY * scale,
                                       dot.radius * scale, dot.color, float(dot.alpha), scratch);
                    }
                }
            }
        }
        if (settings.vignette) {
            darkenRadial(band, {width / 2, height / 2, 0.2 * std::min(width, height),
                                0.78 * std::max(width, height), 0.4});
        }
    });
}

void drawLiveSmoothGradient(const CanvasContext& context, const WallpaperExportSettings& settings,
                            double width, double height) {
    if (!drawable(context, width, height)) return;
    const std::vector<RGB> colors = smoothGradientColors(settings);
    const SmoothGradientLayout layout = smoothGradientLayout(settings, colors, width, height);
    const LinearRamp ramp{layout.startX, layout.startY, layout.endX, layout.endY, colors};
    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const CanvasBand band = bandOf(context, rowBegin, rowEnd);
        paintLinearRamp(band, ramp);
        paintRadialGlow(band, layout.accent);
        paintRadialGlow(band, layout.counterLight);
    });
}

void drawLiveSmoothOverlays(const CanvasContext& context, const WallpaperExportSettings& settings,
                            double width, double height) {
    if (!drawable(context, width, height)) return;
    if (!settings.scanlines && !settings.vignette) return;
    const SmoothOverlayLayout layout = smoothOverlayLayout(settings, width, height);
    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const CanvasBand band = bandOf(context, rowBegin, rowEnd);
        if (layout.scanlines) {
            for (std::int64_t k = 0; 2 * layout.pitch * double(k) < height; ++k) {
                darkenBandRect(band, 2 * layout.pitch * double(k), layout.bandHeight, width, 0.1f);
            }
        }
        if (layout.vignette) darkenRadial(band, layout.darkening);
    });
}

void drawLiveSmoothFrame(const CanvasContext& context, const WallpaperExportSettings& settings, double width,
                         double height, bool swapRedAndBlue) {
    if (!drawable(context, width, height)) return;
    // The palette's storage and the ramp's table are kept for the next frame
    // (of this thread).
    thread_local std::vector<RGB> colors;
    thread_local SmoothRampTable ramps;
    smoothGradientColors(settings, colors);
    SmoothFrame frame;
    const bool vector = vectorUnitsInUse();
    if (vector &&
        frame.prepare(settings, colors, context.pixels, context.scale, width, height, true, swapRedAndBlue, ramps)) {
        // A band per this many pixels: a 1920 x 1080 frame takes a couple of
        // milliseconds on one core, less than waking threads costs.
        constexpr std::int64_t pixelsPerBand = std::int64_t(1) << 22;
        const std::int64_t pixels = context.pixels.width * context.pixels.height;
        const int wanted = context.threadCount > 0 ? context.threadCount : defaultThreadCount();
        const auto bands = int(std::clamp<std::int64_t>(pixels / pixelsPerBand, 1, std::max(wanted, 1)));
        if (bands == 1) {
            frame.paintRows(0, context.pixels.height, true);
            return;
        }
        // Threads kept from frame to frame (of this thread's): a frame starts
        // none and allocates nothing.
        thread_local BandWorkers workers;
        struct Job {
            const SmoothFrame& frame;
            std::int64_t rows;
            int bands;
        } job{frame, context.pixels.height, bands};
        workers.run(bands, bands, [](void* context, int band) {
            const Job& job = *static_cast<const Job*>(context);
            job.frame.paintRows(job.rows * band / job.bands, job.rows * (band + 1) / job.bands, true);
        }, &job);
        return;
    }
    drawLiveSmoothGradient(context, settings, width, height);
    drawLiveSmoothOverlays(context, settings, width, height);
    if (swapRedAndBlue) swapRedAndBlueChannels(context.pixels);
}

bool drawInOrder(const WallpaperExportSettings& settings, const CanvasContext& context, double width,
                 double height, bool swapRedAndBlue) {
    if (!drawable(context, width, height) || settings.imageBuffer || settings.grainGradientActive ||
        settings.shape != NotchShape::smoothGradient)
        return false;
    drawLiveSmoothFrame(context, settings, width, height, swapRedAndBlue);
    return true;
}

void swapRedAndBlueChannels(const CanvasPixels& pixels) {
    for (std::int64_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* pixel = rowPointer(pixels, y);
        for (std::int64_t x = 0; x < pixels.width; ++x, pixel += 4) std::swap(pixel[0], pixel[2]);
    }
}

void draw(const WallpaperExportSettings& settings, const CanvasContext& context, double width,
          double height) {
    if (!drawable(context, width, height)) return;
    if (settings.imageBuffer) {
        ImagePixelizer::draw(context.pixels, *settings.imageBuffer, settings.imageSettings, width, height,
                             context.scale, context.threadCount);
    } else if (settings.grainGradientActive) {
        drawLiveGrainGradient(context, settings, width, height);
    } else if (settings.shape == NotchShape::smoothGradient) {
        drawLiveSmoothFrame(context, settings, width, height, false);
    } else {
        drawCellGrid(settings, context, width, height);
    }
}

}  // namespace glimora::WallpaperRenderer
