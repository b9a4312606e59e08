// The desktop window: the current design drawn in a frameless window of our
// own that covers the primary screen below every other window, on every
// workspace, letting clicks through to whatever is behind. The system's own
// wallpaper setting is never touched.
#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QRect>

#include "state/notch_view_model.hpp"

class QScreen;
class QWidget;

namespace glimora {

class WallpaperWindowController {
public:
    // Builds the window (native window included, typed and placed as a desktop
    // window) and its content, and starts following screen changes. Does not
    // show it.
    explicit WallpaperWindowController(std::shared_ptr<NotchViewModel> model);
    virtual ~WallpaperWindowController();
    WallpaperWindowController(const WallpaperWindowController&) = delete;
    WallpaperWindowController& operator=(const WallpaperWindowController&) = delete;

    // Ahead of show(), each optional, on turns of their own: fits the window
    // to the primary screen, lays it out and draws its first frame without
    // showing it; and, where preparesSurface(), makes the memory that the
    // window's pixels are sent from, one of `surfaceBands` bands of it per
    // call (true while bands are left). show() then only maps the window and
    // copies the frame. Without the prepared memory the first paint makes it,
    // which is correct everywhere, only slower: its first touch is dear.
    virtual void drawAhead();
    virtual bool prepareSurface();
    static constexpr int surfaceBands = 4;
    // Whether prepareSurface() prepares anything, and show() takes the
    // updates that showing posts before the first paint. On where
    // surfacePreparationProven(); off, the window takes the plain path.
    bool preparesSurface() const { return preparesSurface_; }
    void setPreparesSurface(bool prepares) { preparesSurface_ = prepares; }
    // Whether this Qt and platform are ones on which the desktop window's
    // tests show the memory prepared ahead taken by the first paint, and
    // that paint being the only one.
    static bool surfacePreparationProven();
    // Fits the window to the primary screen and shows it.
    virtual void show();
    // Calls `then` from the event loop once the shown window's frame has been
    // painted and the X server has put it on screen, without waiting for
    // either meanwhile. Never when the window goes first; and a window under
    // others may never be exposed, so a caller that must go on sets a limit.
    void whenFrameShown(std::function<void()> then);

    // Refits the window to the primary screen one event-loop turn later, when
    // the screens have settled; nothing when there is no primary screen.
    void handleScreenParametersChange();

    // Replaces what the window shows (the window takes ownership; the old
    // content is deleted). The window starts with makeDesktopContentView's.
    void setContentView(QWidget* content);
    QWidget* contentView() const { return content_; }

    QWidget* window() const { return window_.get(); }
    // Whether nothing of the window can be seen: fully obscured, or under a
    // full-screen window (see watchDesktopWindowCover).
    bool covered() const { return covered_; }
    const std::shared_ptr<NotchViewModel>& model() const { return model_; }

    // Where the window goes without a primary screen.
    static constexpr QRect fallbackFrame{0, 0, 1280, 800};

private:
    void fitToPrimaryScreen();
    void observeScreen(QScreen* screen);
    void watchCover();
    void applyCover();

    std::shared_ptr<NotchViewModel> model_;
    std::unique_ptr<QWidget> window_;
    QWidget* content_ = nullptr;
    QPointer<QObject> coverWatch_;
    bool covered_ = false;
    bool preparesSurface_ = surfacePreparationProven();
    int surfaceBandsDone_ = 0;
};

}  // namespace glimora
