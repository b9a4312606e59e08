// A marker in the request stream that the X server answers once it has
// handled every request sent before it: a property change on a small window
// of the saver's own, answered by its PropertyNotify. Unlike XSync it need
// not block: the host sends the next frame only once the last one's marker
// came back (the server has then read the shared pixels) and keeps serving
// its window meanwhile; the end watch gives up on a server whose answer does
// not come within `timeout`.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

namespace glimora::x11 {

class ServerFence {
public:
    // How long a frame may stay in the server's hands.
    static constexpr double timeout = 5.0;

    // The window is made on `root`: never mapped, input only, 1x1.
    ServerFence(Display* display, Window root);
    ~ServerFence();
    ServerFence(const ServerFence&) = delete;
    ServerFence& operator=(const ServerFence&) = delete;

    // Sends a marker (and flushes).
    void post();
    // Whether a marker sent has not been answered yet.
    bool pending() const { return answered_ != posted_; }

    // True when `event` is an answer to a marker (the caller may drop it).
    bool take(const XEvent& event);
    // Waits up to `seconds` for every marker sent to be answered, reading
    // (and keeping) the other events meanwhile; errors of the requests
    // before it reach the error handler first. False on time-out.
    bool wait(double seconds);

private:
    Display* display_;
    Window window_;
    Atom atom_;
    std::uint32_t posted_ = 0;
    std::uint32_t answered_ = 0;
};

}  // namespace glimora::x11
