#include "render/live_canvas.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/grain_gradient.hpp"
#include "render/image_pixelizer.hpp"
#include "render/live_cell_grid.hpp"

namespace glimora::WallpaperRenderer {

namespace {

constexpr RGB black{0, 0, 0};

// The grain cells grow by this much, so that no seam shows between
// antialiased neighbours; later cells cover the overlap.
constexpr double grainCellGrowth = 0.55;

CanvasBand bandOf(const CanvasContext& context, std::int64_t rowBegin, std::int64_t rowEnd) {
    return {context.pixels, rowBegin, rowEnd, context.scale};
}

// The pixel rows an extent top...bottom (points) touches, clipped to a band.
struct RowRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

RowRange rowsOf(double top, double bottom, double scale, std::int64_t rowBegin, std::int64_t rowEnd) {
    const CoverageSpan span = coverageSpan(top * scale, bottom * scale, rowEnd);
    return {std::max(span.begin, rowBegin), std::max(std::min(span.end, rowEnd), rowBegin)};
}

float rowCoverage(std::int64_t row, double top, double bottom, double scale) {
    const double a = std::max(double(row), top * scale);
    const double b = std::min(double(row + 1), bottom * scale);
    return b > a ? float(b - a) : 0.0f;
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
    constexpr double pi = std::numbers::pi;
    const double b = (settings.angle + 0.15 * settings.phase) * pi / 180;
    const LinearRamp ramp{(0.5 - 0.7 * std::cos(b)) * width, (0.5 - 0.7 * std::sin(b)) * height,
                          (0.7 * std::cos(b) + 0.5) * width, (0.7 * std::sin(b) + 0.5) * height, colors};

    const double cx = std::clamp(settings.centerX / 100, 0.0, 1.0);
    const double cy = std::clamp(settings.centerY / 100, 0.0, 1.0);
    const double reach = std::clamp(settings.spread / 260, 0.18, 1.2);
    const double r1 = std::max(0.16 * std::min(width, height),
                               (std::isnan(reach) ? 0.18 : reach) * std::max(width, height));
    const RadialGlow accent{(std::isnan(cx) ? 0 : cx) * width, (std::isnan(cy) ? 0 : cy) * height, r1,
                            colors.back(), 0.48};
    const RadialGlow counterLight{(1 - (std::isnan(cx) ? 0 : cx)) * width,
                                  (0.72 + 0.08 * std::sin(settings.phase * pi / 180)) * height, 0.78 * r1,
                                  colors.front(), 0.24};

    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const CanvasBand band = bandOf(context, rowBegin, rowEnd);
        paintLinearRamp(band, ramp);
        paintRadialGlow(band, accent);
        paintRadialGlow(band, counterLight);
    });
}

void drawLiveSmoothOverlays(const CanvasContext& context, const WallpaperExportSettings& settings,
                            double width, double height) {
    if (!drawable(context, width, height)) return;
    if (!settings.scanlines && !settings.vignette) return;
    forEachBand(context.pixels.height, context.threadCount, [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const CanvasBand band = bandOf(context, rowBegin, rowEnd);
        if (settings.scanlines) {
            const double pitch = std::max(height / 140, 2.0);
            const double bandHeight = std::max(0.12 * height / 140, 0.6);
            for (std::int64_t k = 0; 2 * pitch * double(k) < height; ++k) {
                darkenBandRect(band, 2 * pitch * double(k), bandHeight, width, 0.1f);
            }
        }
        if (settings.vignette) {
            darkenRadial(band, {width / 2, height / 2, 0.12 * std::min(width, height),
                                0.72 * std::max(width, height), 0.72});
        }
    });
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
        drawLiveSmoothGradient(context, settings, width, height);
        drawLiveSmoothOverlays(context, settings, width, height);
    } else {
        drawCellGrid(settings, context, width, height);
    }
}

}  // namespace glimora::WallpaperRenderer
