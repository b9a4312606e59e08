// The grain gradient as a bitmap. The cells are axis-aligned rectangles, so
// their antialiased edges are worked out exactly (area coverage, composited
// in drawing order) rather than rasterised; the halftone dots are discs of
// exact coverage too, each drawn right after its own cell.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/disc_drawing.hpp"
#include "render/grain_gradient.hpp"
#include "render/parallel_bands.hpp"
#include "render/raster_shading.hpp"

namespace glimora::WallpaperRenderer {

namespace {

// Along one axis: which cells reach into each pixel and by how much. Cells
// are `size` long and drawn `growth` longer; pixel p spans [p, p + 1).
struct AxisCoverage {
    struct Entry {
        std::int32_t cell;
        float coverage;
    };
    std::vector<std::int32_t> offsets;   // the entries of pixel p are [offsets[p], offsets[p + 1])
    std::vector<Entry> entries;          // in drawing order
    std::vector<std::int32_t> snapped;   // the cell of pixel p when cells are snapped to whole pixels

    AxisCoverage(std::int64_t cells, double size, double growth, std::int64_t pixels) {
        // The pixels cell k reaches into, [first, last), and by how much.
        const auto reach = [&](std::int64_t k, auto&& visit) {
            const double start = size * double(k);
            const double end = start + size + growth;
            const auto first = std::int64_t(std::clamp(std::floor(start), 0.0, double(pixels)));
            const auto last = std::int64_t(std::clamp(std::ceil(end), 0.0, double(pixels)));
            for (std::int64_t p = first; p < last; ++p) {
                const double covered = std::min(double(p + 1), end) - std::max(double(p), start);
                if (covered > 0) visit(p, float(std::min(covered, 1.0)));
            }
        };
        // Counted first, then filled, cell by cell so that each pixel's
        // entries come in drawing order.
        offsets.assign(std::size_t(pixels) + 1, 0);
        for (std::int64_t k = 0; k < cells; ++k) reach(k, [&](std::int64_t p, float) { ++offsets[std::size_t(p) + 1]; });
        for (std::size_t p = 0; p < std::size_t(pixels); ++p) offsets[p + 1] += offsets[p];
        entries.resize(std::size_t(offsets.back()));
        std::vector<std::int32_t> filled(offsets.begin(), offsets.end() - 1);
        for (std::int64_t k = 0; k < cells; ++k)
            reach(k, [&](std::int64_t p, float coverage) {
                entries[std::size_t(filled[std::size_t(p)]++)] = {std::int32_t(k), coverage};
            });
        // The snapped cells: truncated edges, at least a pixel, the last one
        // running on to the edge; later cells win where spans meet.
        snapped.assign(std::size_t(pixels), 0);
        for (std::int64_t k = 0; k < cells; ++k) {
            const auto begin = std::int64_t(std::clamp(std::trunc(size * double(k)), 0.0, double(pixels)));
            auto stop = std::int64_t(std::clamp(std::trunc(size * double(k + 1)), 0.0, double(pixels)));
            stop = k == cells - 1 ? pixels : std::min(std::max(begin + 1, stop), pixels);
            for (std::int64_t p = begin; p < stop; ++p) snapped[std::size_t(p)] = std::int32_t(k);
        }
    }

    std::span<const Entry> at(std::int64_t p) const {
        return {entries.data() + offsets[std::size_t(p)], entries.data() + offsets[std::size_t(p + 1)]};
    }
    // Whether pixel p lies wholly inside its snapped cell and no other cell
    // reaches into it.
    bool plain(std::int64_t p) const {
        const auto list = at(p);
        return list.size() == 1 && list[0].coverage == 1 && list[0].cell == snapped[std::size_t(p)];
    }
};

struct GrainCells {
    std::int64_t columns = 0;
    std::int64_t rows = 0;
    std::vector<RGB> fills;
    std::vector<HalftoneDot> dots;  // halftone mode only

    RGB fill(std::int64_t row, std::int64_t column) const { return fills[std::size_t(row * columns + column)]; }
};

// The pixels of row y as RGBA bytes, every cell composited in drawing order
// over the snapped layer.
void cellRowPixels(const GrainCells& cells, const AxisCoverage& across, const AxisCoverage& down, std::int64_t y,
                   std::int64_t width, std::uint8_t* out) {
    const auto rowEntries = down.at(y);
    const std::int32_t snappedRow = down.snapped[std::size_t(y)];
    const bool plainRow = down.plain(y);
    for (std::int64_t x = 0; x < width; ++x) {
        RGB color;
        if (plainRow && across.plain(x)) {
            color = cells.fill(snappedRow, across.snapped[std::size_t(x)]);
        } else {
            const RGB under = cells.fill(snappedRow, across.snapped[std::size_t(x)]);
            float r = under.red, g = under.green, b = under.blue;
            for (const auto& rowEntry : rowEntries) {
                for (const auto& columnEntry : across.at(x)) {
                    const float a = rowEntry.coverage * columnEntry.coverage;
                    const RGB fill = cells.fill(rowEntry.cell, columnEntry.cell);
                    r = a * float(fill.red) + (1 - a) * r;
                    g = a * float(fill.green) + (1 - a) * g;
                    b = a * float(fill.blue) + (1 - a) * b;
                }
            }
            color = {kernels::roundedByte(r), kernels::roundedByte(g), kernels::roundedByte(b)};
        }
        out[4 * x] = color.red;
        out[4 * x + 1] = color.green;
        out[4 * x + 2] = color.blue;
        out[4 * x + 3] = 255;
    }
}

// The halftone dots of one pixel row. A dot lies inside its own cell's
// rectangle, but pixels at the cell's edges are shared with the cells drawn
// after it, which cover part of the dot there; so each pixel a dot reaches is
// composited again from the snapped layer through every cell and dot that
// reaches it, each dot right after its cell.
class DotRow {
public:
    void apply(const GrainCells& cells, const AxisCoverage& across, const AxisCoverage& down, std::int64_t y,
               std::int64_t width, std::uint8_t* out) {
        const auto rowEntries = down.at(y);
        const auto columns = std::size_t(cells.columns);
        slots_.assign(rowEntries.size() * columns, -1);
        chords_.clear();
        touched_.clear();
        marked_.resize(std::size_t(width), 0);
        const double top = double(y);
        for (std::size_t e = 0; e < rowEntries.size(); ++e) {
            const std::size_t first = std::size_t(rowEntries[e].cell) * columns;
            for (std::size_t c = 0; c < columns; ++c) {
                const HalftoneDot& dot = cells.dots[first + c];
                if (!(dot.radius > 0) || !(dot.alpha > 0) || !(top + 1 > dot.centerY - dot.radius) ||
                    !(top < dot.centerY + dot.radius) || !std::isfinite(dot.centerX) || !std::isfinite(dot.radius))
                    continue;
                const DiscRowCoverage row(dot.centerX, dot.centerY, dot.radius, y);
                if (row.count == 0) continue;
                slots_[e * columns + c] = std::int32_t(chords_.size());
                chords_.push_back(row);
                const auto from = std::int64_t(std::clamp(std::floor(row.minLeft), 0.0, double(width)));
                const auto to = std::int64_t(std::clamp(std::ceil(row.maxRight), 0.0, double(width)));
                for (std::int64_t x = from; x < to; ++x) {
                    if (marked_[std::size_t(x)]) continue;
                    marked_[std::size_t(x)] = 1;
                    touched_.push_back(x);
                }
            }
        }
        const std::int32_t snappedRow = down.snapped[std::size_t(y)];
        for (const std::int64_t x : touched_) {
            marked_[std::size_t(x)] = 0;
            const RGB under = cells.fill(snappedRow, across.snapped[std::size_t(x)]);
            float r = under.red, g = under.green, b = under.blue;
            const auto lay = [&](RGB color, float a) {
                r = a * float(color.red) + (1 - a) * r;
                g = a * float(color.green) + (1 - a) * g;
                b = a * float(color.blue) + (1 - a) * b;
            };
            for (std::size_t e = 0; e < rowEntries.size(); ++e) {
                for (const auto& columnEntry : across.at(x)) {
                    lay(cells.fill(rowEntries[e].cell, columnEntry.cell), rowEntries[e].coverage * columnEntry.coverage);
                    const std::int32_t slot = slots_[e * columns + std::size_t(columnEntry.cell)];
                    if (slot < 0) continue;
                    const double covered = chords_[std::size_t(slot)].coverage(x);
                    if (!(covered > 0)) continue;
                    const HalftoneDot& dot =
                        cells.dots[std::size_t(rowEntries[e].cell) * columns + std::size_t(columnEntry.cell)];
                    lay(dot.color, float(std::min(dot.alpha, 1.0) * covered));
                }
            }
            std::uint8_t* p = out + 4 * x;
            p[0] = kernels::roundedByte(r);
            p[1] = kernels::roundedByte(g);
            p[2] = kernels::roundedByte(b);
        }
    }

private:
    std::vector<std::int32_t> slots_;  // per row entry and column: the dot's chords, or -1
    std::vector<DiscRowCoverage> chords_;
    std::vector<std::int64_t> touched_;
    std::vector<std::uint8_t> marked_;
};

// Two pixel rows get the same cells when the same cells reach into them by
// the same amounts over the same snapped cell.
bool sameCells(const AxisCoverage& down, std::int64_t a, std::int64_t b) {
    if (down.snapped[std::size_t(a)] != down.snapped[std::size_t(b)]) return false;
    const auto ea = down.at(a);
    const auto eb = down.at(b);
    return std::equal(ea.begin(), ea.end(), eb.begin(), eb.end(),
                      [](const auto& p, const auto& q) { return p.cell == q.cell && p.coverage == q.coverage; });
}

}  // namespace

void drawGrainGradient(const WallpaperExportSettings& settings, const RGBATarget& target, int threadCount) {
    if (!target.data || target.width <= 0 || target.height <= 0) return;
    detail::checkTarget(target);
    const std::int64_t width = target.width;
    const std::int64_t height = target.height;
    const double W = double(width);
    const double H = double(height);
    const GrainGrid grid = grainGrid(settings, W, H);
    const GrainColorer colorer(settings, W / std::max(H, 1.0));
    const double w = W / double(grid.columns);
    const double h = H / double(grid.rows);
    const bool halftone = colorer.halftone();
    const int threads = threadCount > 0 ? threadCount : defaultThreadCount();

    GrainCells cells;
    cells.columns = grid.columns;
    cells.rows = grid.rows;
    cells.fills.resize(std::size_t(grid.columns * grid.rows));
    if (halftone) cells.dots.resize(cells.fills.size());
    const int cellBands = detail::bandCount(grid.rows, threads, 2);
    forEachBand(cellBands, threads, [&](int band) {
        const std::int64_t first = grid.rows * band / cellBands;
        const std::int64_t end = grid.rows * (band + 1) / cellBands;
        for (std::int64_t r = first; r < end; ++r) {
            for (std::int64_t c = 0; c < grid.columns; ++c) {
                const auto i = std::size_t(r * grid.columns + c);
                const GrainColorer::Cell cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
                const RGB scanlined = colorer.scanlined(cell.color, r);
                cells.fills[i] = colorer.ground(scanlined);
                // The dot is measured on the cell as drawn, growth included.
                if (halftone)
                    cells.dots[i] = colorer.halftoneDot(cell, scanlined, r, c, w * double(c), h * double(r),
                                                        w + 0.25, h + 0.25);
            }
        }
    });

    const AxisCoverage across(grid.columns, w, 0.25, width);
    const AxisCoverage down(grid.rows, h, 0.25, height);
    const detail::RadialShade vignette(width, height, 0.2 * std::min(W, H), 0.78 * std::max(W, H), 0.36, 0.4);

    const int bands = detail::bandCount(height, threads, 2);
    forEachBand(bands, threads, [&](int band) {
        const std::int64_t top = height * band / bands;
        const std::int64_t bottom = height * (band + 1) / bands;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * 4);
        std::vector<float> factors(static_cast<std::size_t>(width));
        std::int64_t madeFor = -1;
        auto rowOf = [&](std::int64_t y) {
            if (madeFor < 0 || !sameCells(down, madeFor, y)) {
                cellRowPixels(cells, across, down, y, width, pixels.data());
                madeFor = y;
            }
        };
        if (halftone) {
            // The cells with their dots, then the vignette over everything.
            DotRow dots;
            for (std::int64_t y = top; y < bottom; ++y) {
                rowOf(y);
                std::uint8_t* row = target.data + y * target.stride;
                std::memcpy(row, pixels.data(), pixels.size());
                dots.apply(cells, across, down, y, width, row);
            }
            if (!settings.vignette) return;
            for (std::int64_t y = top; y < bottom; ++y) {
                std::uint8_t* row = target.data + y * target.stride;
                if (vignette.rowFactors(y, factors.data())) kernels::shadeRGBA(row, factors.data(), width, row);
            }
            return;
        }
        for (std::int64_t y = top; y < bottom; ++y) {
            rowOf(y);
            std::uint8_t* row = target.data + y * target.stride;
            if (settings.vignette && vignette.rowFactors(y, factors.data())) {
                kernels::shadeRGBA(pixels.data(), factors.data(), width, row);
            } else {
                std::memcpy(row, pixels.data(), pixels.size());
            }
        }
    });
}

}  // namespace glimora::WallpaperRenderer
