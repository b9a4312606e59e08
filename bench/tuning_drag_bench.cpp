// A slider drag on the tuning tab as the user makes it, 60 pointer moves a
// second, with the desktop window at 1920 x 1080: for every value change,
// the time until the desktop has drawn a frame that shows it (median and
// 99th percentile, per shape). A frame at 30 frames a second lasts 33 ms.
// Baseline in the same run: one live-canvas frame of the shape drawn alone,
// which no drag can beat.
//
// Run it on a display (scripts/bench uses Xvfb when there is none).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "editors/adjust_editor.hpp"
#include "platform/preferences.hpp"
#include "state/notch_view_model.hpp"
#include "views/live_canvas_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace {

using namespace glimora;

// Notes when each paint of the desktop's canvas starts and ends.
class PaintClock : public QObject {
public:
    PaintClock(QWidget* canvas, const QElapsedTimer& clock) : canvas_(canvas), clock_(clock) {
        canvas_->installEventFilter(this);
    }
    ~PaintClock() override { canvas_->removeEventFilter(this); }

    struct Paint {
        double start;
        double end;
    };
    const std::vector<Paint>& paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != canvas_ || event->type() != QEvent::Paint) return false;
        const double start = ms();
        // Painted here so that its end is known; the widget sees it once.
        static_cast<QObject*>(canvas_)->event(event);
        paints_.push_back({start, ms()});
        return true;
    }

private:
    double ms() const { return double(clock_.nsecsElapsed()) / 1e6; }
    QWidget* canvas_;
    const QElapsedTimer& clock_;
    std::vector<Paint> paints_;
};

void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QWidget* named(QWidget* root, const QString& name) {
    QWidget* found = nullptr;
    for (QWidget* child : root->findChildren<QWidget*>())
        if (child->accessibleName() == name && child->isVisible()) found = child;
    return found;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, std::size_t(std::ceil(share * double(values.size()))) - 1);
    return values[index];
}

void TuningDrag(benchmark::State& state) {
    const auto shape = NotchShape(state.range(0));
    NotchViewModel::Services services;
    services.preferences = std::make_shared<MemoryPreferences>();  // never the user's settings
    auto model = std::make_shared<NotchViewModel>(services);
    model->selectShape(shape);
    WallpaperWindowController desktop(model);
    desktop.show();
    auto* canvas = static_cast<WallpaperCanvasView*>(desktop.contentView())->canvasView();

    NotchViewModelBridge bridge(*model);
    QWidget panel(nullptr, Qt::Window | Qt::FramelessWindowHint);
    auto* editor = new AdjustEditor(bridge, {480, false, 5, 7}, &panel);
    panel.setGeometry(0, 0, 500, 300);
    panel.show();
    runEventLoopFor(800);
    QWidget* track = named(editor, QStringLiteral("Twist"));
    if (!track || canvas->framesDrawn() == 0) {
        state.SkipWithError("no Twist slider or no desktop frame");
        return;
    }

    QElapsedTimer clock;
    clock.start();
    // One frame alone, for the baseline.
    const int before = canvas->framesDrawn();
    const double frameStart = double(clock.nsecsElapsed()) / 1e6;
    canvas->invalidate();
    canvas->repaint();
    const double oneFrame = double(clock.nsecsElapsed()) / 1e6 - frameStart;
    if (canvas->framesDrawn() == before) {
        state.SkipWithError("the desktop drew no frame");
        return;
    }

    // Five and a half seconds of dragging; the first half second warms up
    // (first frames, caches) and is not counted.
    constexpr int warmUp = 30;
    constexpr int moves = 330;
    std::vector<double> latencies;
    for (auto _ : state) {
        PaintClock paints(canvas, clock);
        std::vector<double> changes;  // when each new value was written
        const double y = 4;  // on the knob band at the top of the track
        const double width = track->width();
        sendMouse(track, QEvent::MouseButtonPress, {width * 0.1, y}, Qt::LeftButton);
        int sent = 0;
        QEventLoop loop;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1000 / 60);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (sent == moves) {
                sendMouse(track, QEvent::MouseButtonRelease, {width * 0.1, y}, Qt::NoButton);
                ticker.stop();
                QTimer::singleShot(300, &loop, &QEventLoop::quit);  // the last frame
                return;
            }
            // Back and forth over the track: every move is a new value.
            const double share = 0.1 + 0.8 * std::abs(std::fmod(sent / 45.0, 2.0) - 1.0);
            const double angle = model->angle();
            const double at = double(clock.nsecsElapsed()) / 1e6;
            sendMouse(track, QEvent::MouseMove, {width * share, y}, Qt::LeftButton);
            if (model->angle() != angle && sent >= warmUp) changes.push_back(at);
            ++sent;
        });
        const double begin = double(clock.nsecsElapsed()) / 1e6;
        ticker.start();
        loop.exec();
        state.SetIterationTime((double(clock.nsecsElapsed()) / 1e6 - begin) / 1e3);

        // A change shows in the first frame painted after it was written.
        for (const double change : changes) {
            const auto& list = paints.paints();
            const auto shown = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.start >= change; });
            if (shown != list.end()) latencies.push_back(shown->end - change);
        }
        state.counters["value_changes"] = double(changes.size());
        state.counters["frames"] = double(paints.paints().size());
    }
    state.counters["median_ms"] = percentile(latencies, 0.5);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["one_frame_ms"] = oneFrame;
    state.counters["shown"] = double(latencies.size());
    state.SetLabel(std::string(rawValue(shape)));
}

BENCHMARK(TuningDrag)->DenseRange(0, 17)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
