// What the benchmarks of the Qt shell share: a model that never touches the
// user's settings, the process's CPU time, a turn of the real event loop, and
// a main that makes the QApplication first.
#pragma once

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

#include "platform/preferences.hpp"
#include "state/notch_view_model.hpp"

namespace glimora::bench {

inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline std::shared_ptr<NotchViewModel> makeModel() {
    NotchViewModel::Services services;
    services.preferences = std::make_shared<MemoryPreferences>();  // never the user's settings
    return std::make_shared<NotchViewModel>(services);
}

inline void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

inline int runShellBenchmarks(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace glimora::bench
