// What the desktop costs while it runs: CPU use and resident memory of the
// desktop window with the live canvas, idle and with a shape animating, over a
// few seconds of the real event loop. Run it on a display (scripts/bench uses
// Xvfb when there is none); the window is the application's own.
#include "bench/shell_bench.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <fstream>
#include <memory>

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
void measure(benchmark::State& state, bool animate) {
    auto model = makeModel();
    WallpaperWindowController controller(model);
    controller.show();
    if (animate) model->toggleAnimation();
    // Let the first frames and the window mapping settle before measuring.
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();

    const double seconds = 5;
    for (auto _ : state) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        state.counters["cpu_percent_of_core"] = 100.0 * (cpuSeconds() - cpuBefore) / elapsed;
    }
    state.counters["resident_MiB"] = residentMiB();
    state.counters["animating"] = model->animationPlaying() ? 1 : 0;
}

void BM_DesktopIdle(benchmark::State& state) { measure(state, false); }
void BM_DesktopAnimatingLinear(benchmark::State& state) { measure(state, true); }

BENCHMARK(BM_DesktopIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_DesktopAnimatingLinear)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return glimora::bench::runShellBenchmarks(argc, argv); }
