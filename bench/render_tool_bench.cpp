// glimora-render making a sixK PNG of the default gradient design, next to
// ImageMagick's convert making a gradient PNG of the same size in the same
// run: both as whole programs, from start to the file on disk. convert makes
// it as 8-bit RGBA, the format glimora-render writes.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/recipe_json.hpp"
#include "state/notch_view_model.hpp"

extern char** environ;

namespace {

using namespace glimora;

const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("glimora-render-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// The editor's design at start (with a fixed seed) as a recipe document, to sixK PNG.
std::filesystem::path defaultRecipe() {
    static const std::filesystem::path file = [] {
        NotchViewModel::Services services;
        services.preferences = std::make_shared<MemoryPreferences>();
        services.paths = std::make_shared<FixedPaths>(std::nullopt);
        NotchViewModel model(services);
        model.setDesignSeed(0x5EED2024);
        model.setExportFormat(ExportFormat::png);
        model.setExportResolution(ExportResolution::sixK);
        const auto path = workFolder() / "default.ombriq";
        std::ofstream(path, std::ios::binary) << encodeRecipeDocument(model.makeRecipe("Default", false));
        return path;
    }();
    return file;
}

// The Debian package's program (imagemagick), called by its own path.
std::string convertProgram() { return ::access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : ""; }

// Wall-clock seconds of one run of the program; negative when it failed.
double runSeconds(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

std::vector<std::string> glimoraCommand() {
    return {GLIMORA_RENDER_BINARY, defaultRecipe().string(), "-o", (workFolder() / "glimora.png").string()};
}

std::vector<std::string> convertCommand() {
    return {convertProgram(), "-size", "6016x3384", "gradient:purple-black", "-depth", "8",
            "PNG32:" + (workFolder() / "convert.png").string()};
}

struct Timing {
    double total = 0;
    int runs = 0;
    double mean() const { return runs ? total / runs : 0; }
};
Timing glimoraTiming, convertTiming;

void timeProgram(benchmark::State& state, const std::vector<std::string>& command, Timing& timing) {
    if (command.front().empty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    for (auto _ : state) {
        const double seconds = runSeconds(command);
        if (seconds < 0) {
            state.SkipWithError(("failed: " + command.front()).c_str());
            return;
        }
        state.SetIterationTime(seconds);
        timing.total += seconds;
        ++timing.runs;
    }
}

void BM_GlimoraRenderSixKPng(benchmark::State& state) {
    defaultRecipe();
    timeProgram(state, glimoraCommand(), glimoraTiming);
}
BENCHMARK(BM_GlimoraRenderSixKPng)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ImageMagickConvertSixKPng(benchmark::State& state) {
    timeProgram(state, convertCommand(), convertTiming);
}
BENCHMARK(BM_ImageMagickConvertSixKPng)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (glimoraTiming.runs > 0 && convertTiming.runs > 0) {
        const double ours = glimoraTiming.mean(), theirs = convertTiming.mean();
        std::printf("glimora-render %.1f ms, convert %.1f ms: glimora-render takes %.3f of convert's time (%s)\n",
                    ours * 1e3, theirs * 1e3, ours / theirs, ours <= theirs ? "not slower" : "SLOWER");
    }
    std::error_code error;
    std::filesystem::remove_all(workFolder(), error);
    return 0;
}
