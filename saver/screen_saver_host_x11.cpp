#include "saver/screen_saver_host_x11.hpp"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "platform/clock.hpp"
#include "platform/file_read.hpp"
#include "saver/end_watch.hpp"
#include "saver/device_pixel_ratio_x11.hpp"
#include "saver/frame_image_x11.hpp"
#include "saver/ombriq_screen_saver_view.hpp"
#include "saver/screen_saver_library.hpp"
#include "saver/screen_saver_library_loader.hpp"
#include "saver/server_fence_x11.hpp"
#include "saver/wake_pipe.hpp"
#include "saver/x11_handles_x11.hpp"

namespace glimora {

using namespace x11;

namespace {

int fail(const std::string& line) {
    std::fprintf(stderr, "ombriq-saver: %s\n", line.c_str());
    return 1;
}

std::string hex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

bool usableVisual(const Visual* visual, int depth) {
    return visual->c_class == TrueColor && (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

// How many bits the server keeps a pixel of `depth` in, in the images it
// takes (ZPixmap); 0 when it has no such depth.
int bitsPerPixel(Display* display, int depth) {
    int count = 0, bits = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    if (formats) XFree(formats);
    return bits;
}

// Whether the rectangle at (x, y) of width x height covers the other.
bool covers(int x, int y, int width, int height, int otherX, int otherY, int otherWidth, int otherHeight) {
    return x <= otherX && y <= otherY && x + width >= otherX + otherWidth && y + height >= otherY + otherHeight;
}

// A window that XScreenSaver (or a window manager) made to stand for the root.
bool isVirtualRoot(Display* display, Window window) {
    const Atom vroot = XInternAtom(display, "__SWM_VROOT", True);
    if (vroot == 0) return false;  // no window has ever had one
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, vroot, 0, 1, False, XA_WINDOW, &type, &format, &items,
                                          &after, &data) == Success &&
                       type == XA_WINDOW;
    if (data) XFree(data);
    return found;
}

// Whether the window covers its whole screen or one of the screen's
// monitors (a saver window on a two-monitor desktop covers one of them).
bool coversItsScreen(Display* display, Window window, const XWindowAttributes& attributes) {
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child)) return false;
    const Screen* screen = attributes.screen;
    if (covers(x, y, attributes.width, attributes.height, 0, 0, WidthOfScreen(screen), HeightOfScreen(screen)))
        return true;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor) ||
        major * 100 + minor < 105)
        return false;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, attributes.root, True, &count);
    bool any = false;
    for (int i = 0; i < count && !any; ++i)
        any = monitors[i].width > 0 && monitors[i].height > 0 &&
              covers(x, y, attributes.width, attributes.height, monitors[i].x, monitors[i].y, monitors[i].width,
                     monitors[i].height);
    if (monitors) XRRFreeMonitors(monitors);
    return any;
}

// The window drawn into, and what it is.
struct Target {
    WindowHandle window;
    XWindowAttributes attributes{};
    Atom deleteWindow = 0;  // how a window manager closes a window of our own
    // The small preview of a settings dialog: a given window that is neither
    // the root nor a virtual root and covers no screen. XScreenSaver's
    // settings pass no flag for it.
    bool preview = false;
};

// The window given, $XSCREENSAVER_WINDOW, the root with -root, else a new
// window of our own; checked to exist and to be drawable. Nothing, with a
// line on stderr, otherwise.
std::optional<Target> findTarget(Display* display, const SaverOptions& options) {
    const int screen = DefaultScreen(display);
    Target target;
    bool given = true;
    if (options.windowId) {
        target.window = WindowHandle(display, Window(*options.windowId), false);
    } else if (const char* named = std::getenv("XSCREENSAVER_WINDOW"); named && *named) {
        const auto id = parseWindowId(named);
        if (!id) {
            fail(std::string("XSCREENSAVER_WINDOW is not a window id: \"") + named + "\"");
            return std::nullopt;
        }
        target.window = WindowHandle(display, Window(*id), false);
    } else if (options.root) {
        target.window = WindowHandle(display, RootWindow(display, screen), false);
    } else {
        given = false;
        const Window own = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 1280, 720, 0, 0,
                                               BlackPixel(display, screen));
        target.window = WindowHandle(display, own, true);
        XStoreName(display, own, "Ombriq");
    }
    const Window window = target.window.get();
    errorTrap.window = window;
    errorTrap.any = false;
    if (!XGetWindowAttributes(display, window, &target.attributes) || errorTrap.any) {
        fail("no window " + hex(window) + " to draw into");
        return std::nullopt;
    }
    if (!usableVisual(target.attributes.visual, target.attributes.depth)) {
        fail("cannot draw on window " + hex(window) + ": its visual is not 24- or 32-bit TrueColor");
        return std::nullopt;
    }
    // The frame converts to pixels of 24 or 32 bits (convertToServerLayout).
    if (const int bits = bitsPerPixel(display, target.attributes.depth); bits != 24 && bits != 32) {
        fail("cannot draw on window " + hex(window) + ": its pixels are kept in " + std::to_string(bits) + " bits");
        return std::nullopt;
    }
    target.preview = options.preview || (given && window != target.attributes.root &&
                                         !isVirtualRoot(display, window) &&
                                         !coversItsScreen(display, window, target.attributes));
    // Its changes are followed from now on; a window of our own is shown.
    XSelectInput(display, window, StructureNotifyMask | ExposureMask);
    if (target.window.owned()) {
        target.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &target.deleteWindow, 1);
        XMapRaised(display, window);
    }
    return target;
}

// The loop: X events, the library as it arrives, a frame every 1/30 s, and
// the signals that end it.
class HostLoop {
public:
    enum class End { normal, failed };

    HostLoop(Display* display, Target& target, GC gc, FrameImage& frame, ServerFence& fence,
             OmbriqScreenSaverView& view, ScreenSaverLibraryLoader& loader, const WakePipe& wake, EndWatch& watch)
        : display_(display), target_(target), gc_(gc), frame_(frame), fence_(fence), view_(view),
          loader_(loader), wake_(wake), watch_(watch), width_(target.attributes.width),
          height_(target.attributes.height) {}

    End run() {
        nextFrame_ = steadySeconds();
        for (;;) {
            handleEvents();
            // The server is alive while no frame waits for its answer; an
            // answer that does not come in time ends the program (the watch).
            if (!fence_.pending()) watch_.alive();
            if (!running_ || errorTrap.windowGone || watch_.ended()) break;
            if (view_.libraryLoading()) takeLibrary();
            if (steadySeconds() >= nextFrame_) frameStep();
            if (!running_ || errorTrap.windowGone || !waitForWork()) break;
        }
        if (errorTrap.windowGone) target_.window.forget();
        return end_;
    }

private:
    // Events first: a destroyed or resized window changes what a frame does.
    void handleEvents() {
        while (running_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (fence_.take(event)) continue;
            switch (event.type) {
            case DestroyNotify:
                if (event.xdestroywindow.window == target_.window.get()) running_ = false;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == target_.window.get() &&
                    (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
                    width_ = event.xconfigure.width;
                    height_ = event.xconfigure.height;
                    resized_ = true;
                }
                break;
            case Expose: repaint_ = true; break;
            case ClientMessage:
                if (target_.window.owned() && Atom(event.xclient.data.l[0]) == target_.deleteWindow) running_ = false;
                break;
            default: break;
            }
        }
    }

    void takeLibrary() {
        wake_.drain();
        auto events = loader_.take();
        if (events.empty()) return;
        deliverLibraryEvents(view_, std::move(events));
        // The first picture goes out now, not at the next tick.
        if (view_.needsDisplay()) nextFrame_ = std::min(nextFrame_, steadySeconds());
    }

    void frameStep() {
        const double now = steadySeconds();
        view_.animateOneFrame();
        nextFrame_ += OmbriqScreenSaverView::animationTimeInterval;
        if (nextFrame_ < now) nextFrame_ = now + OmbriqScreenSaverView::animationTimeInterval;
        // The server still reads the last frame's pixels: this frame is skipped.
        if (fence_.pending()) return;
        if (resized_) {
            resized_ = false;
            if (!frame_.resize(width_, height_)) {
                fail("no memory for a frame");
                end_ = End::failed;
                running_ = false;
                return;
            }
            drawn_ = false;
        }
        if (frame_.empty() || !view_.readyToDraw()) return;
        std::span<const WallpaperRenderer::PixelRect> changed;
        if (!drawn_ || view_.needsDisplay()) {
            changed = frame_.draw(view_);
            drawn_ = true;
        }
        const bool sent = repaint_ ? frame_.putWhole(target_.window.get(), gc_)
                                   : frame_.put(target_.window.get(), gc_, changed);
        repaint_ = false;
        if (sent) fence_.post();
    }

    // Until the next frame, an event, the library or a signal; false when
    // the loop should end.
    bool waitForWork() {
        if (XPending(display_) > 0) return true;
        pollfd waits[3] = {
            {ConnectionNumber(display_), POLLIN, 0}, {watch_.descriptor(), POLLIN, 0}, {wake_.read.get(), POLLIN, 0}};
        const int timeout = int(std::max(0.0, (nextFrame_ - steadySeconds()) * 1000.0) + 0.999);
        if (::poll(waits, view_.libraryLoading() ? 3 : 2, timeout) > 0 && (waits[1].revents & POLLIN)) return false;
        return !(waits[0].revents & (POLLHUP | POLLERR));
    }

    Display* display_;
    Target& target_;
    GC gc_;
    FrameImage& frame_;
    ServerFence& fence_;
    OmbriqScreenSaverView& view_;
    ScreenSaverLibraryLoader& loader_;
    const WakePipe& wake_;
    EndWatch& watch_;
    int width_, height_;
    double nextFrame_ = 0;
    bool running_ = true;
    bool resized_ = false;
    bool repaint_ = true;  // the window needs the whole frame again
    bool drawn_ = false;   // the image holds a frame of the view
    End end_ = End::normal;
};

int hostOnX11(const SaverOptions& options, const std::function<SaverStart()>& load, EndWatch& watch) {
    // The display and the window first: a library of hundreds of megabytes
    // is not read for a window that cannot be drawn into.
    DisplayHandle display(XOpenDisplay(options.display ? options.display->c_str() : nullptr));
    if (!display) {
        const char* name = options.display ? options.display->c_str() : std::getenv("DISPLAY");
        return fail(std::string("cannot open display \"") + (name ? name : "") + "\"");
    }
    XSetErrorHandler(trapError);
    std::optional<Target> target = findTarget(display.get(), options);
    if (!target) return 1;

    // Read from now on, while the rest is set up; the reader wakes the loop
    // through this pipe.
    const std::optional<WakePipe> wake = WakePipe::make();
    if (!wake) return fail("cannot make a pipe");
    SaverStart start = load();
    ScreenSaverLibraryLoader loader(std::move(start.libraryCandidates), readLibraryCandidate,
                                    [&wake] { wake->wake(); });

    const GcHandle gc(XCreateGC(display.get(), target->window.get(), 0, nullptr), GcDeleter{display.get()});
    ServerFence fence(display.get(), target->attributes.root);
    // Asked first whether it is there at all: XShmQueryVersion says so on stderr.
    int shmOpcode = 0, shmEvent = 0, shmError = 0, shmMajor = 0, shmMinor = 0;
    Bool pixmaps = False;
    const bool shm = isLocalConnection(ConnectionNumber(display.get())) &&
                     XQueryExtension(display.get(), "MIT-SHM", &shmOpcode, &shmEvent, &shmError) &&
                     XShmQueryVersion(display.get(), &shmMajor, &shmMinor, &pixmaps);
    // From the first attach on, the server answers within the limit or the
    // watch ends the program.
    watch.watchStalls(ServerFence::timeout,
                      "the X server took no frame for " + std::to_string(int(ServerFence::timeout)) + " s");
    FrameImage frame(display.get(), target->attributes.visual, target->attributes.depth, shm, fence,
                     WallpaperRenderer::LiveCanvasFrames::threads());
    frame.setDevicePixelRatio(x11::screenDevicePixelRatio(display.get(), target->attributes.root));
    if (!frame.resize(target->attributes.width, target->attributes.height)) return fail("no memory for a frame");

    OmbriqScreenSaverView::Environment environment;
    environment.clock = std::make_shared<SteadyClock>();
    environment.settings = start.settings;
    environment.logger = start.logger;
    OmbriqScreenSaverView view(environment, target->preview);
    view.startAnimation();

    HostLoop loop(display.get(), *target, gc.get(), frame, fence, view, loader, *wake, watch);
    const HostLoop::End end = loop.run();
    view.stopAnimation();
    // Closing the connection waits for the server: not for one that stopped
    // answering (the system closes the socket when we end).
    fence.post();
    if (!fence.wait(1.0)) display.abandon();
    return end == HostLoop::End::normal ? 0 : 1;
}

}  // namespace

int runOnX11(const SaverOptions& options, const std::function<SaverStart()>& load, EndWatch& watch) {
    if (!watch) return fail("cannot watch for signals");
    const int status = hostOnX11(options, load, watch);
    return watch.ended() ? 0 : status;
}

}  // namespace glimora
