// The console table, plus each benchmark's real time per iteration kept by
// function name, for the summary lines a bench prints when it finishes.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace glimora {

class TimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                seconds_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

protected:
    // Seconds per iteration of every benchmark that ran, by function name.
    const std::map<std::string, double>& seconds() const { return seconds_; }

    // Milliseconds per iteration, or -1 when the benchmark did not run.
    double milliseconds(const std::string& name) const {
        const auto found = seconds_.find(name);
        return found == seconds_.end() ? -1.0 : found->second * 1e3;
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace glimora
