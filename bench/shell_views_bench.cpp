// The open panel's reaction to a tab switch: from the model's new selected
// tab to the new editor built, laid out in the scroll area and painted, on
// the main thread. Both open editors: the header layout at the top and the
// tab column at a side.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "bench/shell_bench.hpp"

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>

#include "panel/expanded_editor.hpp"
#include "panel/side_expanded_editor.hpp"

namespace glimora {
namespace {

template <class Editor>
void switchTabs(benchmark::State& state, NotchPlacement placement, QSize size, auto make) {
    auto model = bench::makeModel();
    model->setNotchPlacement(placement);
    model->setExpanded(true);
    NotchViewModelBridge bridge(*model);
    Editor* editor = make(bridge);
    editor->resize(size);
    editor->show();
    QCoreApplication::processEvents();
    const auto tabs = allCases<NotchTab>();
    std::size_t next = 0;
    for (auto _ : state) {
        NotchTab tab = tabs[next++ % tabs.size()];
        if (tab == model->selectedTab()) tab = tabs[next++ % tabs.size()];
        const auto start = std::chrono::steady_clock::now();
        model->setSelectedTab(tab);
        // The bridge's batch, the rebuilt editor, its layout, then one paint.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        editor->repaint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    delete editor;
}

void BM_TabSwitchTopEditor(benchmark::State& state) {
    switchTabs<ExpandedEditor>(state, NotchPlacement::top, {690, 300},
                               [](NotchViewModelBridge& b) { return new ExpandedEditor(b, 0, 5); });
}

void BM_TabSwitchSideEditor(benchmark::State& state) {
    switchTabs<SideExpandedEditor>(state, NotchPlacement::left, {337, 640},
                                   [](NotchViewModelBridge& b) { return new SideExpandedEditor(b, 64, 40); });
}

BENCHMARK(BM_TabSwitchTopEditor)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabSwitchSideEditor)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glimora

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return glimora::bench::runShellBenchmarks(argc, argv);
}
