#include "panel/notch_panel.hpp"

#include <QContextMenuEvent>
#include <QMenu>
#include <QResizeEvent>
#include <QShortcut>
#include <QWindow>

#include "platform/qt/x11_window_hints.hpp"

namespace glimora {

NotchPanel::NotchPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint),
      content_(new NotchWindowContentView(this)),
      compositing_(new CompositingManagerWatch(this)) {
    setObjectName(QStringLiteral("GlimoraNotchPanel"));
    setWindowTitle(QStringLiteral("Glimora Notch"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    resize(280, 46);
    content_->surfaceView()->setOnOutlineChange([this] { updateInputShape(); });

    auto* settings = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    settings->setContext(Qt::WindowShortcut);
    QObject::connect(settings, &QShortcut::activated, this, [this] {
        if (onSettingsRequest_) onSettingsRequest_();
    });

    // The window-manager hints go on the native window before its first map.
    // Where the window manager cannot keep the panel above its windows, at
    // its edge, at its own size (a tiling one), it does not manage it at all.
    winId();
    layering_ = new X11WindowLayering(*this, X11WindowLayering::Layer::top, [this] {
        setX11WindowHints(*this, nullptr,
                          {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER"});
    });
    // A new native window has no input shape of ours yet.
    QObject::connect(layering_, &X11WindowLayering::switched, this, [this] { updateInputShape(); });
    QObject::connect(compositing_, &CompositingManagerWatch::activeChanged, this, [this] { updateEdgeBlending(); });
    updateEdgeBlending();
}

void NotchPanel::setContentView(QWidget* view) { content_->hostingClipView()->setHostedView(view); }

void NotchPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    content_->setGeometry(rect());
}

QRegion NotchPanel::inputShape() const {
    const auto& outline = content_->surfaceView()->outline();
    if (!outline) return QRegion(rect());
    QRegion region;
    const auto rectangles = outline->pixelRectangles(width(), height());
    QList<QRect> rects;
    rects.reserve(qsizetype(rectangles.size()));
    for (const PixelRect& r : rectangles) rects.append(QRect(r.x, r.y, r.width, r.height));
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

void NotchPanel::updateEdgeBlending() {
    // Blending needs the window's alpha channel too, which the X server may not offer.
    const bool blends =
        compositing_->isActive() && windowHandle() && windowHandle()->format().alphaBufferSize() > 0;
    if (blends == blendsEdge_) return;
    blendsEdge_ = blends;
    if (blendsEdge_) {
        clearMask();
    } else {
        // The input shape follows the window's shape again.
        setX11InputShape(*this, {});
    }
    updateInputShape();
}

void NotchPanel::updateInputShape() {
    const QRegion shape = inputShape();
    // An empty mask would mean "no mask" and make the whole window take input.
    if (shape.isEmpty()) return;
    if (blendsEdge_)
        setX11InputShape(*this, shape);
    else
        setMask(shape);
}

void NotchPanel::contextMenuEvent(QContextMenuEvent* event) {
    if (!contextMenu_ || !content_->hitTest(content_->mapFrom(this, event->pos()))) {
        event->ignore();
        return;
    }
    contextMenu_->popup(event->globalPos());
    event->accept();
}

}  // namespace glimora
