#include "views/live_frame_view.hpp"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/memory_pages.hpp"

namespace glimora {

namespace {

// On a little-endian processor RGBA bytes with red and blue swapped are the
// 0xffRRGGBB words of Format_RGB32, which the backing store holds too.
constexpr bool nativeOrder = std::endian::native == std::endian::little;
constexpr QImage::Format frameFormat = nativeOrder ? QImage::Format_RGB32 : QImage::Format_RGBX8888;

// Changed stretches of one band of rows closer than this (points) are sent
// as one rectangle: fewer, slightly wider rectangles cost Qt and the X
// server less than many slivers, and each still holds a change at both ends.
constexpr int bandGap = 96;

// The union of `rects` as a region, built band by band and handed to Qt in
// one piece: adding a thousand rectangles to a region one at a time costs a
// thousand times a region of them all.
// The vectors are the caller's, kept for their storage from frame to frame.
QRegion bandedUnion(std::vector<QRect>& rects, std::vector<QRect>& bands, std::vector<int>& edges,
                    std::vector<std::pair<int, int>>& spans) {
    if (rects.size() <= 1) return rects.empty() ? QRegion() : QRegion(rects.front());
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    // Every top and bottom edge starts a band (bottom() is inclusive).
    edges.clear();
    for (const QRect& rect : rects) edges.push_back(rect.top()), edges.push_back(rect.bottom() + 1);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    bands.clear();
    std::size_t firstActive = 0;
    std::size_t previousBegin = 0, previousEnd = 0;  // the band above, in `bands`
    for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
        const int y0 = edges[e];
        const int y1 = edges[e + 1];
        spans.clear();
        while (firstActive < rects.size() && rects[firstActive].bottom() + 1 <= y0 &&
               rects[firstActive].top() <= y0)
            ++firstActive;  // a prefix of the sorted rectangles ended above
        for (std::size_t i = firstActive; i < rects.size() && rects[i].top() <= y0; ++i)
            if (rects[i].bottom() + 1 > y0) spans.emplace_back(rects[i].left(), rects[i].right() + 1);
        if (spans.empty()) {
            previousBegin = previousEnd = bands.size();
            continue;
        }
        std::sort(spans.begin(), spans.end());
        const std::size_t begin = bands.size();
        int from = spans.front().first, to = spans.front().second;
        for (const auto& [left, right] : spans) {
            if (left > to + bandGap) {
                bands.emplace_back(from, y0, to - from, y1 - y0);
                from = left;
            }
            to = std::max(to, right);
        }
        bands.emplace_back(from, y0, to - from, y1 - y0);
        // The same stretches as the band just above: that band grows down.
        const std::size_t count = bands.size() - begin;
        bool same = previousEnd - previousBegin == count && bands[previousBegin].bottom() + 1 == y0;
        for (std::size_t k = 0; same && k < count; ++k)
            same = bands[previousBegin + k].left() == bands[begin + k].left() &&
                   bands[previousBegin + k].right() == bands[begin + k].right();
        if (same) {
            for (std::size_t k = 0; k < count; ++k) bands[previousBegin + k].setBottom(y1 - 1);
            bands.resize(begin);
        } else {
            previousBegin = begin;
            previousEnd = bands.size();
        }
    }
    QRegion region;
    region.setRects(bands.data(), int(bands.size()));
    return region;
}

}  // namespace

LiveFrameView::LiveFrameView(QWidget* parent) : QWidget(parent) {
    frames_.setNativeOrder(nativeOrder);
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

void LiveFrameView::drawAhead() {
    if (!dirty_ || suspended_ || width() <= 0 || height() <= 0) return;
    render();
}

int LiveFrameView::frameThreads() { return WallpaperRenderer::LiveCanvasFrames::threads(); }

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
    if (frame_.size() != pixels) {
        frame_ = QImage(pixels, frameFormat);
        frames_.forget();
        // Fresh memory, written all over by the workers at once.
        if (!frame_.isNull()) makePagesPresent(frame_.bits(), std::size_t(frame_.sizeInBytes()));
    }
    dirty_ = false;
    if (frame_.isNull()) return {};  // no memory for a frame: the last paint stays
    const WallpaperRenderer::CanvasContext context{
        {frame_.bits(), frame_.width(), frame_.height(), frame_.bytesPerLine()}, ratio, frameThreads()};
    const auto rects = drawFrame(context, double(width()), double(height()));
    ++framesDrawn_;
    points_.clear();
    for (const WallpaperRenderer::PixelRect& rect : rects) {
        // Pixels to points, rounded outwards.
        const int left = int(std::floor(double(rect.x) / ratio));
        const int top = int(std::floor(double(rect.y) / ratio));
        const int right = int(std::ceil(double(rect.x + rect.width) / ratio));
        const int bottom = int(std::ceil(double(rect.y + rect.height) / ratio));
        if (right > left && bottom > top) points_.emplace_back(left, top, right - left, bottom - top);
    }
    const QRegion changed = bandedUnion(points_, bands_, edges_, spans_);
    if (changed.isEmpty()) ++unchangedFrames_;
    if (gatherChanges_) changed_ += changed;
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
    if (frame_.isNull()) return;
    QPainter painter(this);
    if (qFuzzyCompare(ratio, 1.0)) {
        for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), frame_, rect);
    } else {
        painter.setClipRegion(event->region());
        painter.drawImage(QRectF(rect()), frame_, QRectF(frame_.rect()));
    }
}

void LiveFrameView::hideEvent(QHideEvent* event) {
    frame_ = QImage();
    frames_.forget();
    dirty_ = true;
    QWidget::hideEvent(event);
}

}  // namespace glimora
