// The current photo in a frame shaped like the screen, cropped the way the
// wallpaper crops it; dragging it moves the crop centre of that photo.
// A drag belongs to the photo it began on: when another photo becomes the
// current one mid-drag, the drag is dropped instead of moving the new photo.
#pragma once

#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <optional>
#include <vector>

#include "controls/accessibility.hpp"
#include "model/uuid.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "render/image_crop.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {

// How a picture of size `picture` fills a frame of size `frame` at `zoom`:
// the covering size times the zoom, and how far it overflows the frame on
// each side. A non-positive size anywhere gives the frame itself, no overflow.
struct CropFit {
    QSizeF scaled;
    double overflowX = 0;
    double overflowY = 0;
};
CropFit cropFit(QSizeF frame, QSizeF picture, double zoom);

// Where the picture's centre sits in the frame for `crop`.
QPointF cropPictureCenter(QSizeF frame, QSizeF picture, const ImageCrop& crop);

// The crop centre after a drag by `translation` from `start` (not clamped;
// the model keeps it within 0...1). A direction without overflow keeps its centre.
QPointF draggedCropCenter(QSizeF frame, QSizeF picture, const ImageCrop& start, QPointF translation);

// The preview's size for a column `availableWidth` wide on a screen of
// aspect `screenAspect` (width / height; 1.6 when unknown).
QSizeF cropPreviewSize(double availableWidth, std::optional<double> screenAspect);

// A picture named "Drag to reframe" to assistive tools.
class ImageCropPreview : public QWidget, public AccessibleControl {
    Q_OBJECT

public:
    ImageCropPreview(NotchViewModelBridge& bridge, double availableWidth, QWidget* parent = nullptr);

    void setAvailableWidth(double availableWidth);
    // Re-reads the current photo and its crop; repaints.
    void sync();

    bool isDragging() const { return dragStart_.has_value(); }
    // Whether the photo shows (else the placeholder symbol).
    bool showsPicture() const { return !image_.isNull(); }

    QSize sizeHint() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Graphic; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dragTo(QPointF position);

    NotchViewModelBridge& bridge_;
    double availableWidth_;
    std::optional<Uuid> imageId_;  // the photo whose QImage is kept
    QImage image_;
    std::vector<QImage> halvings_;  // of image_, made as the drawn size asks
    QImage scaled_;                 // image_ at the last drawn size
    bool pressed_ = false;
    QPointF pressPosition_;
    struct DragStart {
        Uuid imageId;
        ImageCrop crop;
    };
    std::optional<DragStart> dragStart_;
    bool dragDropped_ = false;  // the photo changed mid-drag: ignore the rest of it
};

}  // namespace glimora
