// Owning holders for what ombriq-saver's X11 host opens, so that every way
// out of it gives each back: the display connection, a window and a GC of
// its own, descriptors, images and shared memory segments. And the one
// error handler of the process.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstddef>
#include <memory>
#include <utility>

#include "saver/end_watch.hpp"

namespace glimora::x11 {

// Xlib reports errors through one process-wide handler (installed by the
// host, which runs once): it notes that a request failed, and whether the
// failure says that the window drawn into is gone.
struct ErrorTrap {
    bool any = false;
    bool windowGone = false;
    Window window = 0;
};
inline ErrorTrap errorTrap;

inline int trapError(Display*, XErrorEvent* event) {
    errorTrap.any = true;
    if ((event->error_code == BadWindow || event->error_code == BadDrawable) && event->resourceid == errorTrap.window)
        errorTrap.windowGone = true;
    return 0;
}

// The connection; closed when it goes, unless it was abandoned: closing
// waits for the server, which an unresponsive server would make for ever.
class DisplayHandle {
public:
    DisplayHandle() = default;
    explicit DisplayHandle(Display* display) : display_(display) {}
    ~DisplayHandle() {
        if (display_) XCloseDisplay(display_);
    }
    DisplayHandle(DisplayHandle&& other) noexcept : display_(std::exchange(other.display_, nullptr)) {}
    DisplayHandle& operator=(DisplayHandle&&) = delete;

    Display* get() const { return display_; }
    explicit operator bool() const { return display_ != nullptr; }
    // The process ends soon; the system closes the socket then.
    void abandon() { display_ = nullptr; }

private:
    Display* display_ = nullptr;
};

// A window; destroyed when it goes only if this program made it (the
// target is usually XScreenSaver's window or the root).
class WindowHandle {
public:
    WindowHandle() = default;
    WindowHandle(Display* display, Window window, bool owned) : display_(display), window_(window), owned_(owned) {}
    ~WindowHandle() {
        if (owned_ && window_) XDestroyWindow(display_, window_);
    }
    WindowHandle(WindowHandle&& other) noexcept
        : display_(other.display_), window_(std::exchange(other.window_, 0)), owned_(other.owned_) {}
    WindowHandle& operator=(WindowHandle&& other) noexcept {
        std::swap(display_, other.display_);
        std::swap(window_, other.window_);
        std::swap(owned_, other.owned_);
        return *this;
    }

    Window get() const { return window_; }
    bool owned() const { return owned_; }
    // Already gone on the server: nothing to destroy.
    void forget() { window_ = 0; }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
    bool owned_ = false;
};

struct GcDeleter {
    Display* display;
    void operator()(GC gc) const { XFreeGC(display, gc); }
};
using GcHandle = std::unique_ptr<std::remove_pointer_t<GC>, GcDeleter>;

// An image whose pixels are never its own (shared memory, or a buffer held
// beside it): XDestroyImage would free them.
struct ImageDeleter {
    void operator()(XImage* image) const {
        image->data = nullptr;
        XDestroyImage(image);
    }
};
using ImageHandle = std::unique_ptr<XImage, ImageDeleter>;

// A System V shared memory segment attached here, marked for removal as
// soon as we have attached it: it then goes with its last user however the
// program ends (Linux still lets the server attach it by its id). This
// holder detaches our side.
class SharedSegment {
public:
    SharedSegment() = default;
    explicit SharedSegment(std::size_t bytes) {
        // Not cut short between the segment's making and its mark.
        const auto held = EndWatch::holdOff();
        id_ = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id_ < 0) return;
        void* address = ::shmat(id_, nullptr, 0);
        ::shmctl(id_, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1)) {
            id_ = -1;
            return;
        }
        address_ = static_cast<char*>(address);
    }
    ~SharedSegment() {
        if (address_) ::shmdt(address_);
    }
    SharedSegment(SharedSegment&& other) noexcept
        : id_(std::exchange(other.id_, -1)), address_(std::exchange(other.address_, nullptr)) {}
    SharedSegment& operator=(SharedSegment&& other) noexcept {
        std::swap(id_, other.id_);
        std::swap(address_, other.address_);
        return *this;
    }

    explicit operator bool() const { return address_ != nullptr; }
    int id() const { return id_; }
    char* address() const { return address_; }

private:
    int id_ = -1;
    char* address_ = nullptr;
};

}  // namespace glimora::x11
