// One live-canvas frame at 1920 x 1080 on one core, per kind of design. An
// animation redraws a frame every 1/30 s, so a frame must stay well under
// 33 ms. Baseline: writing the same bytes with no drawing at all.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "model/palette.hpp"
#include "render/live_canvas.hpp"
#include "render/shader_patterns.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr std::int64_t frameWidth = 1920;
constexpr std::int64_t frameHeight = 1080;

WallpaperExportSettings benchDesign() {
    WallpaperExportSettings settings;  // the editor's initial design
    settings.seed = 0x0123456789abcdef;
    for (const Color& color : builtInPalettes()[26].colors)
        settings.colors.push_back(WallpaperExportSettings::rgb(color));
    return settings;
}

// Milliseconds to copy one frame's bytes, measured once in this run.
double copyMilliseconds() {
    static const double measured = [] {
        std::vector<std::uint8_t> source(std::size_t(frameWidth * frameHeight * 4), 7);
        std::vector<std::uint8_t> target(source.size());
        const auto begin = std::chrono::steady_clock::now();
        constexpr int runs = 50;
        for (int i = 0; i < runs; ++i) {
            std::memcpy(target.data(), source.data(), target.size());
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() * 1e3 / runs;
    }();
    return measured;
}

// Milliseconds per frame as a plain counter, and the frame's cost in frame
// copies, next to the framework's own times.
class FrameTimer {
public:
    void start() { begin_ = std::chrono::steady_clock::now(); }
    void stop() {
        total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    }
    void report(benchmark::State& state) const {
        const double milliseconds = total_ / double(state.iterations()) * 1e3;
        state.counters["ms_per_frame"] = milliseconds;
        state.counters["x_copy"] = milliseconds / copyMilliseconds();
    }

private:
    double total_ = 0;
    std::chrono::steady_clock::time_point begin_;
};

void runFrames(benchmark::State& state, const WallpaperExportSettings& settings, int threads) {
    std::vector<std::uint8_t> pixels(std::size_t(frameWidth * frameHeight * 4));
    const CanvasContext context{{pixels.data(), frameWidth, frameHeight, frameWidth * 4}, 1.0, threads};
    FrameTimer timer;
    for (auto _ : state) {
        timer.start();
        draw(settings, context, double(frameWidth), double(frameHeight));
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    timer.report(state);
}

void ShapeFrame(benchmark::State& state) {
    WallpaperExportSettings settings = benchDesign();
    settings.shape = NotchShape(state.range(0));
    settings.chroma = state.range(1) ? 10 : 0;
    settings.rgbSplit = state.range(1) != 0;
    settings.scanlines = state.range(1) != 0;
    state.SetLabel(std::string(rawValue(settings.shape)) +
                   (state.range(1) ? " +chroma,split,scanlines" : ""));
    runFrames(state, settings, 1);
}

void GrainFrame(benchmark::State& state) {
    WallpaperExportSettings settings = benchDesign();
    settings.grainGradientActive = true;
    settings.grainGradientMode = GrainGradientMode(state.range(0));
    state.SetLabel(std::string(rawValue(settings.grainGradientMode)) +
                   (state.range(1) > 1 ? " on " + std::to_string(state.range(1)) + " threads" : ""));
    runFrames(state, settings, int(state.range(1)));
}

// The material's CPU twin at the reduced size the fallback view draws.
void MaterialTwinFrame(benchmark::State& state) {
    ShaderMaterialInputs inputs;
    inputs.width = double(frameWidth);
    inputs.height = double(frameHeight);
    inputs.pattern = ShaderPattern(state.range(0));
    inputs.materialTime = 12.5;
    inputs.baseColor = {0.025, 0.035, 0.06};
    inputs.midColor = {0.24, 0.36, 0.56};
    inputs.highlightColor = {1, 1, 1};
    const auto uniforms = ShaderMaterialUniforms::fromArguments(shaderMaterialArguments(inputs));
    const std::int64_t width = frameWidth / 4;
    const std::int64_t height = frameHeight / 4;
    std::vector<std::uint8_t> pixels(std::size_t(width * height * 4));
    FrameTimer timer;
    for (auto _ : state) {
        timer.start();
        renderShaderMaterial(*uniforms, nullptr, {pixels.data(), width, height, width * 4}, 0.25, 1);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    state.SetLabel(std::string(rawValue(inputs.pattern)) + " at 480x270");
    timer.report(state);
}

void CopyBaseline(benchmark::State& state) {
    std::vector<std::uint8_t> source(std::size_t(frameWidth * frameHeight * 4), 7);
    std::vector<std::uint8_t> target(source.size());
    FrameTimer timer;
    for (auto _ : state) {
        timer.start();
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        timer.stop();
    }
    timer.report(state);
}

BENCHMARK(ShapeFrame)
    ->ArgsProduct({{int(NotchShape::linear), int(NotchShape::radial), int(NotchShape::ribbonBands),
                    int(NotchShape::glowDots), int(NotchShape::smoothGradient), int(NotchShape::spiral)},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GrainFrame)->ArgsProduct({{0, 1, 2, 3}, {1}})->Unit(benchmark::kMillisecond);
BENCHMARK(GrainFrame)->Args({3, 4})->Unit(benchmark::kMillisecond);
BENCHMARK(MaterialTwinFrame)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glimora::WallpaperRenderer

BENCHMARK_MAIN();
