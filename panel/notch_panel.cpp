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
    // Another screen may have another device-pixel ratio at the same size.
    QObject::connect(windowHandle(), &QWindow::screenChanged, this, [this] { updateInputShape(); });
    windowHandle()->installEventFilter(this);
    updateEdgeBlending();
}

void NotchPanel::setContentView(QWidget* view) { content_->hostingClipView()->setHostedView(view); }

void NotchPanel::setFrame(const QRect& frame) {
    // Qt tells the window manager of a size increment of one point in device
    // pixels, rounded (2 at a ratio of 1.5), from a base of -1 point: one
    // that honours it (openbox) cuts an odd width or height by a pixel, and
    // at the right or bottom edge a line of wallpaper shows. A base size of
    // the right remainder lets every size through.
    const qreal ratio = devicePixelRatioF();
    const int increment = qRound(ratio);
    const auto base = [&](int points) {
        const int pixels = qRound(points * ratio);
        if (increment <= 1) return 0;
        for (int candidate = 0; candidate <= points; ++candidate)
            if (qRound(candidate * ratio) % increment == pixels % increment) return candidate;
        return 0;
    };
    setBaseSize(base(frame.width()), base(frame.height()));
    setGeometry(frame);
}

void NotchPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    content_->setGeometry(rect());
}

namespace {

QRegion regionOf(const std::vector<PixelRect>& rectangles) {
    QList<QRect> rects;
    rects.reserve(qsizetype(rectangles.size()));
    for (const PixelRect& r : rectangles) rects.append(QRect(r.x, r.y, r.width, r.height));
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

}  // namespace

QRegion NotchPanel::inputShape() const {
    const auto& outline = content_->surfaceView()->outline();
    if (!outline) return QRegion(rect());
    return regionOf(outline->pixelRectangles(width(), height()));
}

QRegion NotchPanel::deviceInputShape() const {
    // Qt makes the native window this size (each length rounded on its own).
    const qreal ratio = devicePixelRatioF();
    const int pixelWidth = qRound(width() * ratio), pixelHeight = qRound(height() * ratio);
    const auto& outline = content_->surfaceView()->outline();
    if (!outline) return QRegion(0, 0, pixelWidth, pixelHeight);
    // The outline drawn at the screen's density, not its logical cut scaled
    // up: the input then follows the antialiased edge the compositor shows.
    return regionOf(outline->scaled(ratio).pixelRectangles(pixelWidth, pixelHeight));
}

void NotchPanel::updateEdgeBlending() {
    // Blending needs the window's alpha channel too, which the X server may not offer.
    const bool blends =
        compositing_->isActive() && windowHandle() && windowHandle()->format().alphaBufferSize() > 0;
    if (blends == blendsEdge_) return;
    blendsEdge_ = blends;
    if (blendsEdge_) {
        setX11BoundingShape(*this, {});
    } else {
        // The input shape follows the window's shape again.
        setX11InputShape(*this, {});
    }
    updateInputShape();
}

void NotchPanel::updateInputShape() {
    const QRegion shape = deviceInputShape();
    // An empty shape would mean "no shape" and make the whole window take input.
    if (shape.isEmpty()) return;
    if (blendsEdge_)
        setX11InputShape(*this, shape);
    else
        setX11BoundingShape(*this, shape);
}

bool NotchPanel::eventFilter(QObject* watched, QEvent* event) {
    // A window manager that frames the panel copies its input shape into the
    // frame when told of a change, not from a shape set before it managed
    // the window (openbox): once mapped, the panel tells it again.
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        const bool mapped = windowHandle()->isExposed();
        if (mapped && !mapped_) updateInputShape();
        mapped_ = mapped;
    }
    return QWidget::eventFilter(watched, event);
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
