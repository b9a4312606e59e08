#include "platform/qt/x11_window_layering.hpp"

#include <QWidget>

#include <utility>

#include "platform/qt/x11_click_focus.hpp"
#include "platform/qt/x11_stack_keeper.hpp"
#include "platform/qt/x11_window_manager_watch.hpp"

namespace glimora {

namespace {

// QWidget::destroy() is protected; a pointer to it named through a class
// derived from QWidget may be taken there and called on any widget.
struct NativeWindowAccess : QWidget {
    static void destroyNativeWindow(QWidget& widget) { (widget.*(&NativeWindowAccess::destroy))(true, true); }
};

}  // namespace

X11WindowLayering::X11WindowLayering(QWidget& window, Layer layer, std::function<void()> setHints)
    : QObject(&window), window_(window), layer_(layer), setHints_(std::move(setHints)),
      watch_(new WindowManagerWatch(this)) {
    // Unknown (no window manager yet) is the window manager's footing: the
    // hints are what the next one reads.
    setUnmanaged(watch_->supportsDesktopType() == false);
    connect(watch_, &WindowManagerWatch::supportChanged, this, [this](bool supports) { switchTo(!supports); });
}

void X11WindowLayering::setUnmanaged(bool unmanaged) {
    unmanaged_ = unmanaged;
    delete keeper_;
    delete clickFocus_;
    // Qt sets override-redirect on the native window, and activates such a
    // window by taking the focus itself rather than asking the window manager.
    window_.setWindowFlag(Qt::X11BypassWindowManagerHint, unmanaged);
    window_.winId();
    setHints_();
    if (!unmanaged) return;
    keeper_ = new X11StackKeeper(window_, layer_ == Layer::bottom ? X11StackKeeper::Place::bottom
                                                                  : X11StackKeeper::Place::top);
    if (layer_ != Layer::top) return;
    clickFocus_ = new X11ClickFocus(window_);
    clickFocus_->setOnClickElsewhere([this] { emit clickedElsewhere(); });
}

void X11WindowLayering::raise() {
    if (!keeper_) window_.raise();
}

void X11WindowLayering::takeFocusAfterClose(QWidget& closed, std::function<bool()> wanted) {
    if (clickFocus_ && closed.internalWinId()) {
        clickFocus_->takeFocusAfterHandOn(std::uint32_t(closed.internalWinId()), std::move(wanted));
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, wanted = std::move(wanted)] {
            if (!wanted() || !window_.isVisible()) return;
            raise();
            window_.activateWindow();
        },
        Qt::QueuedConnection);
}

void X11WindowLayering::switchTo(bool unmanaged) {
    if (unmanaged == unmanaged_) return;
    const bool wasVisible = window_.isVisible();
    delete keeper_;
    delete clickFocus_;
    window_.hide();
    // The window manager takes the end of a window it manages as its
    // withdrawal; the new one has never been seen by it.
    NativeWindowAccess::destroyNativeWindow(window_);
    setUnmanaged(unmanaged);
    if (wasVisible) window_.show();
    emit switched(unmanaged_);
}

}  // namespace glimora
