#include "editors/image_crop_preview.hpp"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

#include "controls/panel_style.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/picture_thumbnail.hpp"

namespace glimora {

namespace {

constexpr double cornerRadius = 10;

bool positive(QSizeF size) { return size.width() > 0 && size.height() > 0; }

QSizeF pictureSize(const ImportedImageAsset* asset) {
    if (!asset || !asset->preview) return {};
    return QSizeF(double(asset->preview->width), double(asset->preview->height));
}

std::optional<double> mainScreenAspect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->geometry().height() <= 0) return std::nullopt;
    return double(screen->geometry().width()) / screen->geometry().height();
}

}  // namespace

CropFit cropFit(QSizeF frame, QSizeF picture, double zoom) {
    CropFit fit{frame};
    if (!positive(frame) || !positive(picture)) return fit;
    const double aspect = picture.width() / picture.height();
    const QSizeF fill = frame.width() / frame.height() >= aspect ? QSizeF(frame.width(), frame.width() / aspect)
                                                                 : QSizeF(aspect * frame.height(), frame.height());
    fit.scaled = fill * zoom;
    fit.overflowX = std::max(0.0, (fit.scaled.width() - frame.width()) / 2);
    fit.overflowY = std::max(0.0, (fit.scaled.height() - frame.height()) / 2);
    return fit;
}

QPointF cropPictureCenter(QSizeF frame, QSizeF picture, const ImageCrop& crop) {
    const CropFit fit = cropFit(frame, picture, crop.zoom);
    return {frame.width() / 2 + 2 * (0.5 - crop.centerX) * fit.overflowX,
            frame.height() / 2 + 2 * (0.5 - crop.centerY) * fit.overflowY};
}

QPointF draggedCropCenter(QSizeF frame, QSizeF picture, const ImageCrop& start, QPointF translation) {
    const CropFit fit = cropFit(frame, picture, std::max(start.zoom, 1.0));
    const double dx = fit.overflowX > 0 ? -translation.x() / (2 * fit.overflowX) : 0;
    const double dy = fit.overflowY > 0 ? -translation.y() / (2 * fit.overflowY) : 0;
    return {start.centerX + dx, start.centerY + dy};
}

QSizeF cropPreviewSize(double availableWidth, std::optional<double> screenAspect) {
    const double aspect = screenAspect && *screenAspect > 0 ? *screenAspect : 1.6;
    const double width = std::clamp(availableWidth, 160.0, 360.0);
    return {width, width / aspect};
}

ImageCropPreview::ImageCropPreview(NotchViewModelBridge& bridge, double availableWidth, QWidget* parent)
    : QWidget(parent), bridge_(bridge), availableWidth_(availableWidth) {
    ensureControlAccessibility();
    setAccessibleName(QStringLiteral("Drag to reframe"));
    setCursor(Qt::OpenHandCursor);
    setAvailableWidth(availableWidth);
    sync();
}

void ImageCropPreview::setAvailableWidth(double availableWidth) {
    availableWidth_ = availableWidth;
    const QSizeF size = cropPreviewSize(availableWidth_, mainScreenAspect());
    setFixedSize(int(std::lround(size.width())), int(std::lround(size.height())));
    update();
}

QSize ImageCropPreview::sizeHint() const { return size(); }

void ImageCropPreview::sync() {
    const ImportedImageAsset* asset = bridge_.model().currentImageAsset();
    if (!asset || !asset->preview) {
        imageId_.reset();
        image_ = {};
        halvings_.clear();
        scaled_ = {};
    } else if (imageId_ != asset->id) {
        // A photo's pixels never change once made: one QImage per photo.
        imageId_ = asset->id;
        image_ = pictureImage(*asset->preview);
        halvings_.clear();
        scaled_ = {};
    }
    update();
}

void ImageCropPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(box, cornerRadius, cornerRadius);
    painter.setClipPath(shape);
    painter.fillPath(shape, whiteOpacity(0.045));

    const ImportedImageAsset* asset = bridge_.model().currentImageAsset();
    if (asset && !image_.isNull()) {
        const QSizeF picture(image_.width(), image_.height());
        const CropFit fit = cropFit(box.size(), picture, asset->crop.zoom);
        const QPointF center = cropPictureCenter(box.size(), picture, asset->crop);
        QRectF target(QPointF(), fit.scaled);
        target.moveCenter(center);
        const QSize pixels = devicePixelSize(target.size(), devicePixelScale(painter));
        painter.drawImage(target, pictureScaledTo(image_, pixels, halvings_, scaled_));
    } else {
        const double extent = symbolExtent(18);
        drawSymbol(painter, "photo", QRectF(box.center() - QPointF(extent / 2, extent / 2), QSizeF(extent, extent)),
                   18, FontWeight::medium, whiteOpacity(0.28));
    }

    painter.setPen(QPen(whiteOpacity(0.18), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);

    // The caption on its capsule, centred at the bottom.
    const QFont font = panelFont(9, FontWeight::medium);
    const QString caption = QStringLiteral("Drag to reframe");
    const QFontMetricsF metrics(font);
    const QSizeF capsuleSize(metrics.horizontalAdvance(caption) + 16, metrics.height() + 8);
    const QRectF capsule(box.center().x() - capsuleSize.width() / 2, box.bottom() - 8 - capsuleSize.height(),
                         capsuleSize.width(), capsuleSize.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(blackPercent(42));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setFont(font);
    painter.setPen(whiteOpacity(0.7));
    painter.drawText(capsule, Qt::AlignCenter, caption);
}

void ImageCropPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (!shape.contains(event->position())) return QWidget::mousePressEvent(event);
    pressed_ = true;
    pressPosition_ = event->position();
    dragStart_.reset();
    dragDropped_ = false;
    dragTo(event->position());
}

void ImageCropPreview::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_) dragTo(event->position());
}

void ImageCropPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    dragStart_.reset();
    dragDropped_ = false;
}

void ImageCropPreview::dragTo(QPointF position) {
    if (dragDropped_) return;
    NotchViewModel& model = bridge_.model();
    const ImportedImageAsset* asset = model.currentImageAsset();
    if (!asset || !asset->preview) return;
    if (!dragStart_) {
        dragStart_ = DragStart{asset->id, asset->crop};
    } else if (dragStart_->imageId != asset->id) {
        // Another photo is current now: its crop is not this drag's to move.
        dragStart_.reset();
        dragDropped_ = true;
        return;
    }
    const QPointF center =
        draggedCropCenter(QSizeF(size()), pictureSize(asset), dragStart_->crop, position - pressPosition_);
    model.updateCurrentImageCrop(center.x(), center.y(), std::nullopt);
}

}  // namespace glimora
