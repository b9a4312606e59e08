// Cell colours of the largest export grid (260 x 147 cells) with chroma on,
// per shape, on one core. The live canvas repaints this grid up to 30 times a
// second, so each shape must stay well under 10 ms per grid.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "model/palette.hpp"
#include "render/cell_color.hpp"

namespace glimora::WallpaperRenderer {
namespace {

WallpaperExportSettings benchDesign(NotchShape shape, bool busy) {
    WallpaperExportSettings settings;  // the editor's initial design
    settings.shape = shape;
    settings.seed = 0x0123456789abcdef;
    settings.chroma = 10;
    for (const Color& color : builtInPalettes()[26].colors) settings.colors.push_back(WallpaperExportSettings::rgb(color));
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

void setCounters(benchmark::State& state, const CellGrid& grid) {
    const double cells = double(grid.columns * grid.rows);
    state.counters["ns_per_cell"] =
        benchmark::Counter(cells * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["ms_per_grid"] =
        benchmark::Counter(1e-3, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void CellColors(benchmark::State& state) {
    const auto shape = NotchShape(state.range(0));
    const WallpaperExportSettings settings = benchDesign(shape, state.range(1) != 0);
    const CellGrid grid = largestGrid(settings);
    std::vector<RGB> colours(std::size_t(grid.columns * grid.rows));
    for (auto _ : state) {
        // The snapshot's constants are part of every frame's cost.
        const CellColorer colorer(settings);
        colorer.fillRows(grid, 0, grid.rows, colours, CellFinish::live);
        benchmark::DoNotOptimize(colours.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(rawValue(shape)) + (state.range(1) ? " +warp,noise,hue" : ""));
    setCounters(state, grid);
}

// Baseline: writing the same grid of colours with no colour work at all.
void CopyBaseline(benchmark::State& state) {
    const WallpaperExportSettings settings = benchDesign(NotchShape::linear, false);
    const CellGrid grid = largestGrid(settings);
    std::vector<RGB> source(std::size_t(grid.columns * grid.rows), RGB{1, 2, 3});
    std::vector<RGB> colours(source.size());
    for (auto _ : state) {
        std::memcpy(colours.data(), source.data(), source.size() * sizeof(RGB));
        benchmark::DoNotOptimize(colours.data());
        benchmark::ClobberMemory();
    }
    setCounters(state, grid);
}

void shapeArguments(benchmark::internal::Benchmark* bench) {
    for (int busy = 0; busy <= 1; ++busy)
        for (NotchShape shape : everyCase<NotchShape>()) bench->Args({int(shape), busy});
}

BENCHMARK(CopyBaseline);
BENCHMARK(CellColors)->Apply(shapeArguments)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glimora::WallpaperRenderer

BENCHMARK_MAIN();
