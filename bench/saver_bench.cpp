// What ombriq-saver costs as XScreenSaver runs it: the program itself drawing
// into a 1920x1080 window. With the heaviest library (36 photo recipes, about
// 240 MB of JSON): the time from start to the first picture in the window and
// the resident memory; baseline: reading the library file alone. With one
// animated shape recipe at 30 frames a second: the CPU share of the saver,
// of the desktop window showing the same recipe (measured in this process as
// desktop_load_bench measures it) and of XScreenSaver's own full-screen
// colour hack "interference" (Debian's xscreensaver-data-extra), back to
// back. Run it on a display (scripts/bench uses Xvfb when there is none).
#include "bench/shell_bench.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/heavy_library.hpp"
#include "model/atomic_file.hpp"
#include "model/recipe_library.hpp"
#include "saver/ombriq_screen_saver_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its None and Bool macros break the headers that follow it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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
        // Unmanaged, as XScreenSaver's own window: exactly the screen, no frame.
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(display_, screen);
        window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0, 1920, 1080, 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
        XMapRaised(display_, window_);
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

// Starts `program` as XScreenSaver starts its programs: "--root" with
// XSCREENSAVER_WINDOW naming the window, with `home` as its home.
pid_t startHack(const std::string& program, const std::filesystem::path& home, Window window) {
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
    std::string path = program, root = "--root";
    char* argv[] = {path.data(), root.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data()) != 0) return 0;
    return pid;
}

pid_t startSaver(const std::filesystem::path& home, Window window) {
    return startHack(GLIMORA_SAVER_BINARY, home, window);
}

void stopSaver(pid_t pid) {
    if (pid <= 0) return;  // never started: a kill of 0 would end this program's group
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

// The one-minute load average now.
double loadAverage() {
    std::ifstream file("/proc/loadavg");
    double load = 0;
    file >> load;
    return load;
}

// A moving shape, as a user would save it: the first heavy recipe as a
// gradient, with the default animation the saver gives a recipe without one.
DesignRecipe movingShape() {
    DesignRecipe shape = heavy_library::photoRecipe(0);
    shape.wallpaperSource = "gradient";
    shape.image.reset();
    shape.shape = "linear";
    shape.name = "Moving linear";
    return shape;
}

constexpr double measuredSeconds = 5;
constexpr const char* interference = "/usr/libexec/xscreensaver/interference";

struct Share {
    double cpuPercent = 0;
    double residentMiB = 0;
};

// A program drawing into a 1920x1080 window: its share once its first
// picture is up and a second has passed.
Share measureProgram(const std::string& program, const std::filesystem::path& home) {
    Window1080 window;
    const pid_t pid = startHack(program, home, window.id());
    const auto start = SteadyTime::now();
    while (!window.lit() && since(start) < 30) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double cpuBefore = cpuSecondsOf(pid);
    const auto measured = SteadyTime::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(measuredSeconds));
    const double elapsed = since(measured);
    Share share{100.0 * (cpuSecondsOf(pid) - cpuBefore) / elapsed, statusMiB(pid, "VmRSS")};
    stopSaver(pid);
    return share;
}

// The desktop window showing the recipe as the saver shows it, measured as
// desktop_load_bench measures it: this process's share over the event loop.
Share measureDesktop(const DesignRecipe& recipe) {
    auto model = bench::makeModel();
    applyRecipeForScreenSaver(*model, recipe, true);
    WallpaperWindowController controller(model);
    controller.show();
    bench::runEventLoopFor(1000);
    const double cpuBefore = bench::cpuSeconds();
    const auto measured = SteadyTime::now();
    bench::runEventLoopFor(int(measuredSeconds * 1000));
    const double elapsed = since(measured);
    return {100.0 * (bench::cpuSeconds() - cpuBefore) / elapsed, statusMiB(::getpid(), "VmRSS")};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Saver, desktop and interference in turns, three rounds; the medians, and
// the saver against the targets: the desktop's share + 2 points, and 0.6x
// interference's.
void BM_AnimatingShapeSaverDesktopInterference(benchmark::State& state) {
    if (!Window1080().ok()) return state.SkipWithError("no X display");
    if (::access(interference, X_OK) != 0)
        return state.SkipWithError("no interference: install Debian's xscreensaver-data-extra");
    const auto home = homeWith("shape");
    const DesignRecipe shape = movingShape();
    const auto text = encodeRecipeHistory({shape});
    std::filesystem::create_directories(libraryIn(home).parent_path());
    if (!text || AtomicFile::write(libraryIn(home), *text)) return state.SkipWithError("could not write the library");
    for (auto _ : state) {
        const double loadBefore = loadAverage();
        std::vector<double> saver, desktop, hack, saverMiB, desktopMiB, hackMiB;
        for (int round = 0; round < 3; ++round) {
            const Share s = measureProgram(GLIMORA_SAVER_BINARY, home);
            const Share d = measureDesktop(shape);
            const Share i = measureProgram(interference, home);
            saver.push_back(s.cpuPercent), saverMiB.push_back(s.residentMiB);
            desktop.push_back(d.cpuPercent), desktopMiB.push_back(d.residentMiB);
            hack.push_back(i.cpuPercent), hackMiB.push_back(i.residentMiB);
        }
        state.SetIterationTime(9 * measuredSeconds);
        state.counters["saver_cpu_percent"] = median(saver);
        state.counters["desktop_cpu_percent"] = median(desktop);
        state.counters["interference_cpu_percent"] = median(hack);
        state.counters["saver_minus_desktop_points"] = median(saver) - median(desktop);
        state.counters["saver_over_interference"] = median(saver) / median(hack);
        state.counters["saver_resident_MiB"] = median(saverMiB);
        state.counters["desktop_resident_MiB"] = median(desktopMiB);
        state.counters["interference_resident_MiB"] = median(hackMiB);
        state.counters["load_average_before"] = loadBefore;
        state.counters["load_average_after"] = loadAverage();
    }
}

BENCHMARK(BM_SaverFirstFrameWithPhotoLibrary)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineReadLibraryFile)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimatingShapeSaverDesktopInterference)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    const int result = glimora::bench::runShellBenchmarks(argc, argv);
    std::filesystem::remove_all(benchFolder());
    return result;
}
