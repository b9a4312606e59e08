// The collapsed panel at the top or bottom edge: one row with the identity of
// the current design at the leading end (the current picture's thumbnail, or
// the palette's swatch and name) and two small buttons at the trailing end,
// Randomize and Expand. It keeps no state; it reads the model and calls it.
#pragma once

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"

namespace glimora {

class FittingLabel;
class NotchButton;
class PictureThumbnail;
class PixelSwatch;
class SymbolView;

class CompactCapsule final : public QWidget {
public:
    // The bridge must outlive the view.
    explicit CompactCapsule(NotchViewModelBridge& bridge, QWidget* parent = nullptr);

    NotchButton* identityButton() const { return identity_; }
    NotchButton* randomizeButton() const { return randomize_; }
    NotchButton* expandButton() const { return expand_; }
    PixelSwatch* swatch() const { return swatch_; }
    PictureThumbnail* thumbnail() const { return thumbnail_; }
    SymbolView* photoSymbol() const { return photoSymbol_; }
    FittingLabel* paletteName() const { return name_; }

    // "chevron.down" at the top, "chevron.up" at the bottom, pointing away
    // from the attached edge (and right, left for the sides).
    static QString expandSymbol(NotchPlacement placement);

private:
    void sync();

    NotchViewModelBridge& bridge_;
    NotchButton* identity_;
    PictureThumbnail* thumbnail_;
    SymbolView* photoSymbol_;
    PixelSwatch* swatch_;
    FittingLabel* name_;
    NotchButton* randomize_;
    NotchButton* expand_;
};

}  // namespace glimora
