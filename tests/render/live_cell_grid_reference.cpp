#include "tests/render/live_cell_grid_reference.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace glimora::WallpaperRenderer::test {

namespace {

constexpr RGB black{0, 0, 0};
constexpr double cellGrowth = 0.6;
constexpr float splitOpacity = 0.34f;
constexpr float scanlineOpacity = 0.12f;

float rowCoverage(std::int64_t row, double top, double bottom, double scale) {
    const double a = std::max(double(row), top * scale);
    const double b = std::min(double(row + 1), bottom * scale);
    return b > a ? float(b - a) : 0.0f;
}

bool meets(const CoverageSpan& span, std::int64_t begin, std::int64_t end) {
    return !span.empty() && span.begin < end && span.end > begin;
}

}  // namespace

void darkenRadialReference(const CanvasBand& band, const RadialDarkening& ramp) {
    if (!(ramp.peak > 0)) return;
    const double scale = band.scale;
    const double cx = ramp.centerX * scale;
    const double cy = ramp.centerY * scale;
    const double inner = ramp.inner * scale;
    const double outer = ramp.outer * scale;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(inner) || !std::isfinite(outer)) return;
    const double range = outer - inner;
    const double middle = range > 0 ? inner + 0.5 * range : outer;
    const float slope = range > 0 ? float(1 / (0.5 * range)) : 1e30f;
    const float peak = 255.0f * float(std::min(ramp.peak, 1.0));
    detail::RadialLevels levelsOf{float(cx), 0, float(middle), slope, 0, peak};
    const std::int64_t width = band.pixels.width;
    const std::int64_t clipBegin = band.firstColumn();
    const std::int64_t clipEnd = band.endColumn();
    std::vector<std::uint32_t> levels(std::size_t(std::max<std::int64_t>(width, 1)));
    for (std::int64_t y = band.rowBegin; y < band.rowEnd; ++y) {
        const double dy = double(y) + 0.5 - cy;
        levelsOf.dySquared = float(dy * dy);
        std::int64_t skipBegin = width;
        std::int64_t skipEnd = width;
        const double clearSquared = middle * middle - dy * dy;
        if (clearSquared > 0) {
            const double reach = std::sqrt(clearSquared);
            skipBegin = std::int64_t(std::clamp(std::ceil(cx - reach - 0.5) + 1, 0.0, double(width)));
            skipEnd = std::int64_t(std::clamp(std::floor(cx + reach - 0.5), 0.0, double(width)));
            if (skipEnd < skipBegin) skipBegin = skipEnd = width;
        }
        std::uint8_t* row = rowPointer(band.pixels, y);
        for (const auto& [from, to] : {std::pair{std::int64_t(0), skipBegin}, std::pair{skipEnd, width}}) {
            const std::int64_t begin = std::max(from, clipBegin);
            const std::int64_t end = std::min(to, clipEnd);
            if (begin >= end) continue;
            detail::radialLevelsScalar(levelsOf, from, begin - from, end - begin, levels.data());
            detail::blendRowScalar(row + 4 * begin, end - begin, black, levels.data());
        }
    }
}

void paintCellGridReference(const WallpaperExportSettings& settings, double width, double height, double scale,
                            const CanvasPixels& pixels, bool swapRedBlue, std::span<const RGB> colors,
                            const PixelRect& clip) {
    // The layout.
    const CellGrid grid = cellGrid(settings, width, height);
    const bool rgbSplit = settings.rgbSplit;
    const auto columns = std::size_t(grid.columns);
    const double w = grid.cellWidth;
    const double a = std::max(0.08 * w, 0.8);
    const double b = std::max(0.14 * w, 1.1);
    std::vector<CoverageSpan> cells(columns), redBands(rgbSplit ? columns : 0), cyanBands(rgbSplit ? columns : 0);
    for (std::size_t c = 0; c < columns; ++c) {
        const double minX = w * double(c);
        const double maxX = minX + w + cellGrowth;
        cells[c] = coverageSpan(minX * scale, maxX * scale, pixels.width);
        if (rgbSplit) {
            redBands[c] = coverageSpan((minX - a) * scale, (minX - a + b) * scale, pixels.width);
            cyanBands[c] = coverageSpan((maxX + a - b) * scale, (maxX + a) * scale, pixels.width);
        }
    }
    std::vector<CoverageSpan> rowSpans(std::size_t(grid.rows));
    for (std::size_t r = 0; r < rowSpans.size(); ++r) {
        const double top = grid.cellHeight * double(r);
        rowSpans[r] = coverageSpan(top * scale, (top + grid.cellHeight + cellGrowth) * scale, pixels.height);
    }

    // The paint: black, every cell row from the top, the scanlines, the vignette.
    const std::int64_t x0 = std::max<std::int64_t>(clip.x, 0);
    const std::int64_t x1 = std::min(clip.x + clip.width, pixels.width);
    const std::int64_t y0 = std::max<std::int64_t>(clip.y, 0);
    const std::int64_t y1 = std::min(clip.y + clip.height, pixels.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (std::int64_t y = y0; y < y1; ++y)
        for (std::int64_t x = x0; x < x1; ++x) blendPixel(rowPointer(pixels, y) + 4 * x, black, 255);

    std::int64_t firstColumn = grid.columns;
    std::int64_t endColumn = 0;
    for (std::int64_t c = 0; c < grid.columns; ++c) {
        const auto i = std::size_t(c);
        const bool inside =
            meets(cells[i], x0, x1) || (rgbSplit && (meets(redBands[i], x0, x1) || meets(cyanBands[i], x0, x1)));
        if (!inside) continue;
        firstColumn = std::min(firstColumn, c);
        endColumn = c + 1;
    }
    const double h = grid.cellHeight;
    const RGB red = swapRedBlue ? RGB{0, 0, 255} : RGB{255, 0, 0};
    const RGB cyan = swapRedBlue ? RGB{255, 255, 0} : RGB{0, 255, 255};
    for (std::int64_t r = 0; r < grid.rows; ++r) {
        const CoverageSpan& rows = rowSpans[std::size_t(r)];
        if (rows.empty()) continue;
        const double top = h * double(r);
        const double bottom = top + h + cellGrowth;
        const RGB* rowColors = colors.data() + r * grid.columns;
        for (std::int64_t y = std::max(rows.begin, y0); y < std::min(rows.end, y1); ++y) {
            std::uint8_t* row = rowPointer(pixels, y);
            const float coverage = rowCoverage(y, top, bottom, scale);
            for (std::int64_t c = firstColumn; c < endColumn; ++c) {
                const auto i = std::size_t(c);
                paintSpanClipped(row, cells[i], rowColors[c], coverage, x0, x1);
                if (rgbSplit) {
                    paintSpanClipped(row, redBands[i], red, splitOpacity * coverage, x0, x1);
                    paintSpanClipped(row, cyanBands[i], cyan, splitOpacity * coverage, x0, x1);
                }
            }
        }
    }

    if (settings.scanlines) {
        const double bandHeight = std::max(0.12 * h, 0.8);
        const CoverageSpan across = coverageSpan(0, width * scale, pixels.width);
        for (std::int64_t i = 0; i < grid.rows; i += 2) {
            const double top = h * double(i);
            const CoverageSpan rows = coverageSpan(top * scale, (top + bandHeight) * scale, pixels.height);
            for (std::int64_t y = std::max(rows.begin, y0); y < std::min(rows.end, y1); ++y) {
                paintSpanClipped(rowPointer(pixels, y), across, black,
                                 scanlineOpacity * rowCoverage(y, top, top + bandHeight, scale), x0, x1);
            }
        }
    }
    if (settings.vignette) {
        darkenRadialReference({pixels, y0, y1, scale, x0, x1},
                              {width / 2, height / 2, 0.12 * std::min(width, height), 0.72 * std::max(width, height),
                               0.72});
    }
}

}  // namespace glimora::WallpaperRenderer::test
