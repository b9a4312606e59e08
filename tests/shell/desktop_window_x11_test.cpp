// The desktop window under a real X server and window manager: run by ctest
// inside `xvfb-run`, with an openbox of the test's own.
#include "tests/shell/fake_gsettings.hpp"
#include "tests/shell/x11_harness.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace glimora::x11test;
using namespace std::chrono_literals;

// Changes the screen size as a display settings panel would: the one output
// of Xvfb gets a mode of that size (made when missing), and the screen follows.
bool resizeScreen(Display* display, unsigned width, unsigned height) {
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResources(display, root);
    if (!resources || resources->ncrtc < 1 || resources->noutput < 1) return false;
    RRMode mode = 0;
    for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].width == width && resources->modes[i].height == height) mode = resources->modes[i].id;
    if (!mode) {
        std::string name = std::to_string(width) + "x" + std::to_string(height) + "-test";
        XRRModeInfo info{};
        info.width = width;
        info.height = height;
        info.hTotal = width;
        info.vTotal = height;
        info.dotClock = 60ul * width * height;
        info.name = name.data();
        info.nameLength = static_cast<unsigned>(name.size());
        mode = XRRCreateMode(display, root, &info);
        XRRAddOutputMode(display, resources->outputs[0], mode);
    }
    XWindowAttributes current{};
    XGetWindowAttributes(display, root, &current);
    const bool grows = int(width) > current.width || int(height) > current.height;
    const auto setSize = [&] {
        XRRSetScreenSize(display, root, int(width), int(height), int(width * 254 / 960), int(height * 254 / 960));
    };
    if (grows) setSize();
    const Status status = XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, mode,
                                           RR_Rotate_0, resources->outputs, 1);
    if (!grows) setSize();
    XSync(display, False);
    XRRFreeScreenResources(resources);
    return status == RRSetConfigSuccess;
}

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

class DesktopWindowX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(x11.display(), nullptr);
        glimora = spawn({GLIMORA_BINARY});
        ASSERT_GT(glimora, 0);
        ASSERT_TRUE(waitUntil([&] { return x11.desktopWindows().size() == 1; })) << "no desktop window appeared";
        desktop = x11.desktopWindows().front();
        // The type is set before the window is shown; on a busy machine the
        // map can land a moment after the window is found.
        ASSERT_TRUE(waitUntil([&] {
            XWindowAttributes attributes{};
            return XGetWindowAttributes(x11.display(), desktop, &attributes) && attributes.map_state == IsViewable;
        })) << "the desktop window was never shown";
    }
    void TearDown() override {
        stop(glimora);
        waitUntil([&] { return x11.desktopWindows().empty(); }, std::chrono::seconds(5));
    }

    X11 x11;
    pid_t glimora = -1;
    Window desktop = 0;
};

TEST_F(DesktopWindowX11, IsADesktopWindowCoveringTheScreenOnEveryWorkspace) {
    Display* display = x11.display();
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(display, desktop, &attributes));
    int x = -1, y = -1;
    Window child = 0;
    XTranslateCoordinates(display, desktop, x11.root(), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(attributes.width, DisplayWidth(display, DefaultScreen(display)));
    EXPECT_EQ(attributes.height, DisplayHeight(display, DefaultScreen(display)));
    EXPECT_EQ(attributes.map_state, IsViewable);

    // Xlib hands 32-bit items over as longs, sign-extended.
    const auto workspace = x11.property(desktop, "_NET_WM_DESKTOP", XA_CARDINAL);
    ASSERT_EQ(workspace.size(), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(workspace[0]), 0xFFFFFFFFu);  // every workspace
    const auto states = x11.property(desktop, "_NET_WM_STATE", XA_ATOM);
    EXPECT_NE(std::find(states.begin(), states.end(), x11.atom("_NET_WM_STATE_SKIP_TASKBAR")), states.end());

    // Clicks pass through: the window's input region is empty.
    int count = -1, ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(display, desktop, ShapeInput, &count, &ordering);
    EXPECT_EQ(count, 0);
    if (rectangles) XFree(rectangles);
}

TEST_F(DesktopWindowX11, StaysBelowOtherWindowsEvenWhenRaised) {
    Display* display = x11.display();
    const Window other = XCreateSimpleWindow(display, x11.root(), 100, 100, 300, 200, 0, 0, 0xFFFFFF);
    XMapWindow(display, other);
    XSync(display, False);
    const auto index = [&](Window window) {
        const auto order = x11.stacking();
        return std::find(order.begin(), order.end(), window) - order.begin();
    };
    ASSERT_TRUE(waitUntil([&] { return index(other) < std::ptrdiff_t(x11.stacking().size()); }));
    EXPECT_LT(index(desktop), index(other));

    XRaiseWindow(display, desktop);
    XSync(display, False);
    // Once openbox has managed a window mapped after the raise, it has
    // handled the raise.
    ASSERT_TRUE(x11.managesNewWindows());
    EXPECT_LT(index(desktop), index(other));
    XDestroyWindow(display, other);
    XSync(display, False);
}

TEST_F(DesktopWindowX11, ASecondStartEndsAtOnceAndLeavesOneDesktopWindow) {
    const pid_t second = spawn({GLIMORA_BINARY});
    ASSERT_GT(second, 0);
    const auto exitCode = waitForExit(second, std::chrono::seconds(10));
    if (!exitCode) stop(second);
    ASSERT_TRUE(exitCode) << "the second start kept running";
    EXPECT_EQ(*exitCode, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(x11.desktopWindows().size(), 1u);
    EXPECT_EQ(waitpid(glimora, nullptr, WNOHANG), 0);  // the first one still runs
}

TEST_F(DesktopWindowX11, FollowsTheScreenWhenItsSizeChanges) {
    Display* display = x11.display();
    const auto size = [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, desktop, &attributes);
        return std::pair(attributes.width, attributes.height);
    };
    XWindowAttributes root{};
    XGetWindowAttributes(display, x11.root(), &root);
    const auto original = std::pair(root.width, root.height);
    ASSERT_EQ(size(), original);

    ASSERT_TRUE(resizeScreen(display, 1024, 768));
    EXPECT_TRUE(waitUntil([&] { return size() == std::pair(1024, 768); }, std::chrono::seconds(20)));
    ASSERT_TRUE(resizeScreen(display, unsigned(original.first), unsigned(original.second)));
    EXPECT_TRUE(waitUntil([&] { return size() == original; }, std::chrono::seconds(20)));
    int x = -1, y = -1;
    Window child = 0;
    XTranslateCoordinates(display, desktop, x11.root(), 0, 0, &x, &y, &child);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
}

TEST_F(DesktopWindowX11, EndsCleanlyWhenTheSessionEnds) {
    const std::string socket = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/glimora.socket";
    EXPECT_EQ(access(socket.c_str(), F_OK), 0);
    kill(glimora, SIGTERM);
    const auto exitCode = waitForExit(glimora, std::chrono::seconds(10));
    ASSERT_TRUE(exitCode);
    glimora = -1;
    EXPECT_EQ(*exitCode, 0);
    EXPECT_NE(access(socket.c_str(), F_OK), 0);
    EXPECT_TRUE(waitUntil([&] { return x11.desktopWindows().empty(); }, std::chrono::seconds(5)));
}

// The processes whose parent is this one.
std::set<pid_t> children() {
    std::set<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("PPid:") && std::stol(line.substr(5)) == getpid()) found.insert(std::stoi(name));
    }
    return found;
}

// An X server of the test's own, so that it can go away under glimora as at
// a logout; its display is told through a pipe once it is ready.
struct OwnXServer {
    pid_t pid = -1;
    std::string display;

    OwnXServer() {
        int ready[2];
        if (pipe(ready) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
        std::vector<std::string> arguments{"Xvfb", "-displayfd", "3", "-screen", "0", "1280x720x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        if (!started) pid = -1;
        char number[16] = {};
        const ssize_t got = started ? read(ready[0], number, sizeof number - 1) : -1;
        close(ready[0]);
        if (got > 0) display = ":" + std::to_string(std::atoi(number));
    }
    ~OwnXServer() { stop(pid); }
};

// At a logout the X server goes first: glimora ends as Qt ends it then, and
// takes every process it started with it; none is left running on its own.
// (This process collects the orphans meanwhile, so that none can slip away
// to init unseen.)
TEST(DesktopWindowSession, WhenTheXServerGoesNoProcessOfOursStays) {
    struct Subreaper {
        Subreaper() { EXPECT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0); }
        ~Subreaper() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
    } collectingOrphans;
    const std::set<pid_t> before = children();
    glimora::test::FakeGsettings gsettings("true");
    OwnXServer server;
    ASSERT_FALSE(server.display.empty()) << "no Xvfb of the test's own";
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", server.display.c_str(), 1);
    const pid_t glimora = spawn({GLIMORA_BINARY}, artefactPath("desktop_window_x11_test/x-server-gone.txt"));
    setenv("DISPLAY", display.c_str(), 1);
    ASSERT_GT(glimora, 0);
    std::string monitor;
    EXPECT_TRUE(waitUntil([&] { return bool(std::ifstream(gsettings.monitorPidFile()) >> monitor); }, 20s))
        << "glimora never watched the desktop's motion setting";

    kill(server.pid, SIGTERM);
    EXPECT_TRUE(waitForExit(server.pid, 10s));
    server.pid = -1;
    const auto exitCode = waitForExit(glimora, 10s);
    if (!exitCode) stop(glimora);
    EXPECT_EQ(exitCode, std::optional<int>(1)) << "glimora did not end as Qt ends it without its X server";

    // Whatever it left behind is ours now: it must end by itself, at once.
    std::set<pid_t> left;
    waitUntil(
        [&] {
            left.clear();
            for (const pid_t pid : children()) {
                if (before.contains(pid)) continue;
                if (waitpid(pid, nullptr, WNOHANG) != pid) left.insert(pid);
            }
            return left.empty();
        },
        3s);
    EXPECT_TRUE(left.empty()) << left.size() << " process(es) of glimora's still running, the first "
                              << (left.empty() ? 0 : *left.begin()) << " (the motion monitor was " << monitor << ")";
    for (const pid_t pid : left) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace

