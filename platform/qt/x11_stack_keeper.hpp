// Keeps a top-level window that the window manager does not manage
// (override-redirect) below, or above, every window that it does manage, as
// windows come and go: for window managers that have no layers for it.
//
// What each of the root window's children is (mapped, override-redirect, a
// frame holding a client) is followed from the X server's notices; their
// order is read from the server after each restack, since Qt merges the
// restack notices of the root's children into one. A read never waits: a
// marker property written on the window after it returns its notice once
// the reply is in, as in the desktop's cover watch.
// A window counts as the window manager's when it is not override-redirect
// or when it is a frame holding a client window (i3's frames are
// override-redirect). Windows that no window manager manages either (menus,
// tooltips, a screen locker) are left alone: the window never goes above one
// of them at the top, and one that goes below it at the bottom stays there,
// so two windows that each want an end of the stack never take turns. At the
// top our own managed windows (the panel's dialogs) stay above it too.
//
// Use (after the window's native window exists; it ends with the window):
//   new X11StackKeeper(window, X11StackKeeper::Place::bottom);
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

class QWidget;

namespace glimora {

class X11StackKeeper final : public QObject, public QAbstractNativeEventFilter {
public:
    enum class Place { bottom, top };

    // Off X11 it does nothing.
    X11StackKeeper(QWidget& window, Place place);
    ~X11StackKeeper() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Sibling {
        bool mapped = false;
        bool overrideRedirect = false;
        std::uint32_t client = 0;  // the window the window manager manages here, where known
        bool holdsClient = false;  // a frame: took a window from the root, or holds one with WM_STATE
        bool managed() const { return mapped && (!overrideRedirect || holdsClient); }
    };
    bool isOurs(const Sibling& sibling) const;
    const Sibling* sibling(std::uint32_t window) const;

    void readOrder();
    void queueKeep();
    void keep();

    std::uint32_t id_ = 0;
    std::uint32_t root_ = 0;
    std::uint32_t fence_ = 0;  // the marker property's atom
    // This connection's window ids.
    std::uint32_t idBase_ = 0;
    std::uint32_t idMask_ = 0;
    Place place_;
    std::unordered_map<std::uint32_t, Sibling> siblings_;
    std::vector<std::uint32_t> order_;  // bottom to top, as last read
    std::optional<unsigned int> orderRequest_;  // the read whose reply the marker waits for
    bool readAgain_ = false;
    bool keepQueued_ = false;
};

}  // namespace glimora
