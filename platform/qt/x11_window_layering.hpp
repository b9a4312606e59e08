// Keeps one of our top-level windows at its end of the stack: the desktop
// window below every other window, the notch panel above the programs.
//
// Where the window manager keeps a desktop-typed window below the others
// (openbox, xfwm4, mutter...), it does the work through the window's hints.
// Where it does not (i3 and other tiling window managers, which would tile or
// float the window among the programs), the window is one it does not manage
// (override-redirect): placed exactly where we put it, on every workspace,
// kept at its end of the stack by an X11StackKeeper; a top window, which
// takes the keyboard focus by itself then, gives it back on a click elsewhere
// (X11ClickFocus). With no window manager running the hints are used, as
// the next one to start will read them.
//
// A window manager replaced while we run is followed: the window comes back
// on the other footing as a new native window (shown again if it was), for
// the new window manager may have taken the old one in already and left its
// marks on it (its button grabs, its state), which no request of ours undoes.
//
// Use, after the native window exists and before it is first shown:
//   auto* layering = new X11WindowLayering(window, X11WindowLayering::Layer::bottom, [&] { setHints(window); });
//   QObject::connect(layering, &X11WindowLayering::switched, &window, [..] { redo what was done to the native window });
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace glimora {

class WindowManagerWatch;
class X11ClickFocus;

class X11WindowLayering final : public QObject {
    Q_OBJECT

public:
    enum class Layer { bottom, top };

    // `setHints` puts the window-manager hints on the native window; it runs
    // here and again after every switch, as changing the footing replaces
    // them. The object is a child of the window.
    X11WindowLayering(QWidget& window, Layer layer, std::function<void()> setHints);

    // Raises the window to its end of the stack: the window manager's on its
    // footing; unmanaged, the stack keeper's place above the programs, never
    // above the windows no window manager manages (a screen locker, menus),
    // where a raise of the window itself would put it.
    void raise();

    // Gives the window the focus back after `closed`, a window of ours that
    // the window manager managed, closed (a dialog), if `wanted` says so
    // then: on the unmanaged footing once the window manager has handed the
    // focus on (X11ClickFocus), which would take a focus given before; else
    // at the next turn of the event loop, raised as well.
    void takeFocusAfterClose(QWidget& closed, std::function<bool()> wanted);

signals:
    // After a switch, with the new native window (shown if the old one was):
    // its owner does again what it did to the old one (input shape, watches
    // of the window's own) and puts it where it belongs.
    void switched(bool unmanaged);
    // A top window without the focus, none of ours having it: a click
    // elsewhere (see X11ClickFocus).
    void clickedElsewhere();

private:
    void setUnmanaged(bool unmanaged);
    void switchTo(bool unmanaged);

    QWidget& window_;
    Layer layer_;
    std::function<void()> setHints_;
    WindowManagerWatch* watch_;
    bool unmanaged_ = false;
    QPointer<QObject> keeper_;
    QPointer<X11ClickFocus> clickFocus_;
};

}  // namespace glimora
