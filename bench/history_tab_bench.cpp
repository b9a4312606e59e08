// Opening the history tab on the heaviest library a user can have: 36 photo
// recipes with 2048-px photos, about 240 MB of JSON. Times building the tab
// with its 36 rows until it has painted, offscreen, and reports the process's
// resident memory with the library loaded and the tab open.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "bench/heavy_library.hpp"
#include "editors/history_editor.hpp"
#include "editors/recipe_row.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "state/recipe_history_loader.hpp"

namespace {

namespace fs = std::filesystem;
using namespace glimora;

// The heavy library's folder as the user's data folder; nothing else exists.
class HeavyPaths final : public Paths {
public:
    explicit HeavyPaths(fs::path data) : data_(std::move(data)) {}
    std::optional<fs::path> dataHome() const override { return data_; }
    std::optional<fs::path> configHome() const override { return std::nullopt; }
    std::optional<fs::path> downloads() const override { return std::nullopt; }
    std::optional<fs::path> pictures() const override { return std::nullopt; }

private:
    fs::path data_;
};

class NullLogger final : public Logger {
public:
    void log(std::string_view) override {}
};

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return -1;
}

struct Fixture {
    std::unique_ptr<NotchViewModel> model;
    std::unique_ptr<NotchViewModelBridge> bridge;

    Fixture() {
        const fs::path data = fs::path(GLIMORA_BENCH_DATA) / "heavy";
        heavy_library::write(data);  // kept between runs
        NotchViewModel::Services services;
        auto paths = std::make_shared<HeavyPaths>(data);
        auto logger = std::make_shared<NullLogger>();
        services.paths = paths;
        services.logger = logger;
        services.loadRecipeHistory = recipeHistoryLoader(paths, logger, RecipeHistoryAccess::readOnly);
        model = std::make_unique<NotchViewModel>(std::move(services));
        bridge = std::make_unique<NotchViewModelBridge>(*model);
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// The tab as the routing shows it at the top of the screen, until painted.
std::unique_ptr<QWidget> openHistoryTab(HistoryEditor** editor = nullptr) {
    auto window = std::make_unique<QWidget>();
    auto* tab = new HistoryEditor(*fixture().bridge, EditorInputs{480, false, 5, 7}, window.get());
    window->resize(500, 2000);
    window->show();
    QApplication::processEvents();
    QImage target(window->size(), QImage::Format_ARGB32_Premultiplied);
    window->render(&target);
    if (editor) *editor = tab;
    return window;
}

void BM_OpenHistoryTabWithHeavyLibrary(benchmark::State& state) {
    if (fixture().model->recipeHistory().size() != 36) {
        state.SkipWithError("the heavy library did not load");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto window = openHistoryTab();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_OpenHistoryTabWithHeavyLibrary)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    fixture();
    const double loaded = residentMiB();
    benchmark::RunSpecifiedBenchmarks();
    HistoryEditor* editor = nullptr;
    auto window = openHistoryTab(&editor);
    std::cout << "history tab: " << editor->rows().size() << " rows; resident memory with the library loaded "
              << loaded << " MiB, with the tab open " << residentMiB() << " MiB (target under 300 MiB)" << std::endl;
    benchmark::Shutdown();
    return 0;
}
