// A picture filled into a rounded square with a thin white outline stroked
// on the square's edge, as the capsule and the side glyph show the current
// photo. Half of that outline lies outside the square, so the widget reaches
// `outset` past the square on every side: place the square, not the widget,
// with OutsetItem in a box layout or outsetRect() by hand.
//
// Use:
//   auto* thumbnail = new PictureThumbnail(18, 6, 0.18, capsule);
//   row->addItem(new OutsetItem(thumbnail, PictureThumbnail::outset));
//   ... on a model change: thumbnail->setPicture(preview);   // null: nothing drawn
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>
#include <QWidgetItem>

#include <cstdint>
#include <memory>
#include <vector>

#include "controls/accessibility.hpp"
#include "render/pixel_image_buffer.hpp"

class QPainter;

namespace glimora {

// The picture as a QImage sharing its bytes (no copy); null for a buffer
// whose bytes do not hold its size.
QImage pictureImage(const PixelImageBuffer& picture);

// Draws `picture` filling `square` (keeping its aspect ratio, centred,
// within the painter's clip) at the painter's device pixels. The picture is
// first averaged down to those pixels: a photo drawn straight into a few
// dozen pixels only samples some of its own and sparkles. `scaled` keeps
// that result and is made again for another size or ratio; clear it when the
// picture changes.
void drawPictureFilling(QPainter& painter, const QImage& picture, const QRectF& square, QImage& scaled);

// `picture` smoothly scaled down to exactly `pixels` (the picture itself
// when that is no smaller), so a draw into that many device pixels shows
// every pixel of the photo averaged in rather than a sample of them. Made
// from the smallest of the picture's halvings that still covers `pixels`,
// which keeps a new size quick where it changes often (the crop preview's
// zoom). `halvings` and `scaled` keep what was made: clear both when the
// picture changes.
const QImage& pictureScaledTo(const QImage& picture, QSize pixels, std::vector<QImage>& halvings, QImage& scaled);

// `square` grown by `outset` on every side: the geometry of a widget that
// draws that far past the square it stands for.
QRect outsetRect(const QRect& square, int outset);

class PictureThumbnail : public QWidget, public AccessibleControl {
    Q_OBJECT

public:
    // The outline is 1 wide on the edge: it reaches half a pixel out.
    static constexpr int outset = 1;

    PictureThumbnail(double edge, double radius, double outlineOpacity, QWidget* parent = nullptr);

    // The picture to show; the same bytes as before change nothing.
    void setPicture(const PixelImageBuffer* picture);
    bool hasPicture() const { return !picture_.isNull(); }

    QAccessible::Role accessibleRole() const override { return QAccessible::Graphic; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The square within the widget.
    QRectF square() const;

    double edge_;
    double radius_;
    double outlineOpacity_;
    std::shared_ptr<const std::vector<std::uint8_t>> shown_;
    QImage picture_;
    QImage scaled_;  // the picture filled into the square at the last paint's scale
};

// A box-layout cell `outset` smaller than its widget on every side: the
// layout sizes and aligns the square, the widget draws past it. For widgets
// of a fixed size, as the thumbnails are.
class OutsetItem : public QWidgetItem {
public:
    OutsetItem(QWidget* widget, int outset, Qt::Alignment alignment = {});

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    QSize maximumSize() const override;
    QRect geometry() const override;
    void setGeometry(const QRect& rect) override;

private:
    QSize inner(QSize size) const;
    int outset_;
};

}  // namespace glimora
