// What the notch panel costs: one tick of its spring (the frame update, the
// input shape that follows the outline, the repaint of the panel, and the
// X server's handling of all three) while it opens and closes, and the CPU
// the application uses while nothing moves. Run it on a display at 1920x1080
// (scripts/bench uses Xvfb with openbox when there is none). The baseline is
// the same panel's repaint alone, without moving it. It needs X11 (xcb).
#include "bench/shell_bench.hpp"

#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "panel/notch_window_controller.hpp"
#include "state/notch_view_model.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace {

using namespace glimora;
using namespace glimora::bench;

double processCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Waits until the X server has handled every request sent so far (a round
// trip on Qt's own connection) without running the event loop, so the spring
// timer cannot step in between.
void roundTrip() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Each tick is stepped by hand, exactly as the timer would step it, and
// timed through to the X server's answer.
void BM_SpringTick(benchmark::State& state, NotchPlacement placement) {
    auto model = makeModel();
    model->setNotchPlacement(placement);
    NotchWindowController controller(model);
    controller.bringNotchToFront();
    runEventLoopFor(500);
    std::vector<double> ticks, cpu;
    for (auto _ : state) {
        model->setExpanded(!model->expanded());
        QElapsedTimer whole;
        whole.start();
        while (controller.isDisplayLinkRunning()) {
            QElapsedTimer tick;
            tick.start();
            const double cpuBefore = processCpuMilliseconds();
            controller.stepSpring(1.0 / 60);
            controller.panel()->repaint();
            roundTrip();
            ticks.push_back(double(tick.nsecsElapsed()) / 1e6);
            cpu.push_back(processCpuMilliseconds() - cpuBefore);
        }
        state.SetIterationTime(double(whole.nsecsElapsed()) / 1e9);
    }
    state.counters["tick_median_ms"] = percentile(ticks, 0.5);
    state.counters["tick_p90_ms"] = percentile(ticks, 0.9);
    state.counters["tick_p99_ms"] = percentile(ticks, 0.99);
    // Our own process's share of a tick, without the X server's and without
    // time spent waiting for a core on a busy machine.
    state.counters["cpu_median_ms"] = percentile(cpu, 0.5);
    state.counters["cpu_p99_ms"] = percentile(cpu, 0.99);
    state.counters["ticks"] = double(ticks.size());
}

void BM_RepaintOnly(benchmark::State& state) {
    auto model = makeModel();
    model->setExpanded(true);
    NotchWindowController controller(model);
    controller.bringNotchToFront();
    runEventLoopFor(500);
    std::vector<double> paints;
    for (auto _ : state) {
        QElapsedTimer paint;
        paint.start();
        controller.panel()->repaint();
        roundTrip();
        paints.push_back(double(paint.nsecsElapsed()) / 1e6);
        state.SetIterationTime(double(paint.nsecsElapsed()) / 1e9);
    }
    state.counters["paint_median_ms"] = percentile(paints, 0.5);
}

// The desktop window and the panel, shown and settled, for a few seconds of
// the real event loop: the share of one core used.
void BM_IdleApplication(benchmark::State& state) {
    auto model = makeModel();
    WallpaperWindowController wallpaper(model);
    wallpaper.show();
    NotchWindowController controller(model);
    controller.bringNotchToFront();
    model->setExpanded(true);
    runEventLoopFor(1500);  // opens, settles, maps
    for (auto _ : state) {
        const double before = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runEventLoopFor(5000);
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        state.counters["cpu_percent_of_core"] = 100.0 * (cpuSeconds() - before) / elapsed;
    }
    state.counters["timer_running"] = controller.isDisplayLinkRunning() ? 1 : 0;
}

BENCHMARK_CAPTURE(BM_SpringTick, top, NotchPlacement::top)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpringTick, left, NotchPlacement::left)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintOnly)->Iterations(400)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleApplication)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return glimora::bench::runShellBenchmarks(argc, argv); }
