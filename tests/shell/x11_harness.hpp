// What the x11 test programs share: processes, waiting, an Xlib connection
// with the window-manager properties they read, an openbox of their own, and
// screenshots kept as test artefacts. Each *_x11_test.cpp is its own program,
// so this is header-only.
#pragma once

// Qt before Xlib: Xlib's macros (None, Status, KeyPress...) break Qt's headers.
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace glimora::x11test {

using Clock = std::chrono::steady_clock;

// Starts a program found on PATH (or by its path); -1 when it cannot be.
// With `output`, its standard output and error go to that file.
inline pid_t spawn(const std::vector<std::string>& arguments, const std::string& output = {}) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// The exit code, or nothing when the process is still running at the deadline.
inline std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!waitForExit(pid, std::chrono::seconds(5))) {
        kill(pid, SIGKILL);
        waitForExit(pid, std::chrono::seconds(5));
    }
}

template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct Frame {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Frame&, const Frame&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Frame& f) {
    return out << "(" << f.x << ", " << f.y << ", " << f.width << ", " << f.height << ")";
}

// Windows of other clients come and go while the tests look at them: a
// request about one that is already gone is no failure of the test.
inline int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

class X11 {
public:
    X11() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(ignoreXErrors); }
    ~X11() {
        if (display_) XCloseDisplay(display_);
    }
    X11(const X11&) = delete;
    X11& operator=(const X11&) = delete;
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

    std::vector<unsigned long> property(Window window, const char* name, Atom type) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        XSync(display_, False);
        if (XGetWindowProperty(display_, window, atom(name), 0, 1024, False, type, &actualType, &format, &count,
                               &remaining, &data) == Success &&
            data && format == 32) {
            const auto* longs = reinterpret_cast<const unsigned long*>(data);
            values.assign(longs, longs + count);
        }
        if (data) XFree(data);
        return values;
    }

    // Managed windows, bottom to top.
    std::vector<Window> stacking() const {
        const auto values = property(root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
        return {values.begin(), values.end()};
    }

    std::vector<Window> desktopWindows() const {
        std::vector<Window> found;
        const Atom desktopType = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
        for (const Window window : stacking()) {
            const auto types = property(window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
            if (!types.empty() && types.front() == desktopType) found.push_back(window);
        }
        return found;
    }

    std::string name(Window window) const {
        char* text = nullptr;
        std::string result;
        if (XFetchName(display_, window, &text) && text) result = text;
        if (text) XFree(text);
        return result;
    }

    // The managed windows with this title, bottom to top.
    std::vector<Window> windowsNamed(const std::string& title) const {
        std::vector<Window> found;
        for (const Window window : stacking())
            if (name(window) == title) found.push_back(window);
        return found;
    }

    bool isViewable(Window window) const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
    }

    // The window's place on the screen and its size.
    Frame frame(Window window) const {
        XSync(display_, False);
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window, &attributes)) return {};
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, root(), 0, 0, &x, &y, &child);
        return {x, y, attributes.width, attributes.height};
    }

    Window activeWindow() const {
        const auto values = property(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return values.empty() ? 0 : Window(values.front());
    }

    bool hasWindowManager() const { return !property(root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty(); }

    // The screen's colour at (x, y) as 0xRRGGBB.
    unsigned long pixel(int x, int y) const {
        XSync(display_, False);
        XImage* image = XGetImage(display_, root(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFFu;
        XDestroyImage(image);
        return value;
    }

    // The whole screen as it is now, written as a PNG under the build
    // folder's test artefacts; the path is printed.
    void screenshot(const std::string& name) const {
        XSync(display_, False);
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, root(), &attributes);
        XImage* image = XGetImage(display_, root(), 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                                  AllPlanes, ZPixmap);
        if (!image) return;
        QImage picture(attributes.width, attributes.height, QImage::Format_RGB32);
        for (int y = 0; y < attributes.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < attributes.width; ++x) row[x] = QRgb(XGetPixel(image, x, y)) | 0xFF000000u;
        }
        XDestroyImage(image);
        const QString folder = QStringLiteral(GLIMORA_ARTEFACT_DIR);
        QDir().mkpath(folder);
        const QString path = folder + "/" + QString::fromStdString(name) + ".png";
        if (picture.save(path)) std::printf("screenshot: %s\n", path.toLocal8Bit().constData());
    }

private:
    Display* display_;
};

// One openbox for the whole program, as a session would have.
class WindowManager final : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        X11 x11;
        ASSERT_NE(x11.display(), nullptr);
        pid_ = spawn({"openbox", "--sm-disable"});
        ASSERT_GT(pid_, 0) << "openbox could not be started";
        ASSERT_TRUE(waitUntil([&] { return x11.hasWindowManager(); })) << "openbox did not come up";
    }
    void TearDown() override { stop(pid_); }

private:
    pid_t pid_ = -1;
};

}  // namespace glimora::x11test
