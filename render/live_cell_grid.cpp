#include "render/live_cell_grid.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace glimora::WallpaperRenderer {

namespace {

constexpr RGB black{0, 0, 0};
constexpr RGB pureRed{255, 0, 0};
constexpr RGB pureCyan{0, 255, 255};

// Every cell grows by this much, so that no seam shows between antialiased
// neighbours; later cells cover the overlap.
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

void LiveCellGrid::layOut(const WallpaperExportSettings& settings, double width, double height, double scale,
                          const CanvasPixels& pixels, bool swapRedBlue) {
    swapRedBlue_ = swapRedBlue;
    grid_ = cellGrid(settings, width, height);
    pixels_ = pixels;
    width_ = width;
    height_ = height;
    scale_ = scale;
    rgbSplit_ = settings.rgbSplit;
    scanlines_ = settings.scanlines;
    vignette_ = settings.vignette;

    const auto columns = std::size_t(grid_.columns);
    const double w = grid_.cellWidth;
    const double a = std::max(0.08 * w, 0.8);
    const double b = std::max(0.14 * w, 1.1);
    cells_.resize(columns);
    redBands_.resize(rgbSplit_ ? columns : 0);
    cyanBands_.resize(rgbSplit_ ? columns : 0);
    for (std::size_t c = 0; c < columns; ++c) {
        const double minX = w * double(c);
        const double maxX = minX + w + cellGrowth;
        cells_[c] = coverageSpan(minX * scale, maxX * scale, pixels.width);
        if (rgbSplit_) {
            redBands_[c] = coverageSpan((minX - a) * scale, (minX - a + b) * scale, pixels.width);
            cyanBands_[c] = coverageSpan((maxX + a - b) * scale, (maxX + a) * scale, pixels.width);
        }
    }
    rows_.resize(std::size_t(grid_.rows));
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const double top = grid_.cellHeight * double(r);
        rows_[r] = coverageSpan(top * scale, (top + grid_.cellHeight + cellGrowth) * scale, pixels.height);
    }
}

bool LiveCellGrid::sameGeometry(const LiveCellGrid& other) const {
    const auto& p = pixels_;
    const auto& q = other.pixels_;
    return grid_.columns == other.grid_.columns && grid_.rows == other.grid_.rows &&
           grid_.cellWidth == other.grid_.cellWidth && grid_.cellHeight == other.grid_.cellHeight &&
           p.data == q.data && p.width == q.width && p.height == q.height && p.stride == q.stride &&
           width_ == other.width_ && height_ == other.height_ && scale_ == other.scale_ &&
           rgbSplit_ == other.rgbSplit_ && scanlines_ == other.scanlines_ && vignette_ == other.vignette_ &&
           swapRedBlue_ == other.swapRedBlue_;
}

PixelRect LiveCellGrid::cellsExtent(std::int64_t row, std::int64_t first, std::int64_t last) const {
    if (row < 0 || row >= grid_.rows || first >= last) return {};
    std::int64_t begin = pixels_.width;
    std::int64_t end = 0;
    const auto widen = [&](const CoverageSpan& span) {
        if (span.empty()) return;
        begin = std::min(begin, span.begin);
        end = std::max(end, span.end);
    };
    // Spans grow with the column: the first and last columns bound the rest.
    for (const std::int64_t c : {first, last - 1}) {
        widen(cells_[std::size_t(c)]);
        if (rgbSplit_) {
            widen(redBands_[std::size_t(c)]);
            widen(cyanBands_[std::size_t(c)]);
        }
    }
    const CoverageSpan& rows = rows_[std::size_t(row)];
    if (end <= begin || rows.empty()) return {};
    return {begin, rows.begin, end - begin, rows.end - rows.begin};
}

void LiveCellGrid::paint(std::span<const RGB> colors, const PixelRect& clip) const {
    const std::int64_t x0 = std::max<std::int64_t>(clip.x, 0);
    const std::int64_t x1 = std::min(clip.x + clip.width, pixels_.width);
    const std::int64_t y0 = std::max<std::int64_t>(clip.y, 0);
    const std::int64_t y1 = std::min(clip.y + clip.height, pixels_.height);
    if (x0 >= x1 || y0 >= y1) return;
    const CanvasBand band{pixels_, y0, y1, scale_, x0, x1};
    fillBand(band, black);

    // The columns whose paint reaches into the clip; those between that miss
    // it are clipped away below.
    std::int64_t firstColumn = grid_.columns;
    std::int64_t endColumn = 0;
    for (std::int64_t c = 0; c < grid_.columns; ++c) {
        const auto i = std::size_t(c);
        const bool inside = meets(cells_[i], x0, x1) ||
                            (rgbSplit_ && (meets(redBands_[i], x0, x1) || meets(cyanBands_[i], x0, x1)));
        if (!inside) continue;
        firstColumn = std::min(firstColumn, c);
        endColumn = c + 1;
    }

    const double h = grid_.cellHeight;
    // Black and every blend treat the three channels alike; only the split
    // bands' own colours need their swap.
    const RGB red = swapRedBlue_ ? RGB{0, 0, 255} : pureRed;
    const RGB cyan = swapRedBlue_ ? RGB{255, 255, 0} : pureCyan;
    // A pixel row below the reach of the cell row above, covered whole by its
    // own cell row, comes out as every other such row of that cell row: it is
    // painted once and copied (most of a frame's rows).
    const std::size_t offset = std::size_t(x0) * 4;
    const std::size_t clipBytes = std::size_t(x1 - x0) * 4;
    std::int64_t aboveEnd = 0;
    for (std::int64_t r = 0; r < grid_.rows; ++r) {
        const CoverageSpan& rows = rows_[std::size_t(r)];
        const std::int64_t reachAbove = aboveEnd;
        if (!rows.empty()) aboveEnd = rows.end;
        const std::int64_t rowBegin = std::max(rows.begin, y0);
        const std::int64_t rowEnd = std::min(rows.end, y1);
        if (rows.empty() || rowBegin >= rowEnd) continue;
        const double top = h * double(r);
        const double bottom = top + h + cellGrowth;
        const RGB* rowColors = colors.data() + r * grid_.columns;
        const std::uint8_t* whole = nullptr;
        for (std::int64_t y = rowBegin; y < rowEnd; ++y) {
            std::uint8_t* row = rowPointer(pixels_, y);
            const float coverage = rowCoverage(y, top, bottom, scale_);
            if (coverage == 1.0f && y >= reachAbove) {
                if (whole) {
                    std::memcpy(row + offset, whole + offset, clipBytes);
                    continue;
                }
                whole = row;  // painted just below
            }
            for (std::int64_t c = firstColumn; c < endColumn; ++c) {
                const auto i = std::size_t(c);
                paintSpanClipped(row, cells_[i], rowColors[c], coverage, x0, x1);
                if (rgbSplit_) {
                    paintSpanClipped(row, redBands_[i], red, splitOpacity * coverage, x0, x1);
                    paintSpanClipped(row, cyanBands_[i], cyan, splitOpacity * coverage, x0, x1);
                }
            }
        }
    }

    if (scanlines_) {
        const double bandHeight = std::max(0.12 * h, 0.8);
        const CoverageSpan across = coverageSpan(0, width_ * scale_, pixels_.width);
        for (std::int64_t i = 0; i < grid_.rows; i += 2) {
            const double top = h * double(i);
            const CoverageSpan rows = coverageSpan(top * scale_, (top + bandHeight) * scale_, pixels_.height);
            for (std::int64_t y = std::max(rows.begin, y0); y < std::min(rows.end, y1); ++y) {
                paintSpanClipped(rowPointer(pixels_, y), across, black,
                                 scanlineOpacity * rowCoverage(y, top, top + bandHeight, scale_), x0, x1);
            }
        }
    }
    if (vignette_) {
        darkenRadial(band, {width_ / 2, height_ / 2, 0.12 * std::min(width_, height_),
                            0.72 * std::max(width_, height_), 0.72});
    }
}

}  // namespace glimora::WallpaperRenderer
