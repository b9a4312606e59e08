#include "views/live_frame_view.hpp"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <thread>

namespace glimora {

namespace {

// Copies `rect` (pixels) of the RGBA frame into the 0xffRRGGBB words of the
// shown image: the very colours, in the order the backing store keeps them.
void copyShown(const QImage& frame, QImage& shown, const WallpaperRenderer::PixelRect& rect) {
    const auto x0 = std::max<std::int64_t>(rect.x, 0);
    const auto x1 = std::min<std::int64_t>(rect.x + rect.width, frame.width());
    const auto y0 = std::max<std::int64_t>(rect.y, 0);
    const auto y1 = std::min<std::int64_t>(rect.y + rect.height, frame.height());
    for (auto y = y0; y < y1; ++y) {
        const uchar* from = frame.constScanLine(int(y)) + x0 * 4;
        auto* to = reinterpret_cast<quint32*>(shown.scanLine(int(y))) + x0;
        for (auto x = x0; x < x1; ++x, from += 4)
            *to++ = 0xff000000u | (quint32(from[0]) << 16) | (quint32(from[1]) << 8) | quint32(from[2]);
    }
}

}  // namespace

LiveFrameView::LiveFrameView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LiveFrameView::invalidate() {
    dirty_ = true;
    if (queued_) return;
    queued_ = true;
    // Drawn ahead of the paint, so that only what changed is repainted.
    QMetaObject::invokeMethod(this, &LiveFrameView::renderPending, Qt::QueuedConnection);
}

int LiveFrameView::frameThreads() {
    // Asked of the system once, not at every frame.
    static const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return threads;
}

void LiveFrameView::renderPending() {
    queued_ = false;
    // A view off screen draws when it shows again (its paint asks).
    if (!dirty_ || suspended_ || !isVisible() || width() <= 0 || height() <= 0) return;
    const QRegion changed = render();
    if (!changed.isEmpty()) update(changed);
}

QRegion LiveFrameView::render() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    if (frame_.size() != pixels || shown_.size() != pixels) {
        frame_ = QImage(pixels, QImage::Format_RGBX8888);
        shown_ = QImage(pixels, QImage::Format_RGB32);
        frames_.forget();
    }
    dirty_ = false;
    if (frame_.isNull() || shown_.isNull()) {  // no memory for a frame: the last paint stays
        frame_ = shown_ = QImage();
        return {};
    }
    const WallpaperRenderer::CanvasContext context{
        {frame_.bits(), frame_.width(), frame_.height(), frame_.bytesPerLine()}, ratio, frameThreads()};
    const auto rects = drawFrame(context, double(width()), double(height()));
    ++framesDrawn_;
    QRegion changed;
    for (const WallpaperRenderer::PixelRect& rect : rects) {
        copyShown(frame_, shown_, rect);
        // Pixels to points, rounded outwards.
        const int left = int(std::floor(double(rect.x) / ratio));
        const int top = int(std::floor(double(rect.y) / ratio));
        const int right = int(std::ceil(double(rect.x + rect.width) / ratio));
        const int bottom = int(std::ceil(double(rect.y + rect.height) / ratio));
        changed += QRect(left, top, right - left, bottom - top);
    }
    if (changed.isEmpty()) ++unchangedFrames_;
    changed_ += changed;
    return changed;
}

void LiveFrameView::paintEvent(QPaintEvent* event) {
    if (width() <= 0 || height() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    if ((dirty_ && !suspended_) || frame_.size() != pixels) {
        const QRegion changed = render();
        // What changed beyond this paint's region follows in the next one.
        const QRegion rest = changed - event->region();
        if (!rest.isEmpty()) update(rest);
    }
    if (shown_.isNull()) return;
    QPainter painter(this);
    if (qFuzzyCompare(ratio, 1.0)) {
        for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), shown_, rect);
    } else {
        painter.setClipRegion(event->region());
        painter.drawImage(QRectF(rect()), shown_, QRectF(shown_.rect()));
    }
}

void LiveFrameView::hideEvent(QHideEvent* event) {
    frame_ = shown_ = QImage();
    frames_.forget();
    dirty_ = true;
    QWidget::hideEvent(event);
}

}  // namespace glimora
