// The panel's two pixel mosaics.
//   PixelSwatch: a palette as a 5 x 3 mosaic, `size` wide and size x 0.68 high
//     (capsule, side glyph, recipe rows), centred in whatever rectangle it
//     is given. Row r starts two colours further along the palette than the
//     row above.
//   PixelThumbnail: a shape's tile in the shape grid, a 12 x 6 mosaic whose
//     lit cells follow the shape's own small rule, in the palette's colours,
//     with a selection border; as wide as its layout makes it, `height` high.
// Both read their inputs through getters and repaint on sync() only when
// something they show changed. An empty colour list paints opaque black
// cells, as the renderer draws an empty palette.
//
// Use:
//   auto* swatch = new PixelSwatch([&] { return model.activePalette().colors; }, 28);
//   auto* tile = new PixelThumbnail(NotchShape::spiral, [&] { return model.activePalette().colors; },
//                                   [&] { return model.shape() == NotchShape::spiral; }, 44);
//   ... on a model change: swatch->sync(); tile->sync();
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

#include "model/design_options.hpp"
#include "model/palette.hpp"

namespace glimora {

using ColorsSource = std::function<std::vector<Color>()>;

// A palette colour as the renderer turns it into bytes; opaque.
QColor paletteQColor(const Color& color);

// Whether the cell at `row` (0...5) and `column` (0...11) of the shape's
// thumbnail is lit.
bool pixelThumbnailCellLit(NotchShape shape, int row, int column);

class PixelSwatch : public QWidget {
    Q_OBJECT

public:
    PixelSwatch(ColorsSource colors, double size, QWidget* parent = nullptr);

    // Re-reads the colours; repaints only when they changed.
    void sync();
    void setSize(double size);
    double swatchSize() const { return size_; }
    const std::vector<Color>& colors() const { return colors_; }
    // The colour of the cell at `row` (0...2) and `column` (0...4).
    QColor cellColor(int row, int column) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorsSource source_;
    std::vector<Color> colors_;
    double size_;
    QImage image_;  // the drawn mosaic at the device's pixels, made again after a change, a resize or a new ratio
};

class PixelThumbnail : public QWidget {
    Q_OBJECT

public:
    PixelThumbnail(NotchShape shape, ColorsSource colors, std::function<bool()> isSelected, double height,
                   QWidget* parent = nullptr);

    // Re-reads the colours and the selection; repaints only on a change.
    void sync();
    void setTileHeight(double height);
    double tileHeight() const { return height_; }
    NotchShape shape() const { return shape_; }
    bool isSelected() const { return selected_; }
    // The fill of a cell: a palette colour when lit, black at 88 % when not.
    QColor cellColor(int row, int column) const;
    // The selection border: white 90 % at 1.5 wide, else white 8 % at 1.
    QColor borderColor() const;
    double borderWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NotchShape shape_;
    ColorsSource source_;
    std::function<bool()> isSelected_;
    std::vector<Color> colors_;
    bool selected_ = false;
    double height_;
    QImage image_;  // the drawn tile at the device's pixels, made again after a change, a resize or a new ratio
};

}  // namespace glimora
