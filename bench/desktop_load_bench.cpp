// What the desktop costs while it runs: CPU use and resident memory of the
// desktop window, idle, with every shape animating (plain, and with chroma,
// split bands and scanlines) and with the shader material drawn on the
// processor, each over five seconds of the real event loop. Run it on a display (scripts/bench uses
// Xvfb when there is none); the window is the application's own.
#include "bench/shell_bench.hpp"

#include <unistd.h>

#include <QElapsedTimer>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "state/notch_view_model.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace {

using namespace glimora;
using namespace glimora::bench;

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop for `seconds` and reports the share of one core used.
void measure(benchmark::State& state, const std::function<void(NotchViewModel&)>& setUp) {
    auto model = makeModel();
    WallpaperWindowController controller(model);
    controller.show();
    setUp(*model);
    // Let the first frames and the window mapping settle before measuring.
    runEventLoopFor(1000);

    const double seconds = 5;
    for (auto _ : state) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runEventLoopFor(int(seconds * 1000));
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        state.counters["cpu_percent_of_core"] = 100.0 * (cpuSeconds() - cpuBefore) / elapsed;
    }
    state.counters["resident_MiB"] = residentMiB();
    state.counters["animating"] = model->animationPlaying() || model->shaderPlaying() ? 1 : 0;
}

struct NamedShape {
    NotchShape shape;
    const char* name;
};

constexpr NamedShape allShapes[] = {
    {NotchShape::linear, "linear"},         {NotchShape::radial, "radial"},
    {NotchShape::smoothGradient, "smoothGradient"}, {NotchShape::ribbonBands, "ribbonBands"},
    {NotchShape::glowDots, "glowDots"},     {NotchShape::conic, "conic"},
    {NotchShape::sine, "sine"},             {NotchShape::sunsetStrip, "sunsetStrip"},
    {NotchShape::diamond, "diamond"},       {NotchShape::fractal, "fractal"},
    {NotchShape::tree, "tree"},             {NotchShape::landscape, "landscape"},
    {NotchShape::petals, "petals"},         {NotchShape::crystal, "crystal"},
    {NotchShape::spiral, "spiral"},         {NotchShape::kaleidoscope, "kaleidoscope"},
    {NotchShape::topography, "topography"}, {NotchShape::orbit, "orbit"}};

void animate(NotchViewModel& model, NotchShape shape, bool effects) {
    model.selectShape(shape);
    if (effects) {
        model.setChroma(12);
        model.setRgbSplit(true);
        model.setScanlines(true);
    }
    if (!model.animationPlaying()) model.toggleAnimation();
}

void registerAll() {
    const auto add = [](const std::string& name, std::function<void(NotchViewModel&)> setUp) {
        benchmark::RegisterBenchmark(name.c_str(), [setUp](benchmark::State& state) { measure(state, setUp); })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    };
    add("BM_DesktopIdle", [](NotchViewModel&) {});
    for (const auto& [shape, shapeName] : allShapes) {
        const std::string name(shapeName);
        add("BM_DesktopAnimating/" + name, [shape](NotchViewModel& model) { animate(model, shape, false); });
        add("BM_DesktopAnimatingEffects/" + name,
            [shape](NotchViewModel& model) { animate(model, shape, true); });
    }
    // The material on the processor: OpenGL here is absent or a software
    // rasterizer, which the view declines in favour of its CPU twin.
    add("BM_DesktopMaterialProcessor", [](NotchViewModel& model) { model.activateShaderMaterial(); });
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    return glimora::bench::runShellBenchmarks(argc, argv);
}
