// The keyboard focus of a window that the window manager does not manage,
// which no window manager gives it or takes from it: a click on the window
// gives it the focus, as a window manager does for its own windows; and
// while it has the focus, a click elsewhere gives the focus back. The window
// manager, not told of our window, goes on believing that its own window
// (_NET_ACTIVE_WINDOW) has the focus, so a click into that window, or onto
// the bare desktop, would move the focus nowhere and the keys would still
// come to us: the focus goes back to that window. A click into another of
// its windows is left to the window manager, which focuses that one itself;
// clicks while one of our menus is open change nothing. A click elsewhere
// while none of our windows has the focus (the window manager took it as one
// of our dialogs closed) is told, as the owner may act on it.
//
// Clicks anywhere are seen as XInput 2 raw button presses on the root
// window, which every client may take without taking them from anyone.
//
// When a window of ours that the window manager manages closes (a dialog),
// the window manager hands the focus to a window of its choosing, in its own
// time, and a focus taken before that goes to that window: the window takes
// it back only after the hand-on, as it would on a click.
//
// Use (after the window's native window exists; it ends with the window):
//   new X11ClickFocus(window);
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <utility>

class QWidget;

namespace glimora {

class X11ClickFocus final : public QObject, public QAbstractNativeEventFilter {
public:
    // Off X11 it does nothing; without XInput 2 it sees no clicks.
    explicit X11ClickFocus(QWidget& window);
    ~X11ClickFocus() override;

    void setOnClickElsewhere(std::function<void()> callback) { onClickElsewhere_ = std::move(callback); }

    // Once the window manager has handed the focus on from `closed`, a
    // window of ours that it managed and that just closed (the window it
    // names active, _NET_ACTIVE_WINDOW, is another and has the focus; at
    // once if that is so already; else after a quarter of a second), the
    // window takes the focus if `wanted` says so then. A click first, the
    // user's own choice, drops it; so does a later call.
    void takeFocusAfterHandOn(std::uint32_t closed, std::function<bool()> wanted);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void followClick(std::uint32_t time);
    void checkHandOn(bool waited);
    void takeFocus(std::uint32_t time);

    QWidget& window_;
    std::function<void()> onClickElsewhere_;
    std::uint32_t root_ = 0;
    std::uint32_t activeAtom_ = 0;
    std::uint32_t handedFrom_ = 0;  // the closed window whose hand-on is awaited
    std::function<bool()> wantedAfterHandOn_;
    QTimer handOnWait_;
    int inputOpcode_ = -1;
    bool selected_ = false;
};

}  // namespace glimora
