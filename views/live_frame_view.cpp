#include "views/live_frame_view.hpp"

#include <QPainter>

#include <algorithm>
#include <thread>

namespace glimora {

LiveFrameView::LiveFrameView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LiveFrameView::invalidate() {
    dirty_ = true;
    update();
}

int LiveFrameView::frameThreads() {
    // Asked of the system once, not at every frame.
    static const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return threads;
}

void LiveFrameView::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    if (frame_.size() != pixels) {
        frame_ = QImage(pixels, QImage::Format_RGBX8888);
        dirty_ = true;
    }
    if (frame_.isNull()) return;  // no memory for a frame: the last paint stays
    if (dirty_) {
        const WallpaperRenderer::CanvasContext context{
            {frame_.bits(), frame_.width(), frame_.height(), frame_.bytesPerLine()}, ratio, frameThreads()};
        drawFrame(context, double(width()), double(height()));
        dirty_ = false;
        ++framesDrawn_;
    }
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), frame_, QRectF(frame_.rect()));
}

void LiveFrameView::hideEvent(QHideEvent* event) {
    frame_ = QImage();
    dirty_ = true;
    QWidget::hideEvent(event);
}

}  // namespace glimora
