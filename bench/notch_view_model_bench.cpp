// Per-frame reads of the editor state: the animated values and the material
// time are asked for on every drawn frame, and a slider drag writes a property
// (and notifies) on every mouse move. The baseline copies the ten values
// without the waveform, so the ratio shows what the clock maths adds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/preferences.hpp"
#include "state/notch_view_model.hpp"

namespace {

using glimora::NotchViewModel;

class FixedClock final : public glimora::Clock {
public:
    double now() const override { return 700'000'000; }
};

std::unique_ptr<NotchViewModel> playingModel(glimora::AnimationWaveform waveform) {
    NotchViewModel::Services services;
    services.preferences = std::make_shared<glimora::MemoryPreferences>();
    services.clock = std::make_shared<FixedClock>();
    auto model = std::make_unique<NotchViewModel>(services);
    model->setShape(glimora::NotchShape::conic);
    model->setAnimationWaveform(waveform);
    model->setAnimationProperty(glimora::AnimationProperty::phase);
    model->toggleAnimation();
    return model;
}

void BaselineCopyTenValues(benchmark::State& state) {
    const auto model = playingModel(glimora::AnimationWaveform::sine);
    double time = 700'000'000;
    for (auto _ : state) {
        NotchViewModel::AnimatedValues values{model->angle(),      model->spread(),     model->centerX(),
                                              model->centerY(),    model->phase(),      model->frequencyX(),
                                              model->frequencyY(), model->warp(),       model->noise(),
                                              model->chroma()};
        values.phase += time;
        benchmark::DoNotOptimize(values);
        time += 1.0 / 60;
    }
}
BENCHMARK(BaselineCopyTenValues);

void AnimatedSnapshot(benchmark::State& state) {
    const auto model = playingModel(static_cast<glimora::AnimationWaveform>(state.range(0)));
    double time = 700'000'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model->animatedSnapshot(time));
        time += 1.0 / 60;
    }
}
BENCHMARK(AnimatedSnapshot)->Arg(0)->Arg(1)->Arg(2)->ArgName("waveform");

void ShaderMaterialTime(benchmark::State& state) {
    const auto model = playingModel(glimora::AnimationWaveform::sine);
    model->activateShaderMaterial();
    double time = 700'000'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model->shaderMaterialTime(time));
        time += 1.0 / 60;
    }
}
BENCHMARK(ShaderMaterialTime);

// One slider write heard by two listeners (the Qt bridge and one view).
void SliderWrite(benchmark::State& state) {
    const auto model = playingModel(glimora::AnimationWaveform::sine);
    std::size_t heard = 0;
    model->onChange([&](NotchViewModel::Prop) { ++heard; });
    model->onChange([&](NotchViewModel::Prop prop) { heard += prop == NotchViewModel::Prop::angle; });
    double angle = 0;
    for (auto _ : state) {
        model->setAngle(angle);
        angle += 0.5;
    }
    benchmark::DoNotOptimize(heard);
}
BENCHMARK(SliderWrite);

// Prints each result as a multiple of the baseline measured in the same run.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            times_.emplace_back(run.benchmark_name(), run.GetAdjustedRealTime());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double baseline = 0;
        for (const auto& [name, time] : times_)
            if (name == "BaselineCopyTenValues") baseline = time;
        if (baseline <= 0) return;
        for (const auto& [name, time] : times_)
            std::printf("%-40s %8.2fx baseline\n", name.c_str(), time / baseline);
    }

private:
    std::vector<std::pair<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
