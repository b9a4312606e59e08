#include "render/live_cell_grid.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/pixel_runs.hpp"

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

bool LiveCellGrid::layOut(const WallpaperExportSettings& settings, double width, double height, double scale,
                          const CanvasPixels& pixels, bool swapRedBlue) {
    const Geometry before = geometry();
    swapRedBlue_ = swapRedBlue;
    grid_ = cellGrid(settings, width, height);
    pixels_ = pixels;
    width_ = width;
    height_ = height;
    scale_ = scale;
    rgbSplit_ = settings.rgbSplit;
    scanlines_ = settings.scanlines;
    vignette_ = settings.vignette;
    const bool same = geometry() == before;
    // Every table below follows from the geometry alone: a frame over the
    // same geometry keeps them, and only the vignette's may come or go.
    if (same) {
        keepOrDropVignetteLevels();
        return true;
    }

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
    bandReach_ = grid_.columns;
    if (w > 0 && std::isfinite(w)) bandReach_ = std::int64_t(std::min(std::ceil((a + b) / w), double(grid_.columns))) + 2;
    const auto edgesOf = [](const std::vector<CoverageSpan>& spans, float alpha, std::vector<EdgeLevels>& edges) {
        edges.resize(spans.size());
        for (std::size_t c = 0; c < spans.size(); ++c)
            edges[c] = {alphaLevel(alpha * spans[c].first), alphaLevel(alpha * spans[c].last)};
    };
    edgesOf(cells_, 1.0f, cellEdges_);
    edgesOf(redBands_, splitOpacity * 1.0f, redEdges_);
    edgesOf(cyanBands_, splitOpacity * 1.0f, cyanEdges_);
    findUncovered();
    rows_.resize(std::size_t(grid_.rows));
    reachAbove_.resize(rows_.size());
    std::int64_t aboveEnd = 0;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const double top = grid_.cellHeight * double(r);
        rows_[r] = coverageSpan(top * scale, (top + grid_.cellHeight + cellGrowth) * scale, pixels.height);
        reachAbove_[r] = aboveEnd;
        if (!rows_[r].empty()) aboveEnd = rows_[r].end;
    }

    scanlineRows_.clear();
    scanlineTops_.clear();
    if (scanlines_) {
        const double h = grid_.cellHeight;
        const double bandHeight = std::max(0.12 * h, 0.8);
        across_ = coverageSpan(0, width_ * scale_, pixels_.width);
        const auto bands = std::size_t((grid_.rows + 1) / 2);
        scanlineRows_.reserve(bands);
        scanlineTops_.reserve(bands);
        for (std::int64_t i = 0; i < grid_.rows; i += 2) {
            const double top = h * double(i);
            const CoverageSpan rows = coverageSpan(top * scale_, (top + bandHeight) * scale_, pixels_.height);
            if (rows.empty()) break;  // below the canvas, as are the rest
            scanlineTops_.push_back(top);
            scanlineRows_.push_back(rows);
        }
    }

    keepOrDropVignetteLevels();
    return false;
}

void LiveCellGrid::keepOrDropVignetteLevels() {
    if (vignette_ && keepVignette_) vignetteLevels_.make(vignetteRamp(), scale_, pixels_.width, pixels_.height);
    else vignetteLevels_.clear();
}

LiveCellGrid::Geometry LiveCellGrid::geometry() const {
    return {grid_.columns, grid_.rows, grid_.cellWidth, grid_.cellHeight, pixels_.data, pixels_.width,
            pixels_.height, pixels_.stride, width_, height_, scale_, rgbSplit_, scanlines_, vignette_,
            swapRedBlue_};
}

RadialDarkening LiveCellGrid::vignetteRamp() const {
    return {width_ / 2, height_ / 2, 0.12 * std::min(width_, height_), 0.72 * std::max(width_, height_), 0.72};
}

void LiveCellGrid::findUncovered() {
    const auto width = std::size_t(std::max<std::int64_t>(pixels_.width, 0));
    opaque_.assign(width, 0);
    for (std::size_t c = 0; c < cells_.size(); ++c) {
        const CoverageSpan& span = cells_[c];
        if (span.empty()) continue;
        if (cellEdges_[c].first == 255) opaque_[std::size_t(span.begin)] = 1;
        if (span.end - span.begin > 1) {
            std::fill(opaque_.begin() + span.begin + 1, opaque_.begin() + span.end - 1, std::uint8_t(1));
            if (cellEdges_[c].last == 255) opaque_[std::size_t(span.end - 1)] = 1;
        }
    }
    // Each uncovered pixel's spans, column by column and kind by kind: the
    // order they paint in.
    struct Found {
        std::int64_t x;
        SpanOp op;
    };
    std::vector<Found> found;
    for (std::size_t c = 0; c < cells_.size(); ++c) {
        for (int kind = 0; kind < (rgbSplit_ ? 3 : 1); ++kind) {
            const CoverageSpan& span = kind == 0 ? cells_[c] : kind == 1 ? redBands_[c] : cyanBands_[c];
            for (std::int64_t x = span.begin; x < span.end; ++x)
                if (!opaque_[std::size_t(x)]) found.push_back({x, {std::int32_t(c), kind}});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.x < b.x; });
    uncovered_.clear();
    uncoveredStarts_.clear();
    uncoveredOps_.clear();
    for (const Found& f : found) {
        if (uncovered_.empty() || uncovered_.back() != f.x) {
            uncovered_.push_back(f.x);
            uncoveredStarts_.push_back(std::uint32_t(uncoveredOps_.size()));
        }
        uncoveredOps_.push_back(f.op);
    }
    uncoveredStarts_.push_back(std::uint32_t(uncoveredOps_.size()));
}

void LiveCellGrid::paintUncovered(std::uint8_t* row, std::span<const RGB> colors, std::int64_t cellRow,
                                  float coverage, std::int64_t x0, std::int64_t x1) const {
    const RGB red = swapRedBlue_ ? RGB{0, 0, 255} : pureRed;
    const RGB cyan = swapRedBlue_ ? RGB{255, 255, 0} : pureCyan;
    const RGB* rowColors = colors.data() + cellRow * grid_.columns;
    const float splitAlpha = splitOpacity * coverage;
    auto k = std::size_t(std::lower_bound(uncovered_.begin(), uncovered_.end(), x0) - uncovered_.begin());
    for (; k < uncovered_.size() && uncovered_[k] < x1; ++k) {
        const std::int64_t x = uncovered_[k];
        for (std::uint32_t i = uncoveredStarts_[k]; i < uncoveredStarts_[k + 1]; ++i) {
            const SpanOp op = uncoveredOps_[i];
            const auto c = std::size_t(op.column);
            const CoverageSpan& span = op.kind == 0 ? cells_[c] : op.kind == 1 ? redBands_[c] : cyanBands_[c];
            const float alpha = op.kind == 0 ? coverage : splitAlpha;
            // As paintSpanClipped paints this one pixel of the span.
            if (alphaLevel(alpha) == 0) continue;
            const std::uint32_t level = x == span.begin      ? alphaLevel(alpha * span.first)
                                        : x == span.end - 1 ? alphaLevel(alpha * span.last)
                                                            : alphaLevel(alpha);
            blendPixel(row + 4 * x, op.kind == 0 ? rowColors[c] : op.kind == 1 ? red : cyan, level);
        }
    }
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

LiveCellGrid::Columns LiveCellGrid::columnsMeeting(std::int64_t x0, std::int64_t x1) const {
    // The columns whose paint reaches into x0...x1-1; those between that miss
    // it are clipped away when painted.
    Columns columns{grid_.columns, 0};
    // Cells follow each other across the canvas (those past its right edge
    // are empty), and the split bands reach at most bandReach_ columns from
    // their own cell: only columns that near the clip's cells are looked at.
    std::int64_t from = 0;
    std::int64_t to = grid_.columns;
    const auto filled = std::partition_point(cells_.begin(), cells_.end(),
                                             [](const CoverageSpan& span) { return !span.empty(); });
    if (filled != cells_.begin()) {
        const auto first = std::partition_point(cells_.begin(), filled,
                                                [x0](const CoverageSpan& span) { return span.end <= x0; });
        const auto end = std::partition_point(first, filled, [x1](const CoverageSpan& span) { return span.begin < x1; });
        from = std::max<std::int64_t>(first - cells_.begin() - bandReach_, 0);
        to = std::min<std::int64_t>(end - cells_.begin() + bandReach_, grid_.columns);
    }
    for (std::int64_t c = from; c < to; ++c) {
        const auto i = std::size_t(c);
        const bool inside = meets(cells_[i], x0, x1) ||
                            (rgbSplit_ && (meets(redBands_[i], x0, x1) || meets(cyanBands_[i], x0, x1)));
        if (!inside) continue;
        columns.first = std::min(columns.first, c);
        columns.end = c + 1;
    }
    return columns;
}

float LiveCellGrid::coverageOf(std::int64_t cellRow, std::int64_t y) const {
    const double top = grid_.cellHeight * double(cellRow);
    return rowCoverage(y, top, top + grid_.cellHeight + cellGrowth, scale_);
}

void LiveCellGrid::paintCells(std::uint8_t* row, std::span<const RGB> colors, std::int64_t cellRow,
                              float coverage, Columns columns, std::int64_t x0, std::int64_t x1) const {
    // Black and every blend treat the three channels alike; only the split
    // bands' own colours need their swap.
    const RGB red = swapRedBlue_ ? RGB{0, 0, 255} : pureRed;
    const RGB cyan = swapRedBlue_ ? RGB{255, 255, 0} : pureCyan;
    const RGB* rowColors = colors.data() + cellRow * grid_.columns;
#ifdef __SSE2__
    // The levels and colours every cell of the row shares, worked out once;
    // the edges' levels of a whole row are the layout's.
    const std::uint32_t level = alphaLevel(coverage);
    const float splitAlpha = splitOpacity * coverage;
    const std::uint32_t splitLevel = alphaLevel(splitAlpha);
    const detail::ColorLanes redLanes(red);
    const detail::ColorLanes cyanLanes(cyan);
    const bool whole = coverage == 1.0f;
    const auto paintSpan = [&](const CoverageSpan& span, const EdgeLevels& edges, RGB color,
                               const detail::ColorLanes& lanes, float alpha,
                               std::uint32_t spanLevel) __attribute__((always_inline)) {
        const EdgeLevels levels =
            whole ? edges : EdgeLevels{alphaLevel(alpha * span.first), alphaLevel(alpha * span.last)};
        detail::paintSpanLanes(row, span, color, lanes, spanLevel, levels.first, levels.last, x0, x1);
    };
    for (std::int64_t c = columns.first; c < columns.end; ++c) {
        const auto i = std::size_t(c);
        if (level != 0) {
            const RGB color = rowColors[c];
            paintSpan(cells_[i], cellEdges_[i], color, detail::ColorLanes(color), coverage, level);
        }
        if (rgbSplit_ && splitLevel != 0) {
            paintSpan(redBands_[i], redEdges_[i], red, redLanes, splitAlpha, splitLevel);
            paintSpan(cyanBands_[i], cyanEdges_[i], cyan, cyanLanes, splitAlpha, splitLevel);
        }
    }
#else
    const float splitAlpha = splitOpacity * coverage;
    for (std::int64_t c = columns.first; c < columns.end; ++c) {
        const auto i = std::size_t(c);
        paintSpanClipped(row, cells_[i], rowColors[c], coverage, x0, x1);
        if (rgbSplit_) {
            paintSpanClipped(row, redBands_[i], red, splitAlpha, x0, x1);
            paintSpanClipped(row, cyanBands_[i], cyan, splitAlpha, x0, x1);
        }
    }
#endif
}

// Every pixel gets the operations of a whole frame in the same order: black,
// the cell rows that reach it from the top down, its scanlines, then the
// vignette. The frame is walked pixel row by pixel row, so that a row's
// scanlines and vignette follow while it is still in the cache; a pixel row
// below the reach of the cell row above, covered whole by its own cell row,
// comes out as every other such row of that cell row, so it is painted once
// and copied (most of a frame's rows), the copy darkened on its way.
void LiveCellGrid::paint(std::span<const RGB> colors, const PixelRect& clip) const {
    const std::int64_t x0 = std::max<std::int64_t>(clip.x, 0);
    const std::int64_t x1 = std::min(clip.x + clip.width, pixels_.width);
    const std::int64_t y0 = std::max<std::int64_t>(clip.y, 0);
    const std::int64_t y1 = std::min(clip.y + clip.height, pixels_.height);
    if (x0 >= x1 || y0 >= y1) return;
    const Columns columns = columnsMeeting(x0, x1);
    const std::size_t offset = std::size_t(x0) * 4;
    const std::size_t clipBytes = std::size_t(x1 - x0) * 4;
    const std::uint32_t blackWord = opaquePixel(black);
    const std::int64_t cellRows = grid_.rows;
    const std::int64_t scanlineBands = std::int64_t(scanlineRows_.size());
    const bool tabled = vignette_ && !vignetteLevels_.empty();
    const RadialDarkening ramp = vignetteRamp();

    // The first scanline band not above pixel row y (the bands follow each
    // other down the canvas).
    const auto firstBand = [&](std::int64_t y) {
        return std::partition_point(scanlineRows_.begin(), scanlineRows_.end(),
                                    [y](const CoverageSpan& rows) { return rows.end <= y; }) -
               scanlineRows_.begin();
    };
    const auto scanlinesMeet = [&](std::int64_t y) {
        const std::int64_t i = firstBand(y);
        return i < scanlineBands && scanlineRows_[std::size_t(i)].begin <= y;
    };
    const auto finish = [&](std::uint8_t* row, std::int64_t y) {
        if (scanlinesMeet(y)) {
            const double bandHeight = std::max(0.12 * grid_.cellHeight, 0.8);
            for (std::int64_t i = firstBand(y); i < scanlineBands; ++i) {
                const CoverageSpan& rows = scanlineRows_[std::size_t(i)];
                if (rows.begin > y) break;
                if (y >= rows.end) continue;
                const double top = scanlineTops_[std::size_t(i)];
                paintSpanRuns(row, across_, black, scanlineOpacity * rowCoverage(y, top, top + bandHeight, scale_),
                              x0, x1);
            }
        }
        if (!vignette_) return;
        if (tabled) vignetteLevels_.darkenRow(y, row, row, x0, x1);
        else darkenRadial({pixels_, y, y + 1, scale_, x0, x1}, ramp);
    };
    const auto finishCopy = [&](std::uint8_t* row, const std::uint8_t* source, std::int64_t y) {
        if (tabled && !scanlinesMeet(y)) {
            vignetteLevels_.darkenRow(y, row, source, x0, x1);
            return;
        }
        std::memcpy(row + offset, source + offset, clipBytes);
        finish(row, y);
    };

    std::int64_t firstRow = 0;             // the first cell row not above the pixel row
    std::int64_t sourceCellRow = -1;       // the cell row whose whole pixel row is painted
    const std::uint8_t* source = nullptr;  // that pixel row, when copies may be made of it
    std::int64_t pending = -1;             // a source row, finished after its copies
    for (std::int64_t y = y0; y < y1; ++y) {
        std::uint8_t* row = rowPointer(pixels_, y);
        while (firstRow < cellRows && rows_[std::size_t(firstRow)].end <= y) ++firstRow;
        const auto reaches = [&](std::int64_t r) {
            return r < cellRows && !rows_[std::size_t(r)].empty() && rows_[std::size_t(r)].begin <= y;
        };
        if (!reaches(firstRow)) {
            if (pending >= 0) finish(rowPointer(pixels_, pending), pending), pending = -1;
            fillPixels(row + offset, x1 - x0, blackWord);
            finish(row, y);
            continue;
        }
        const std::int64_t r = firstRow;
        const float coverage = coverageOf(r, y);
        const bool whole = coverage == 1.0f && y >= reachAbove_[std::size_t(r)];
        const bool copy = whole && sourceCellRow == r && source;
        if (pending >= 0 && !copy) finish(rowPointer(pixels_, pending), pending), pending = -1;
        if (copy) {
            if (!reaches(r + 1)) {
                finishCopy(row, source, y);
                continue;
            }
            std::memcpy(row + offset, source + offset, clipBytes);
        } else {
            fillPixels(row + offset, x1 - x0, blackWord);
            // A later cell row covering this pixel row whole writes over
            // what the ones before it paint but on the pixels it leaves
            // uncovered: they paint only those.
            std::int64_t hiding = -1;
            for (std::int64_t next = r + 1; reaches(next); ++next)
                if (coverageOf(next, y) == 1.0f) hiding = next;
            if (hiding > r) {
                if (whole && sourceCellRow != r) sourceCellRow = r, source = nullptr;
                for (std::int64_t under = r; under < hiding; ++under)
                    paintUncovered(row, colors, under, coverageOf(under, y), x0, x1);
                for (std::int64_t next = hiding; reaches(next); ++next)
                    paintCells(row, colors, next, coverageOf(next, y), columns, x0, x1);
                finish(row, y);
                continue;
            }
            paintCells(row, colors, r, coverage, columns, x0, x1);
            if (whole && sourceCellRow != r) {
                // The cell row's first whole pixel row: the rest copy it,
                // unless the next cell row paints over it (then they are
                // painted as it was, over black).
                sourceCellRow = r;
                source = reaches(r + 1) ? nullptr : row;
                if (source) {
                    pending = y;
                    continue;
                }
            }
        }
        for (std::int64_t next = r + 1; reaches(next); ++next)
            paintCells(row, colors, next, coverageOf(next, y), columns, x0, x1);
        finish(row, y);
    }
    if (pending >= 0) finish(rowPointer(pixels_, pending), pending);
}

}  // namespace glimora::WallpaperRenderer
