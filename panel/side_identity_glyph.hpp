// The square mark of the current design: the current picture's thumbnail,
// the "photo" symbol when the picture wallpaper has no picture to show, or
// the palette's swatch for a gradient. The side rail and the side tab column
// show it; the capsule draws the same thumbnail at its own size.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

#include "platform/qt/notch_view_model_bridge.hpp"

class QLabel;

namespace glimora {

class PixelSwatch;
class SymbolView;

// The current picture's preview when the wallpaper is a picture and the
// preview's bytes hold its size; else nothing.
const PixelImageBuffer* identityPreview(const NotchViewModel& model);

// The picture scaled to fill edge x edge, rounded by `radius` and outlined
// in white 18 %, drawn for the device pixel ratio `scale`.
QPixmap roundedThumbnail(const PixelImageBuffer& preview, double edge, double radius, qreal scale);

class SideIdentityGlyph final : public QWidget {
public:
    // The bridge must outlive the view.
    SideIdentityGlyph(NotchViewModelBridge& bridge, double size, QWidget* parent = nullptr);

    QLabel* thumbnail() const { return thumbnail_; }
    SymbolView* photoSymbol() const { return photoSymbol_; }
    PixelSwatch* swatch() const { return swatch_; }

private:
    void sync();

    NotchViewModelBridge& bridge_;
    double size_;
    QLabel* thumbnail_;
    SymbolView* photoSymbol_;
    PixelSwatch* swatch_;
    std::shared_ptr<const std::vector<std::uint8_t>> shownPreview_;
};

}  // namespace glimora
