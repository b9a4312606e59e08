// One whole 1920 x 1080 frame of the live cell grid painted on one core from
// cell colours already made (the share of a live frame that is painting),
// as the live frames paint it: vignette levels kept from frame to frame.
// Baseline: writing the same bytes with no drawing at all.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/live_cell_grid.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr std::int64_t frameWidth = 1920;
constexpr std::int64_t frameHeight = 1080;

void CellGridFrame(benchmark::State& state) {
    WallpaperExportSettings settings;  // the editor's initial grid: pixel scale 3
    const bool effects = state.range(0) != 0;
    settings.rgbSplit = settings.scanlines = effects;
    settings.vignette = state.range(1) != 0;
    settings.pixelScale = double(state.range(2));
    state.SetLabel(std::string(effects ? "split bands, scanlines" : "plain") +
                   (settings.vignette ? ", vignette" : "") + ", pixel scale " + std::to_string(state.range(2)));
    std::vector<std::uint8_t> pixels(std::size_t(frameWidth * frameHeight * 4));
    const CanvasPixels target{pixels.data(), frameWidth, frameHeight, frameWidth * 4};
    LiveCellGrid grid;
    grid.keepVignetteLevels(true);
    grid.layOut(settings, double(frameWidth), double(frameHeight), 1, target);
    std::mt19937 random(7);
    std::vector<RGB> colors(std::size_t(grid.cellCount()));
    for (RGB& color : colors) color = {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
    for (auto _ : state) {
        grid.paint(colors, {0, 0, frameWidth, frameHeight});
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CellGridFrame)
    ->ArgsProduct({{0, 1}, {0, 1}, {3}})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMillisecond);

void CopyFrameBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> source(std::size_t(frameWidth * frameHeight * 4), 7);
    std::vector<std::uint8_t> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyFrameBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glimora::WallpaperRenderer

BENCHMARK_MAIN();
