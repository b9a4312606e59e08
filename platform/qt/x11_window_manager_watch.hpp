// Which window manager runs on the X screen, as far as our windows care:
// whether it keeps a desktop-typed window below the others
// (_NET_SUPPORTED lists _NET_WM_WINDOW_TYPE_DESKTOP) or not (i3, dwm and
// other tiling window managers), followed as one window manager replaces
// another.
//
// A running window manager names itself by a window of its own, given in the
// root's _NET_SUPPORTING_WM_CHECK, that names itself the same way; a window
// manager gone leaves the root's properties behind, but not that window.
// Only the changes of those properties and the end of that window are
// followed: nothing polls.
//
// Use:
//   auto* watch = new WindowManagerWatch(window);
//   if (watch->supportsDesktopType() == false) ...;
//   QObject::connect(watch, &WindowManagerWatch::supportChanged, window, [..](bool supports) { ... });
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <optional>

namespace glimora {

class WindowManagerWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Reads the root's properties at once (off X11: no window manager, ever).
    explicit WindowManagerWatch(QObject* parent = nullptr);
    ~WindowManagerWatch() override;

    // None while no window manager runs (none yet, or one gone and the next
    // not there yet).
    std::optional<bool> supportsDesktopType() const { return supports_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // Once the properties have settled after a change, when a window manager
    // runs whose answer differs from the last one known (the constructor's
    // counts as known).
    void supportChanged(bool supportsDesktopType);

private:
    std::optional<bool> read();

    unsigned int root_ = 0;
    unsigned int checkAtom_ = 0;
    unsigned int supportedAtom_ = 0;
    unsigned int desktopTypeAtom_ = 0;
    unsigned int checkWindow_ = 0;  // the running window manager's, whose end is watched
    std::optional<bool> supports_;
    std::optional<bool> reported_;
    QTimer settle_;
};

}  // namespace glimora
