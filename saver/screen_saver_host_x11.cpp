#include "saver/screen_saver_host_x11.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/clock.hpp"
#include "saver/ombriq_screen_saver_view.hpp"
#include "saver/screen_saver_library.hpp"
#include "saver/screen_saver_library_loader.hpp"

namespace glimora {

namespace {

// Xlib reports errors through one process-wide handler; the host runs once.
struct ErrorTrap {
    bool any = false;
    bool windowGone = false;
    Window window = 0;
};
ErrorTrap errorTrap;

int trapError(Display*, XErrorEvent* event) {
    errorTrap.any = true;
    if ((event->error_code == BadWindow || event->error_code == BadDrawable) &&
        event->resourceid == errorTrap.window)
        errorTrap.windowGone = true;
    return 0;
}

int fail(const std::string& line) {
    std::fprintf(stderr, "ombriq-saver: %s\n", line.c_str());
    return 1;
}

std::string hex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// The frame as the server takes it: drawn as RGBA by the canvas, then turned
// in place into the server's 32-bit TrueColor layout.
class FrameImage {
public:
    FrameImage(Display* display, Visual* visual, int depth, bool useShm)
        : display_(display), visual_(visual), depth_(depth), useShm_(useShm) {}
    ~FrameImage() { release(); }
    FrameImage(const FrameImage&) = delete;
    FrameImage& operator=(const FrameImage&) = delete;

    bool resize(int width, int height) {
        release();
        if (width <= 0 || height <= 0) return true;
        if (useShm_ && makeShared(width, height)) return true;
        useShm_ = false;
        return makePlain(width, height);
    }

    bool usesShm() const { return shared_; }
    XImage* image() const { return image_; }
    int width() const { return image_ ? image_->width : 0; }
    int height() const { return image_ ? image_->height : 0; }

    WallpaperRenderer::CanvasContext context() const {
        return {{reinterpret_cast<std::uint8_t*>(image_->data), image_->width, image_->height,
                 image_->bytes_per_line},
                1.0,
                1};
    }

    // RGBA bytes into the server's 32-bit pixels (masks R 0xff0000, G 0xff00,
    // B 0xff) in the server's byte order; the loop vectorises, and it runs on
    // every frame.
    void convert() {
        const bool swap = (image_->byte_order == LSBFirst) != (std::endian::native == std::endian::little);
        for (int y = 0; y < image_->height; ++y) {
            auto* row = reinterpret_cast<std::uint8_t*>(image_->data) + std::ptrdiff_t(y) * image_->bytes_per_line;
            for (int x = 0; x < image_->width; ++x) {
                std::uint8_t* p = row + 4 * x;
                const std::uint32_t pixel =
                    0xff000000u | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | std::uint32_t(p[2]);
                const std::uint32_t out = swap ? __builtin_bswap32(pixel) : pixel;
                std::memcpy(p, &out, 4);
            }
        }
    }

    void put(Window window, GC gc) {
        if (!image_) return;
        if (shared_)
            XShmPutImage(display_, window, gc, image_, 0, 0, 0, 0, unsigned(image_->width),
                         unsigned(image_->height), False);
        else
            XPutImage(display_, window, gc, image_, 0, 0, 0, 0, unsigned(image_->width), unsigned(image_->height));
    }

private:
    bool makeShared(int width, int height) {
        image_ = XShmCreateImage(display_, visual_, unsigned(depth_), ZPixmap, nullptr, &segment_, unsigned(width),
                                 unsigned(height));
        if (!image_) return false;
        segment_.shmid = ::shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(height),
                                  IPC_CREAT | 0600);
        if (segment_.shmid < 0) return dropShared();
        segment_.shmaddr = image_->data = static_cast<char*>(::shmat(segment_.shmid, nullptr, 0));
        if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
            segment_.shmaddr = image_->data = nullptr;
            ::shmctl(segment_.shmid, IPC_RMID, nullptr);
            return dropShared();
        }
        segment_.readOnly = False;
        // A server on another machine refuses the segment: fall back quietly.
        errorTrap.any = false;
        const bool attached = XShmAttach(display_, &segment_);
        XSync(display_, False);
        // Marked for removal now, so it goes away with us however we end.
        ::shmctl(segment_.shmid, IPC_RMID, nullptr);
        if (!attached || errorTrap.any) {
            ::shmdt(segment_.shmaddr);
            segment_.shmaddr = image_->data = nullptr;
            return dropShared();
        }
        shared_ = true;
        return true;
    }

    bool dropShared() {
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
    }

    bool makePlain(int width, int height) {
        image_ = XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0, nullptr, unsigned(width),
                              unsigned(height), 32, 0);
        if (!image_) return false;
        image_->data = static_cast<char*>(std::malloc(std::size_t(image_->bytes_per_line) * std::size_t(height)));
        if (!image_->data) return dropShared();
        return true;
    }

    void release() {
        if (!image_) return;
        if (shared_) {
            XShmDetach(display_, &segment_);
            XSync(display_, False);
            ::shmdt(segment_.shmaddr);
            image_->data = nullptr;
        }
        XDestroyImage(image_);  // frees plain data
        image_ = nullptr;
        shared_ = false;
    }

    Display* display_;
    Visual* visual_;
    int depth_;
    bool useShm_;
    bool shared_ = false;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
};

bool usableVisual(const Visual* visual, int depth) {
    return visual->c_class == TrueColor && (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

double steadyNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int runOnX11(const SaverOptions& options, const std::function<SaverStart()>& load) {
    // Blocked before anything else, so a signal sent while we start up is
    // still read from the descriptor below.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &endSignals, nullptr);
    const int signals = ::signalfd(-1, &endSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0) return fail("cannot watch for signals");

    // The library's reader wakes the loop below through this pipe.
    int wakePipe[2];
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return fail("cannot make a pipe");
    struct PipeCloser {
        int* fds;
        ~PipeCloser() {
            ::close(fds[0]);
            ::close(fds[1]);
        }
    } pipeCloser{wakePipe};

    SaverStart start = load();
    // The library is read from the start, while the display is being set up.
    ScreenSaverLibraryLoader loader(std::move(start.libraryCandidates), readLibraryCandidate, [&wakePipe] {
        const char byte = 1;
        // A full pipe already wakes the loop: nothing to do then.
        [[maybe_unused]] const auto written = ::write(wakePipe[1], &byte, 1);
    });

    Display* display = XOpenDisplay(options.display ? options.display->c_str() : nullptr);
    if (!display) {
        const char* name = options.display ? options.display->c_str() : std::getenv("DISPLAY");
        return fail(std::string("cannot open display \"") + (name ? name : "") + "\"");
    }
    XSetErrorHandler(trapError);
    const int screen = DefaultScreen(display);

    Window window = 0;
    bool ownWindow = false;
    if (options.windowId) {
        window = Window(*options.windowId);
    } else if (const char* given = std::getenv("XSCREENSAVER_WINDOW"); given && *given) {
        const auto id = parseWindowId(given);
        if (!id) return fail(std::string("XSCREENSAVER_WINDOW is not a window id: \"") + given + "\"");
        window = Window(*id);
    } else if (options.root) {
        window = RootWindow(display, screen);
    } else {
        ownWindow = true;
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 1280, 720, 0, 0,
                                     BlackPixel(display, screen));
        XStoreName(display, window, "Ombriq");
    }
    errorTrap.window = window;

    XWindowAttributes attributes{};
    errorTrap.any = false;
    if (!XGetWindowAttributes(display, window, &attributes) || errorTrap.any)
        return fail("no window " + hex(window) + " to draw into");
    if (!usableVisual(attributes.visual, attributes.depth))
        return fail("cannot draw on window " + hex(window) + ": its visual is not 24- or 32-bit TrueColor");

    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (ownWindow) {
        XSetWMProtocols(display, window, &deleteWindow, 1);
        XMapRaised(display, window);
    }
    XSelectInput(display, window, StructureNotifyMask | ExposureMask);
    GC gc = XCreateGC(display, window, 0, nullptr);

    int shmMajor = 0, shmMinor = 0;
    Bool pixmaps = False;
    const bool shm = XShmQueryVersion(display, &shmMajor, &shmMinor, &pixmaps);
    FrameImage frame(display, attributes.visual, attributes.depth, shm);
    if (!frame.resize(attributes.width, attributes.height)) return fail("no memory for a frame");

    OmbriqScreenSaverView::Environment environment;
    environment.clock = std::make_shared<SteadyClock>();
    environment.settings = start.settings;
    environment.logger = start.logger;
    OmbriqScreenSaverView view(environment, options.preview);
    view.startAnimation();

    int width = attributes.width, height = attributes.height;
    bool repaint = true;  // the window needs the frame again
    bool stale = true;    // the frame needs drawing again
    bool running = true;
    int exitCode = 0;
    double nextFrame = steadyNow();
    const int connection = ConnectionNumber(display);
    while (running) {
        // Events first: a destroyed or resized window changes what a frame does.
        while (running && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case DestroyNotify:
                if (event.xdestroywindow.window == window) running = false;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == window &&
                    (event.xconfigure.width != width || event.xconfigure.height != height)) {
                    width = event.xconfigure.width;
                    height = event.xconfigure.height;
                    if (!frame.resize(width, height)) {
                        exitCode = fail("no memory for a frame");
                        running = false;
                    }
                    stale = true;
                }
                break;
            case Expose: repaint = true; break;
            case ClientMessage:
                if (ownWindow && Atom(event.xclient.data.l[0]) == deleteWindow) running = false;
                break;
            default: break;
            }
        }
        if (!running || errorTrap.windowGone) break;

        if (view.libraryLoading()) {
            char drained[64];
            while (::read(wakePipe[0], drained, sizeof drained) > 0) {
            }
            auto events = loader.take();
            if (!events.empty()) {
                deliverLibraryEvents(view, std::move(events));
                // The first picture goes out now, not at the next tick.
                if (view.needsDisplay()) nextFrame = std::min(nextFrame, steadyNow());
            }
        }

        const double now = steadyNow();
        if (now >= nextFrame) {
            view.animateOneFrame();
            const bool draw = stale || view.needsDisplay();
            if (frame.image() && view.readyToDraw() && (draw || repaint)) {
                if (draw) {
                    view.drawFrame(frame.context(), frame.width(), frame.height());
                    frame.convert();
                    stale = false;
                }
                frame.put(window, gc);
                XSync(display, False);
                repaint = false;
                if (errorTrap.windowGone) break;
            }
            nextFrame += OmbriqScreenSaverView::animationTimeInterval;
            if (nextFrame < now) nextFrame = now + OmbriqScreenSaverView::animationTimeInterval;
        }

        pollfd waits[3] = {{connection, POLLIN, 0}, {signals, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        const int timeout = int(std::max(0.0, (nextFrame - steadyNow()) * 1000.0) + 0.999);
        if (XPending(display) > 0) continue;
        if (::poll(waits, view.libraryLoading() ? 3 : 2, timeout) > 0 && (waits[1].revents & POLLIN)) break;
        if (waits[0].revents & (POLLHUP | POLLERR)) break;
    }
    view.stopAnimation();
    frame.resize(0, 0);
    if (!errorTrap.windowGone) {
        XFreeGC(display, gc);
        if (ownWindow) XDestroyWindow(display, window);
    }
    XCloseDisplay(display);
    ::close(signals);
    return exitCode;
}

}  // namespace glimora
