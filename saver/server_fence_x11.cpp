#include "saver/server_fence_x11.hpp"

#include <X11/Xatom.h>
#include <poll.h>

#include <cmath>

#include "platform/clock.hpp"

namespace glimora::x11 {

namespace {

struct Answer {
    Window window;
    Atom atom;
};

Bool isAnswer(Display*, XEvent* event, XPointer argument) {
    const auto* answer = reinterpret_cast<const Answer*>(argument);
    return event->type == PropertyNotify && event->xproperty.window == answer->window &&
           event->xproperty.atom == answer->atom;
}

}  // namespace

ServerFence::ServerFence(Display* display, Window root)
    : display_(display), atom_(XInternAtom(display, "_OMBRIQ_FENCE", False)) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    window_ = XCreateWindow(display, root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &attributes);
}

ServerFence::~ServerFence() { XDestroyWindow(display_, window_); }

void ServerFence::post() {
    const long mark = long(++posted_);
    XChangeProperty(display_, window_, atom_, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&mark), 1);
    XFlush(display_);
}

bool ServerFence::take(const XEvent& event) {
    if (event.type != PropertyNotify || event.xproperty.window != window_ || event.xproperty.atom != atom_)
        return false;
    if (pending()) ++answered_;
    return true;
}

bool ServerFence::wait(double seconds) {
    const double deadline = steadySeconds() + seconds;
    Answer answer{window_, atom_};
    while (pending()) {
        XEvent event;
        // Reads what has come and takes only the answers out of the queue.
        if (XCheckIfEvent(display_, &event, isAnswer, reinterpret_cast<XPointer>(&answer))) {
            take(event);
            continue;
        }
        const double left = deadline - steadySeconds();
        if (left <= 0) return false;
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        if (::poll(&connection, 1, int(std::ceil(left * 1000))) < 0) return false;
        if (connection.revents & (POLLHUP | POLLERR)) return false;
    }
    return true;
}

}  // namespace glimora::x11
