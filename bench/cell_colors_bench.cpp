// Cell colours of the largest export grid (260 x 147 cells) with chroma on,
// per shape, on one core, with the vector units and without. The live canvas
// repaints this grid up to 30 times a second, so each shape must stay well
// under 10 ms per grid.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "model/palette.hpp"
#include "render/cell_color.hpp"
#include "render/grain_gradient.hpp"
#include "render/vector_units.hpp"

namespace glimora::WallpaperRenderer {
namespace {

WallpaperExportSettings benchDesign(NotchShape shape, bool busy) {
    WallpaperExportSettings settings;  // the editor's initial design
    settings.shape = shape;
    settings.seed = 0x0123456789abcdef;
    settings.chroma = 10;
    for (const Color& color : builtInPalettes()[26].colors)
        settings.colors.push_back(WallpaperExportSettings::rgb(color));
    if (busy) {
        settings.warp = 35;
        settings.noise = 25;
        settings.hue = 40;
        settings.contrast = 120;
        settings.brightness = 5;
    }
    return settings;
}

CellGrid largestGrid(const WallpaperExportSettings& settings) {
    const PixelSize size = exportPixelSize(ExportResolution::sixK);
    return cellGrid(settings, double(size.width), double(size.height));
}

// Measured with a clock of our own so that the counters print plain numbers:
// nanoseconds per cell and milliseconds per grid, averaged over iterations.
class GridTimer {
public:
    explicit GridTimer(double cells) : cells_(cells) {}
    void start() { begin_ = std::chrono::steady_clock::now(); }
    void stop() { total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count(); }
    void report(benchmark::State& state) const {
        const double perGrid = total_ / double(state.iterations());
        state.counters["ns_per_cell"] = perGrid / cells_ * 1e9;
        state.counters["ms_per_grid"] = perGrid * 1e3;
    }

private:
    double cells_;
    double total_ = 0;
    std::chrono::steady_clock::time_point begin_;
};

void CellColors(benchmark::State& state) {
    const auto shape = NotchShape(state.range(0));
    const WallpaperExportSettings settings = benchDesign(shape, state.range(1) != 0);
    const CellGrid grid = largestGrid(settings);
    std::vector<RGB> colours(std::size_t(grid.columns * grid.rows));
    GridTimer timer(double(colours.size()));
    const bool vector = state.range(2) != 0;
    allowVectorUnits(vector);
    for (auto _ : state) {
        timer.start();
        // The snapshot's constants are part of every frame's cost.
        const CellColorer colorer(settings);
        colorer.fillRows(grid, 0, grid.rows, colours, CellFinish::live);
        benchmark::DoNotOptimize(colours.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    allowVectorUnits(true);
    state.SetLabel(std::string(rawValue(shape)) + (state.range(1) ? " +warp,noise,hue" : "") +
                   (vector ? (vectorUnitsPresent() ? " vector" : " vector (absent: scalar)") : " scalar"));
    timer.report(state);
}

// Baseline: writing the same grid of colours with no colour work at all.
void CopyBaseline(benchmark::State& state) {
    const WallpaperExportSettings settings = benchDesign(NotchShape::linear, false);
    const CellGrid grid = largestGrid(settings);
    std::vector<RGB> source(std::size_t(grid.columns * grid.rows), RGB{1, 2, 3});
    std::vector<RGB> colours(source.size());
    GridTimer timer(double(colours.size()));
    for (auto _ : state) {
        timer.start();
        std::memcpy(colours.data(), source.data(), source.size() * sizeof(RGB));
        benchmark::DoNotOptimize(colours.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    timer.report(state);
}

// Grain-gradient cells of an export (220 x 124, or 280 x 158 for halftone)
// with their halftone dots, per mode.
void GrainCells(benchmark::State& state) {
    WallpaperExportSettings settings = benchDesign(NotchShape::linear, false);
    settings.grainGradientActive = true;
    settings.grainGradientMode = GrainGradientMode(state.range(0));
    const PixelSize size = exportPixelSize(ExportResolution::sixK);
    const GrainGrid grid = grainGrid(settings, double(size.width), double(size.height));
    const double w = double(size.width) / double(grid.columns);
    const double h = double(size.height) / double(grid.rows);
    std::vector<RGB> colours(std::size_t(grid.columns * grid.rows));
    GridTimer timer(double(colours.size()));
    for (auto _ : state) {
        timer.start();
        const GrainColorer colorer(settings, double(size.width) / double(size.height));
        std::size_t index = 0;
        for (std::int64_t r = 0; r < grid.rows; ++r) {
            for (std::int64_t c = 0; c < grid.columns; ++c) {
                const auto cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
                RGB colour = colorer.scanlined(cell.color, r);
                if (colorer.halftone())
                    colour = colorer.halftoneDot(cell, colour, r, c, w * double(c), h * double(r), w, h).color;
                colours[index++] = colour;
            }
        }
        benchmark::DoNotOptimize(colours.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    state.SetLabel(std::string(rawValue(settings.grainGradientMode)));
    timer.report(state);
}

void shapeArguments(benchmark::internal::Benchmark* bench) {
    for (int busy = 0; busy <= 1; ++busy)
        for (NotchShape shape : everyCase<NotchShape>())
            for (int vector = 1; vector >= 0; --vector) bench->Args({int(shape), busy, vector});
}

BENCHMARK(CopyBaseline);
BENCHMARK(CellColors)->Apply(shapeArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(GrainCells)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glimora::WallpaperRenderer

BENCHMARK_MAIN();
