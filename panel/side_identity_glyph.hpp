// The square mark of the current design: the current picture's thumbnail,
// the "photo" symbol when the picture wallpaper has no picture to show, or
// the palette's swatch for a gradient. The side rail and the side tab column
// show it. The thumbnail's outline reaches past the square, so the widget is
// `outset` larger on every side: place its square with OutsetItem or
// outsetRect().
#pragma once

#include <QWidget>

#include "controls/picture_thumbnail.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"

namespace glimora {

class PixelSwatch;
class SymbolView;

// The current picture's preview when the wallpaper is a picture; else nothing.
const PixelImageBuffer* identityPreview(const NotchViewModel& model);

class SideIdentityGlyph final : public QWidget {
public:
    static constexpr int outset = PictureThumbnail::outset;

    // The bridge must outlive the view.
    SideIdentityGlyph(NotchViewModelBridge& bridge, double size, QWidget* parent = nullptr);

    PictureThumbnail* thumbnail() const { return thumbnail_; }
    SymbolView* photoSymbol() const { return photoSymbol_; }
    PixelSwatch* swatch() const { return swatch_; }

private:
    void sync();

    NotchViewModelBridge& bridge_;
    PictureThumbnail* thumbnail_;
    SymbolView* photoSymbol_;
    PixelSwatch* swatch_;
};

}  // namespace glimora
