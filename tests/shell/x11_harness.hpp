// What the x11 test programs share: processes, waiting, the Qt application
// and its event loop, real input through xdotool, an Xlib connection with the
// window-manager properties they read, a window manager of their own
// (openbox unless they name another), screenshots
// kept as test artefacts, and the comparison of the desktop with an export of
// glimora-render. Each *_x11_test.cpp is its own program, so this is
// header-only.
#pragma once

// Qt and the project's headers before Xlib: Xlib's macros (None, Status,
// KeyPress...) break them.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "model/recipe_json.hpp"
#include "render/cell_grid.hpp"
#include "render/pixel_image_buffer.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/shell/test_artefacts.hpp"
#include "tests/support/temp_dir.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace glimora::x11test {

using test::artefactPath;
using test::keepScreenshot;

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

// The program's one QApplication, made on first use (on the X server of
// DISPLAY, under the platform the test's environment names).
inline QApplication& application() {
    static int argc = 1;
    static char* argv[] = {program_invocation_short_name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *qobject_cast<QApplication*>(QApplication::instance());
}

// Runs the Qt event loop for this long: timers fire, windows paint.
inline void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the Qt event loop until `condition` holds, for at most `milliseconds`.
inline bool processEventsUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        runEventLoopFor(10);
    }
    return true;
}

// Runs xdotool with these arguments and waits for it.
inline bool xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(command);
    const auto code = pid > 0 ? waitForExit(pid, std::chrono::seconds(10)) : std::nullopt;
    if (!code) stop(pid);
    return code && *code == 0;
}

// A real click of the X server's pointer at a point of the screen. (Without
// --sync: it waits for ever when the pointer is already there; the server
// takes the move and the click in order anyway.)
inline bool clickAt(int x, int y, int button = 1) {
    return xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

// The same at a point of a widget of this process; its centre by default.
inline bool clickWidget(const QWidget* widget, std::optional<QPoint> at = std::nullopt) {
    const QPoint global = widget->mapToGlobal(at.value_or(QPoint(widget->width() / 2, widget->height() / 2)));
    return clickAt(global.x(), global.y());
}

// The visible widget under `root` with this accessible name; the innermost
// when a control and its parts share it.
template <class T = QWidget>
T* visibleNamed(QWidget* root, const QString& name) {
    T* found = nullptr;
    for (T* child : root->findChildren<T*>())
        if (child->accessibleName() == name && child->isVisible()) found = child;
    return found;
}

// What a window shows now (the root window, the whole screen, by default),
// read from the X server as a picture; a null picture when it cannot be read.
inline QImage grabWindow(Display* display, Window window = 0, int x = 0, int y = 0, int width = -1, int height = -1) {
    if (!window) window = DefaultRootWindow(display);
    XSync(display, False);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) return {};
    if (width < 0) width = attributes.width - x;
    if (height < 0) height = attributes.height - y;
    XImage* shot = XGetImage(display, window, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!shot) return {};
    QImage picture(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(row));
        for (int column = 0; column < width; ++column) line[column] = QRgb(XGetPixel(shot, column, row)) | 0xFF000000u;
    }
    XDestroyImage(shot);
    return picture;
}

// A picture as tightly packed RGBA bytes (alpha 255), as the renderer draws.
inline std::vector<std::uint8_t> rgbaBytes(const QImage& picture) {
    const QImage packed = picture.convertToFormat(QImage::Format_RGBX8888);
    std::vector<std::uint8_t> bytes(std::size_t(packed.width()) * std::size_t(packed.height()) * 4);
    for (int row = 0; row < packed.height(); ++row)
        std::copy_n(packed.constScanLine(row), std::size_t(packed.width()) * 4,
                    bytes.data() + std::size_t(row) * std::size_t(packed.width()) * 4);
    return bytes;
}

// Keeps RGBA bytes of this size as a PNG artefact.
inline void keepScreenshot(const std::vector<std::uint8_t>& rgba, int width, int height, const std::string& name) {
    keepScreenshot(QImage(rgba.data(), width, height, width * 4, QImage::Format_RGBX8888), name);
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

    // Maps a window of "another program" (this connection) at a place the
    // window manager is asked to respect, and waits until it is viewable.
    struct OtherWindow {
        int x = 0, y = 0, width = 0, height = 0;
        unsigned long color = 0x3366AA;
        bool decorated = true;
        long events = 0;
        const char* type = nullptr;  // a _NET_WM_WINDOW_TYPE_... name
        bool overrideRedirect = false;  // one no window manager manages (a menu, a notification, a locker)
    };
    Window mapOtherWindow(const OtherWindow& want) const {
        const Window window = XCreateSimpleWindow(display_, root(), want.x, want.y, unsigned(want.width),
                                                  unsigned(want.height), 0, 0, want.color);
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = want.x;
        hints.y = want.y;
        hints.width = want.width;
        hints.height = want.height;
        XSetWMNormalHints(display_, window, &hints);
        XStoreName(display_, window, "Another Program");
        if (!want.decorated) {
            // Motif hints: decorations given, none of them.
            const long motif[5] = {2, 0, 0, 0, 0};
            XChangeProperty(display_, window, atom("_MOTIF_WM_HINTS"), atom("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(motif), 5);
        }
        if (want.type) {
            const Atom type = atom(want.type);
            XChangeProperty(display_, window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&type), 1);
        }
        XSelectInput(display_, window, want.events | StructureNotifyMask);
        if (want.overrideRedirect) {
            XSetWindowAttributes attributes{};
            attributes.override_redirect = True;
            XChangeWindowAttributes(display_, window, CWOverrideRedirect, &attributes);
        }
        XMapWindow(display_, window);
        XSync(display_, False);
        waitUntil([&] { return isViewable(window); });
        return window;
    }

    // Menus on screen: override-redirect windows (outside the client list)
    // taller than a tooltip.
    std::vector<Window> popupMenus() const {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        std::vector<Window> found;
        XSync(display_, False);
        XQueryTree(display_, root(), &rootReturn, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display_, children[i], &attributes) && attributes.override_redirect &&
                attributes.map_state == IsViewable && attributes.height > 100)
                found.push_back(children[i]);
        }
        if (children) XFree(children);
        return found;
    }

    // The root window's children, bottom to top: the window manager's frames
    // and the windows it does not manage.
    std::vector<Window> rootChildren() const {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XSync(display_, False);
        std::vector<Window> found;
        if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count)) found.assign(children, children + count);
        if (children) XFree(children);
        return found;
    }

    // The root's child that holds this window (the window itself when the
    // window manager does not frame it); 0 when it is gone.
    Window topLevelOf(Window window) const {
        while (window) {
            Window rootReturn = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) return 0;
            if (children) XFree(children);
            if (parent == rootReturn) return window;
            window = parent;
        }
        return 0;
    }

    // Where the window's top level is in the stack, from the bottom; -1 when gone.
    int stackIndex(Window window) const {
        const auto order = rootChildren();
        const auto it = std::find(order.begin(), order.end(), topLevelOf(window));
        return it == order.end() ? -1 : int(it - order.begin());
    }

    // Any window of this title, managed or not, framed or not; 0 when none.
    Window findNamed(const std::string& title, Window under = 0) const {
        if (!under) under = root();
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display_, under, &rootReturn, &parent, &children, &count))
            for (unsigned i = count; i-- > 0 && !found;)
                found = name(children[i]) == title ? children[i] : findNamed(title, children[i]);
        if (children) XFree(children);
        return found;
    }

    bool isOverrideRedirect(Window window) const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) && attributes.override_redirect;
    }

    // The window with the keyboard focus (1: the one under the pointer).
    Window inputFocus() const {
        Window focus = 0;
        int revert = 0;
        XSync(display_, False);
        XGetInputFocus(display_, &focus, &revert);
        return focus;
    }

    bool isViewable(Window window) const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
    }

    // The first managed window with this title once it is mapped; 0 when
    // none is by the deadline.
    Window waitForWindowNamed(const std::string& title,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        Window found = 0;
        waitUntil(
            [&] {
                const auto windows = windowsNamed(title);
                if (!windows.empty() && isViewable(windows.front())) found = windows.front();
                return found != 0;
            },
            timeout);
        return found;
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

    // The root's child that takes a click at this point of the screen: the
    // server skips windows whose input shape leaves the point out.
    Window topLevelAt(int x, int y) const {
        XSync(display_, False);
        int childX = 0, childY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, root(), root(), x, y, &childX, &childY, &child);
        return child;
    }

    Window activeWindow() const {
        const auto values = property(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return values.empty() ? 0 : Window(values.front());
    }

    bool hasWindowManager() const { return !property(root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty(); }

    // Whether the window manager takes a new window into its client list by
    // the deadline. It names itself before it is ready to manage windows,
    // and a window mapped before then stays unmanaged: a fresh probe window
    // is tried each second. The probe is gone again afterwards.
    bool managesNewWindows(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto deadline = Clock::now() + timeout;
        bool managed = false;
        while (!managed && Clock::now() < deadline) {
            const Window probe = XCreateSimpleWindow(display_, root(), 0, 0, 8, 8, 0, 0, 0);
            XMapWindow(display_, probe);
            XSync(display_, False);
            const auto listed = [&] {
                const auto order = stacking();
                return std::find(order.begin(), order.end(), probe) != order.end();
            };
            managed = waitUntil(listed, std::chrono::seconds(1));
            XDestroyWindow(display_, probe);
            XSync(display_, False);
            waitUntil([&] { return !listed(); }, std::chrono::seconds(5));
        }
        return managed;
    }

    // The screen's colour at (x, y) as 0xRRGGBB.
    unsigned long pixel(int x, int y) const {
        XSync(display_, False);
        XImage* image = XGetImage(display_, root(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFFu;
        XDestroyImage(image);
        return value;
    }

    // What a window shows now (the whole screen by default), as a picture.
    QImage image(Window window = 0, int x = 0, int y = 0, int width = -1, int height = -1) const {
        return grabWindow(display_, window, x, y, width, height);
    }

    // The whole screen as it is now, kept as a PNG artefact (the path is
    // printed) and returned.
    QImage screenshot(const std::string& name) const {
        QImage picture = image();
        if (!picture.isNull()) keepScreenshot(picture, name);
        return picture;
    }

private:
    Display* display_;
};

#ifdef GLIMORA_RENDER_BINARY
// The design of `recipe` exported by glimora-render at HD (the screen's
// 1920x1080), as `folder`/`step`.png, and read back.
inline PixelImageBuffer exportWithRenderer(const DesignRecipe& recipe, const std::filesystem::path& folder,
                                           const std::string& step) {
    const auto recipeFile = folder / (step + ".ombriq");
    std::ofstream(recipeFile) << encodeRecipeDocument(recipe);
    const auto exported = folder / (step + ".png");
    const std::string command = std::string(GLIMORA_RENDER_BINARY) + " '" + recipeFile.string() + "' -o '" +
                                exported.string() + "' --format png --resolution hd";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << command;
        return {};
    }
    const auto bytes = test::readFile(exported);
    return PixelImageBuffer::load({bytes.data(), bytes.size()}, 4096);
}
#endif

struct CellComparison {
    int compared = 0;
    int differing = 0;  // beyond the tolerance
    int largest = 0;    // the largest difference of a channel
    std::string firstDifferences;
};

// The screen's pixel at every cell centre of `grid`, outside `covered`,
// against the exported image; `tolerance` is the largest difference of a
// channel taken as equal; `covered` is in the export's pixels. On a screen
// of `scale` device pixels per point the centres lie `scale` times further
// out on the screen.
inline CellComparison compareCellCentres(const QImage& shot, const PixelImageBuffer& image,
                                         const WallpaperRenderer::CellGrid& grid, int tolerance = 0,
                                         const QRect& covered = {}, double scale = 1) {
    CellComparison result;
    const std::int64_t width = std::min<std::int64_t>(std::int64_t(shot.width() / scale), image.width);
    const std::int64_t height = std::min<std::int64_t>(std::int64_t(shot.height() / scale), image.height);
    for (std::int64_t row = 0; row < grid.rows; ++row) {
        for (std::int64_t column = 0; column < grid.columns; ++column) {
            const int x = int((double(column) + 0.5) * grid.cellWidth);
            const int y = int((double(row) + 0.5) * grid.cellHeight);
            if (x >= width || y >= height || covered.contains(x, y)) continue;
            const QRgb pixel = shot.pixel(int((double(column) + 0.5) * grid.cellWidth * scale),
                                          int((double(row) + 0.5) * grid.cellHeight * scale));
            const std::uint8_t* want = image.bytes().data() + (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 4;
            ++result.compared;
            const int difference = std::max({std::abs(qRed(pixel) - want[0]), std::abs(qGreen(pixel) - want[1]),
                                             std::abs(qBlue(pixel) - want[2])});
            result.largest = std::max(result.largest, difference);
            if (difference <= tolerance) continue;
            if (++result.differing <= 5)
                result.firstDifferences += "cell " + std::to_string(column) + "," + std::to_string(row) + " at " +
                                           std::to_string(x) + "," + std::to_string(y) + ": desktop (" +
                                           std::to_string(qRed(pixel)) + "," + std::to_string(qGreen(pixel)) + "," +
                                           std::to_string(qBlue(pixel)) + ") export (" + std::to_string(want[0]) +
                                           "," + std::to_string(want[1]) + "," + std::to_string(want[2]) + ")\n";
        }
    }
    return result;
}

// The window's shape of this kind (ShapeBounding, ShapeInput), in its own
// coordinates.
inline QRegion windowShape(Display* display, Window window, int kind) {
    int count = 0, ordering = 0;
    XSync(display, False);
    XRectangle* rectangles = XShapeGetRectangles(display, window, kind, &count, &ordering);
    QRegion region;
    for (int i = 0; i < count; ++i)
        region += QRect(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
    if (rectangles) XFree(rectangles);
    return region;
}

// Whether the window's bounding shape is set (it is cut to a shape).
inline bool boundingShaped(Display* display, Window window) {
    Bool bounding = False, clip = False;
    int x = 0, y = 0, cx = 0, cy = 0;
    unsigned w = 0, h = 0, cw = 0, ch = 0;
    XSync(display, False);
    XShapeQueryExtents(display, window, &bounding, &x, &y, &w, &h, &clip, &cx, &cy, &cw, &ch);
    return bounding;
}

// An xcompmgr of the test's own on the default screen.
class Compositor {
public:
    explicit Compositor(const X11& x11) : x11_(x11) {}
    ~Compositor() { stop(); }
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    bool runs() const { return XGetSelectionOwner(x11_.display(), x11_.atom("_NET_WM_CM_S0")) != 0; }
    void start() {
        pid_ = spawn({"xcompmgr"});
        ASSERT_GT(pid_, 0) << "xcompmgr could not be started";
        ASSERT_TRUE(waitUntil([this] { return runs(); })) << "xcompmgr did not come up";
        // It announces itself before it paints.
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    void stop() {
        if (pid_ <= 0) return;
        x11test::stop(pid_);
        pid_ = -1;
        waitUntil([this] { return !runs(); });
    }

private:
    const X11& x11_;
    pid_t pid_ = -1;
};

#ifdef GLIMORA_BINARY
// A glimora of the test's own, with its preferences.
struct GlimoraProcess {
    pid_t pid = -1;
    Window panel = 0;  // its notch panel, once mapped

    static std::filesystem::path preferences() {
        return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
    }

    // Starts it with the panel at `placement` (and launch at login off) and
    // waits for the panel.
    void start(const X11& x11, const std::string& placement) {
        std::filesystem::create_directories(preferences().parent_path());
        std::ofstream(preferences()) << "{\"launchAtLogin\": false, \"notchPlacement\": \"" << placement << "\"}";
        pid = spawn({GLIMORA_BINARY});
        ASSERT_GT(pid, 0);
        panel = x11.waitForWindowNamed("Glimora Notch");
        ASSERT_NE(panel, 0u) << "no notch panel appeared";
    }

    // Ends it (if it runs) and waits for its panel to go.
    void stop(const X11& x11) {
        x11test::stop(pid);
        pid = -1;
        waitUntil([&] { return x11.windowsNamed("Glimora Notch").empty(); }, std::chrono::seconds(5));
        std::filesystem::remove(preferences());
    }
};
#endif

// One window manager for the whole program, as a session would have:
// openbox, or the command given.
class WindowManager final : public ::testing::Environment {
public:
    explicit WindowManager(std::vector<std::string> command = {"openbox", "--sm-disable"})
        : command_(std::move(command)) {}
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        X11 x11;
        ASSERT_NE(x11.display(), nullptr);
        const std::string& name = command_.front();
        pid_ = spawn(command_);
        ASSERT_GT(pid_, 0) << name << " could not be started";
        ASSERT_TRUE(waitUntil([&] { return x11.hasWindowManager(); })) << name << " did not come up";
        ASSERT_TRUE(x11.managesNewWindows()) << name << " manages no window";
    }
    void TearDown() override { stop(pid_); }

private:
    std::vector<std::string> command_;
    pid_t pid_ = -1;
};

}  // namespace glimora::x11test
