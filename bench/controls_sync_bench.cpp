// How long a model change takes to reach the editor's controls: the bridge's
// coalesced signal, sync() of every control, and the window's repaint, all on
// the main thread. Two cases: one slider value (a tab of sliders, toggles and
// chips on screen), and a palette change that repaints the swatches of a
// recipe list and the shape grid's thumbnails. The baseline is the same
// window repainted with no model change. Target: under 2 ms per change.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise;
// QT_SCALE_FACTOR=2 measures a screen of device-pixel ratio 2.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QPaintEvent>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/times_reporter.hpp"
#include "controls/notch_slider.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/toggles.hpp"
#include "platform/preferences.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "state/notch_view_model.hpp"

namespace {

using namespace glimora;

// The panel's surface: it paints its own near-black and tells Qt so, as
// the panel does, so no system background is filled under the controls.
class Surface final : public QWidget {
public:
    Surface() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(8, 8, 10));
    }
};

// A window laid out like a busy editor tab: twelve sliders, four toggles,
// 36 recipe swatches and the fifteen shape thumbnails.
struct EditorWindow {
    NotchViewModel model{[] {
        NotchViewModel::Services services;
        services.preferences = std::make_shared<MemoryPreferences>();  // never the user's settings
        return services;
    }()};
    NotchViewModelBridge bridge{model};
    Surface window;
    NotchSlider* spread = nullptr;
    std::vector<PixelSwatch*> swatches;
    std::vector<PixelThumbnail*> tiles;

    EditorWindow() {
        auto* column = new QVBoxLayout(&window);
        column->setContentsMargins(10, 10, 10, 10);
        std::vector<std::function<void()>> syncs;
        for (int i = 0; i < 12; ++i) {
            auto* slider = new NotchSlider(
                "Reach", bind(model, &NotchViewModel::spread, &NotchViewModel::setSpread), 20, 400, 1,
                PinTarget::forModel(model, ShuffleProperty::spread));
            if (i == 0) spread = slider;
            column->addWidget(slider);
            syncs.push_back([slider] { slider->sync(); });
        }
        for (int i = 0; i < 4; ++i) {
            auto* toggle = new StyleToggle("Reflect", bind(model, &NotchViewModel::mirror, &NotchViewModel::setMirror),
                                           PinTarget::forModel(model, ShuffleProperty::mirror));
            column->addWidget(toggle);
            syncs.push_back([toggle] { toggle->sync(); });
        }
        const ColorsSource palette = [this] { return model.activePalette().colors; };
        auto* swatchGrid = new QGridLayout;
        for (int i = 0; i < 36; ++i) {
            auto* swatch = new PixelSwatch(palette, 28);
            swatchGrid->addWidget(swatch, i / 12, i % 12);
            swatches.push_back(swatch);
            syncs.push_back([swatch] { swatch->sync(); });
        }
        column->addLayout(swatchGrid);
        auto* tileGrid = new QGridLayout;
        int index = 0;
        for (NotchShape shape : shapeTabCases()) {
            auto* tile = new PixelThumbnail(shape, palette, [this, shape] { return model.shape() == shape; }, 44);
            tileGrid->addWidget(tile, index / 5, index % 5);
            tiles.push_back(tile);
            syncs.push_back([tile] { tile->sync(); });
            ++index;
        }
        column->addLayout(tileGrid);
        QObject::connect(&bridge, &NotchViewModelBridge::changed, &window, [syncs] {
            for (const auto& sync : syncs) sync();
        });
        window.resize(760, 900);
        window.show();
        QApplication::processEvents();
    }

    // Delivers the bridge's queued signal (the controls sync and mark
    // themselves dirty), then the window's update request, which paints the
    // dirty controls into the backing store and flushes it.
    void deliverAndPaint() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
    }
};

// Counts the paints of one widget, to check that a change was painted.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The same window repainting one slider track whose value did not change.
void BM_RepaintOnlyBaseline(benchmark::State& state) {
    EditorWindow editor;
    for (auto _ : state) {
        editor.spread->track()->update();
        editor.deliverAndPaint();
    }
}

void BM_SliderValueToWidgets(benchmark::State& state) {
    EditorWindow editor;
    double value = 20;
    PaintCounter counter(editor.spread->track());
    for (auto _ : state) {
        value = value >= 400 ? 20 : value + 1;
        editor.model.setSpread(value);
        editor.deliverAndPaint();
    }
    if (editor.spread->track()->value() != editor.model.spread()) state.SkipWithError("the slider is not in step");
    if (counter.paints < state.iterations()) state.SkipWithError("the slider was not painted on every change");
}

void BM_PaletteToSwatchesAndThumbnails(benchmark::State& state) {
    EditorWindow editor;
    const int count = static_cast<int>(builtInPalettes().size());
    int index = 0;
    PaintCounter counter(editor.tiles.back());
    for (auto _ : state) {
        index = (index + 1) % count;
        editor.model.setPaletteIndex(index);
        editor.deliverAndPaint();
    }
    const QColor expected = paletteQColor(editor.model.activePalette().colors.front());
    if (editor.swatches.back()->cellColor(0, 0) != expected) state.SkipWithError("a swatch is not in step");
    if (counter.paints < state.iterations()) state.SkipWithError("the thumbnails were not painted on every change");
}

BENCHMARK(BM_RepaintOnlyBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliderValueToWidgets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaletteToSwatchesAndThumbnails)->Unit(benchmark::kMillisecond);

class TargetReporter final : public TimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double baseline = milliseconds("BM_RepaintOnlyBaseline");
        const auto line = [baseline](const char* what, double ms) {
            std::printf("%-42s %7.3f ms  (%.2fx the plain repaint; target < 2 ms)\n", what, ms, ms / baseline);
        };
        std::printf("plain repaint of the window (baseline)    %7.3f ms\n", baseline);
        line("one slider value to the widgets", milliseconds("BM_SliderValueToWidgets"));
        line("palette change to swatches and tiles", milliseconds("BM_PaletteToSwatchesAndThumbnails"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
