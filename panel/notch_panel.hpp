// The notch panel's window: frameless, always on top, a tool window with no
// taskbar or pager entry, on every workspace, shown without taking focus.
// Its size is set by hand by its controller; nothing inside imposes one.
// The outline of its surface is also its input shape, so a click outside
// the outline reaches whatever lies below. Where a compositing manager runs
// (followed as it comes and goes) the window keeps its alpha channel and only
// its input is shaped, so the outline's antialiased edge and white rim stay
// smooth; without one the outline is also the window's (bounding) shape,
// cut to whole pixels, as nothing would blend the edge. Either shape is the
// outline at the screen's device pixels, never a cut in points scaled up.
#pragma once

#include <functional>

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "panel/notch_panel_views.hpp"
#include "platform/qt/x11_compositing.hpp"
#include "platform/qt/x11_window_layering.hpp"


namespace glimora {

class NotchPanel final : public QWidget {
public:
    NotchPanel();

    NotchWindowContentView* windowContentView() const { return content_; }
    NotchSurfaceBackgroundView* surfaceView() const { return content_->surfaceView(); }

    // The one root widget of what the panel shows; the panel takes ownership
    // and deletes the previous one. It is sized to the panel's content area.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content_->hostingClipView()->hostedView(); }

    // Where the panel is, in points; every size reaches the screen whole.
    void setFrame(const QRect& frame);

    // The menu a right click opens; none: no context menu. Not owned.
    void setContextMenu(QMenu* menu) { contextMenu_ = menu; }
    QMenu* contextMenu() const { return contextMenu_; }

    // Ctrl+, while the panel has focus.
    void setOnSettingsRequest(std::function<void()> callback) { onSettingsRequest_ = std::move(callback); }

    // The region that takes input, in the panel's coordinates.
    QRegion inputShape() const;
    // The same in the native window's device pixels: the outline at the
    // window's device-pixel ratio.
    QRegion deviceInputShape() const;

    // How the panel stays above the programs (see X11WindowLayering).
    X11WindowLayering* layering() const { return layering_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateInputShape();
    void updateEdgeBlending();

    NotchWindowContentView* content_;
    CompositingManagerWatch* compositing_;
    X11WindowLayering* layering_ = nullptr;
    // Whether the edge is left to a compositing manager (only the input is
    // shaped) rather than cut by the window's shape.
    bool blendsEdge_ = false;
    bool mapped_ = false;  // the native window exposed, as last told
    QPointer<QMenu> contextMenu_;
    std::function<void()> onSettingsRequest_;
};

}  // namespace glimora
