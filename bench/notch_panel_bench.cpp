// What the notch panel costs: one tick of its spring (the frame update, the
// input shape that follows the outline, the repaint of the panel, and the
// X server's handling of all three) while it opens and closes, and the CPU
// the application uses while nothing moves. Run it on a display at 1920x1080
// (scripts/bench uses Xvfb with openbox when there is none). The baseline is
// the same panel's repaint alone, without moving it.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "panel/notch_window_controller.hpp"
#include "platform/preferences.hpp"
#include "state/notch_view_model.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace {

using namespace glimora;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::shared_ptr<NotchViewModel> makeModel() {
    NotchViewModel::Services services;
    services.preferences = std::make_shared<MemoryPreferences>();  // never the user's settings
    return std::make_shared<NotchViewModel>(services);
}

void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
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
    std::vector<double> ticks;
    for (auto _ : state) {
        model->setExpanded(!model->expanded());
        QElapsedTimer whole;
        whole.start();
        while (controller.isDisplayLinkRunning()) {
            QElapsedTimer tick;
            tick.start();
            controller.stepSpring(1.0 / 60);
            controller.panel()->repaint();
            QGuiApplication::sync();
            ticks.push_back(double(tick.nsecsElapsed()) / 1e6);
        }
        state.SetIterationTime(double(whole.nsecsElapsed()) / 1e9);
    }
    state.counters["tick_median_ms"] = percentile(ticks, 0.5);
    state.counters["tick_p99_ms"] = percentile(ticks, 0.99);
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
        QGuiApplication::sync();
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

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
