#include "controls/picture_thumbnail.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

#include "controls/panel_style.hpp"

namespace glimora {

QImage pictureImage(const PixelImageBuffer& picture) {
    // Rows of width * 4 bytes. The sizes are checked before anything is
    // multiplied, so a buffer whose sizes do not fit Qt's ints or whose bytes
    // fall short of its rows gives no image rather than a wrapped one.
    constexpr std::int64_t maxWidth = std::numeric_limits<int>::max() / 4;
    if (!picture.rgba || picture.width <= 0 || picture.height <= 0 || picture.width > maxWidth ||
        picture.height > std::numeric_limits<int>::max())
        return {};
    const std::int64_t stride = picture.width * 4;
    if (std::int64_t(picture.rgba->size() / std::size_t(stride)) < picture.height) return {};
    // The image keeps the bytes alive through a copy of the shared pointer.
    auto* keep = new std::shared_ptr<const std::vector<std::uint8_t>>(picture.rgba);
    return QImage(picture.rgba->data(), int(picture.width), int(picture.height), qsizetype(stride),
                  QImage::Format_RGBA8888,
                  [](void* kept) { delete static_cast<std::shared_ptr<const std::vector<std::uint8_t>>*>(kept); },
                  keep);
}

void drawPictureFilling(QPainter& painter, const QImage& picture, const QRectF& square, QImage& scaled) {
    if (picture.isNull()) return;
    const double scale = devicePixelScale(painter);
    const QSize side = devicePixelSize(square.size(), scale).expandedTo(QSize(1, 1));
    const QSize filled = picture.size().scaled(side, Qt::KeepAspectRatioByExpanding);
    if (scaled.size() != filled) scaled = picture.scaled(filled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QRectF target(QPointF(), QSizeF(scaled.size()) / scale);
    target.moveCenter(square.center());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, scaled);
    painter.restore();
}

const QImage& pictureScaledTo(const QImage& picture, QSize pixels, std::vector<QImage>& halvings, QImage& scaled) {
    // Drawn as large as the picture or larger, a smooth draw loses nothing
    // (and a zoomed-in copy would only cost memory).
    if (picture.isNull() || pixels.isEmpty() || pixels.width() >= picture.width() ||
        pixels.height() >= picture.height())
        return picture;
    if (scaled.size() == pixels) return scaled;
    const QImage* source = &picture;
    for (std::size_t level = 0;; ++level) {
        const QSize half = source->size() / 2;
        if (half.width() < pixels.width() || half.height() < pixels.height()) break;
        if (level == halvings.size())
            halvings.push_back(source->scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        source = &halvings[level];
    }
    scaled = source->scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled;
}

QRect outsetRect(const QRect& square, int outset) { return square.marginsAdded(QMargins(outset, outset, outset, outset)); }

PictureThumbnail::PictureThumbnail(double edge, double radius, double outlineOpacity, QWidget* parent)
    : QWidget(parent), edge_(edge), radius_(radius), outlineOpacity_(outlineOpacity) {
    ensureControlAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    const int side = int(std::ceil(edge)) + 2 * outset;
    setFixedSize(side, side);
}

void PictureThumbnail::setPicture(const PixelImageBuffer* picture) {
    const auto bytes = picture ? picture->rgba : nullptr;
    if (bytes == shown_) return;
    shown_ = bytes;
    picture_ = picture ? pictureImage(*picture) : QImage();
    scaled_ = QImage();
    update();
}

QRectF PictureThumbnail::square() const { return {double(outset), double(outset), edge_, edge_}; }

void PictureThumbnail::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = square();
    QPainterPath rounded;
    rounded.addRoundedRect(box, radius_, radius_);
    painter.setClipPath(rounded);
    drawPictureFilling(painter, picture_, box, scaled_);
    painter.setClipping(false);
    painter.setPen(QPen(whiteOpacity(outlineOpacity_), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rounded);
}

// OutsetItem

OutsetItem::OutsetItem(QWidget* widget, int outset, Qt::Alignment alignment) : QWidgetItem(widget), outset_(outset) {
    setAlignment(alignment);
}

QSize OutsetItem::inner(QSize size) const {
    const auto shrink = [this](int length) {
        return length >= QWIDGETSIZE_MAX ? length : std::max(0, length - 2 * outset_);
    };
    return {shrink(size.width()), shrink(size.height())};
}

QSize OutsetItem::sizeHint() const { return inner(QWidgetItem::sizeHint()); }
QSize OutsetItem::minimumSize() const { return inner(QWidgetItem::minimumSize()); }
QSize OutsetItem::maximumSize() const { return inner(QWidgetItem::maximumSize()); }

QRect OutsetItem::geometry() const {
    return widget()->geometry().marginsRemoved(QMargins(outset_, outset_, outset_, outset_));
}

void OutsetItem::setGeometry(const QRect& rect) {
    if (isEmpty()) return;
    // The square at its own size, aligned in the cell as a widget item
    // aligns a fixed-size widget (centred unless told otherwise).
    const QSize square = sizeHint().boundedTo(rect.size());
    int x = rect.x() + (rect.width() - square.width()) / 2;
    int y = rect.y() + (rect.height() - square.height()) / 2;
    if (alignment() & Qt::AlignLeft) x = rect.x();
    if (alignment() & Qt::AlignRight) x = rect.right() + 1 - square.width();
    if (alignment() & Qt::AlignTop) y = rect.y();
    if (alignment() & Qt::AlignBottom) y = rect.bottom() + 1 - square.height();
    widget()->setGeometry(outsetRect(QRect(QPoint(x, y), square), outset_));
}

}  // namespace glimora
