// What ombriq-saver costs as XScreenSaver runs it: the program itself drawing
// into a 1920x1080 window. With the heaviest library (36 photo recipes, about
// 240 MB of JSON): the time from start to the first picture in the window and
// the resident memory; with one animated shape recipe: the CPU share at 30
// frames a second. Baseline: reading the library file alone. Run it on a
// display (scripts/bench uses Xvfb when there is none).
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/heavy_library.hpp"
#include "model/atomic_file.hpp"
#include "model/recipe_library.hpp"

extern char** environ;

namespace {

using namespace glimora;
using SteadyTime = std::chrono::steady_clock;

double since(SteadyTime::time_point start) {
    return std::chrono::duration<double>(SteadyTime::now() - start).count();
}

std::filesystem::path benchFolder() {
    static const std::filesystem::path folder = [] {
        char pattern[] = "/tmp/ombriq-saver-bench-XXXXXX";
        return std::filesystem::path(::mkdtemp(pattern));
    }();
    return folder;
}

// Each library lives in a home of its own, as the saver finds it.
std::filesystem::path homeWith(const std::string& name) { return benchFolder() / name; }

std::filesystem::path libraryIn(const std::filesystem::path& home) {
    return home / ".local/share/Ombriq/recipes.json";
}

class Window1080 {
public:
    Window1080() {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, 1920, 1080, 0, 0,
                                      BlackPixel(display_, screen));
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~Window1080() {
        if (!display_) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    // Black again, so the next picture seen is the next run's.
    void clear() {
        XClearWindow(display_, window_);
        XSync(display_, False);
    }
    Window id() const { return window_; }
    // Whether the middle of the window shows anything but black.
    bool lit() const {
        XImage* image = XGetImage(display_, window_, 944, 524, 32, 32, AllPlanes, ZPixmap);
        if (!image) return false;
        bool any = false;
        for (int y = 0; y < 32 && !any; ++y)
            for (int x = 0; x < 32 && !any; ++x) any = (XGetPixel(image, x, y) & 0xffffff) != 0;
        XDestroyImage(image);
        return any;
    }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

pid_t startSaver(const std::filesystem::path& home, Window window) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("HOME=", 0) == 0 || text.rfind("XDG_", 0) == 0 || text.rfind("XSCREENSAVER_", 0) == 0) continue;
        variables.push_back(text);
    }
    variables.push_back("HOME=" + home.string());
    variables.push_back("XDG_DATA_HOME=" + (home / ".local/share").string());
    variables.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    variables.push_back(std::string("XSCREENSAVER_WINDOW=") + id);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string program = GLIMORA_SAVER_BINARY, root = "--root";
    char* argv[] = {program.data(), root.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data()) != 0) return 0;
    return pid;
}

void stopSaver(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// VmRSS or VmHWM of the process, in MiB.
double statusMiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return 0;
}

double cpuSecondsOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // state ... cmajflt
    long user = 0, system = 0;
    fields >> user >> system;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

void BM_SaverFirstFrameWithPhotoLibrary(benchmark::State& state) {
    Window1080 window;
    if (!window.ok()) return state.SkipWithError("no X display");
    const auto home = homeWith("photos");
    static const std::size_t bytes = heavy_library::write(home / ".local/share").bytes;
    for (auto _ : state) {
        window.clear();
        const auto start = SteadyTime::now();
        const pid_t saver = startSaver(home, window.id());
        while (!window.lit() && since(start) < 30) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const double first = since(start);
        state.SetIterationTime(first);
        state.counters["first_frame_s"] = first;
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["resident_MiB"] = statusMiB(saver, "VmRSS");
        state.counters["peak_resident_MiB"] = statusMiB(saver, "VmHWM");
        stopSaver(saver);
    }
    state.counters["library_MB"] = double(bytes) / 1e6;
}

void BM_BaselineReadLibraryFile(benchmark::State& state) {
    const auto file = libraryIn(homeWith("photos"));
    for (auto _ : state) {
        std::ifstream in(file, std::ios::binary);
        std::string text(std::filesystem::file_size(file), '\0');
        in.read(text.data(), std::streamsize(text.size()));
        benchmark::DoNotOptimize(text.data());
        state.counters["MB"] = double(text.size()) / 1e6;
    }
}

void BM_SaverAnimatingShape(benchmark::State& state) {
    Window1080 window;
    if (!window.ok()) return state.SkipWithError("no X display");
    const auto home = homeWith("shape");
    DesignRecipe shape = heavy_library::photoRecipe(0);
    shape.wallpaperSource = "gradient";
    shape.image.reset();
    shape.shape = "linear";
    shape.name = "Moving linear";
    const auto text = encodeRecipeHistory({shape});
    std::filesystem::create_directories(libraryIn(home).parent_path());
    if (!text || AtomicFile::write(libraryIn(home), *text)) return state.SkipWithError("could not write the library");
    for (auto _ : state) {
        const pid_t saver = startSaver(home, window.id());
        const auto start = SteadyTime::now();
        while (!window.lit() && since(start) < 30) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double cpuBefore = cpuSecondsOf(saver);
        const auto measured = SteadyTime::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double elapsed = since(measured);
        state.counters["cpu_percent_of_core"] = 100.0 * (cpuSecondsOf(saver) - cpuBefore) / elapsed;
        state.counters["resident_MiB"] = statusMiB(saver, "VmRSS");
        state.SetIterationTime(elapsed);
        stopSaver(saver);
    }
}

BENCHMARK(BM_SaverFirstFrameWithPhotoLibrary)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineReadLibraryFile)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaverAnimatingShape)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(benchFolder());
    return 0;
}
