#include "panel/side_identity_glyph.hpp"

#include <cmath>

#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"

namespace glimora {

const PixelImageBuffer* identityPreview(const NotchViewModel& model) {
    if (model.wallpaperSource() != WallpaperSource::image) return nullptr;
    const ImportedImageAsset* asset = model.currentImageAsset();
    return asset && asset->preview ? &*asset->preview : nullptr;
}

SideIdentityGlyph::SideIdentityGlyph(NotchViewModelBridge& bridge, double size, QWidget* parent)
    : QWidget(parent), bridge_(bridge) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int edge = int(std::lround(size));
    setFixedSize(edge + 2 * outset, edge + 2 * outset);
    const QRect square(outset, outset, edge, edge);
    NotchViewModel& model = bridge_.model();
    thumbnail_ = new PictureThumbnail(size, 0.28 * size, 0.18, this);
    thumbnail_->setGeometry(outsetRect(square, PictureThumbnail::outset));
    photoSymbol_ = new SymbolView(QStringLiteral("photo"), 0.42 * size, FontWeight::semibold, whiteOpacity(0.62), this);
    // The swatch is shorter than the square; it centres itself in it.
    swatch_ = new PixelSwatch([&model] { return model.activePalette().colors; }, size, this);
    for (QWidget* child : std::initializer_list<QWidget*>{photoSymbol_, swatch_}) child->setGeometry(square);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this] { sync(); });
    sync();
}

void SideIdentityGlyph::sync() {
    const NotchViewModel& model = bridge_.model();
    const bool image = model.wallpaperSource() == WallpaperSource::image;
    thumbnail_->setPicture(identityPreview(model));
    thumbnail_->setVisible(thumbnail_->hasPicture());
    photoSymbol_->setVisible(image && !thumbnail_->hasPicture());
    swatch_->setVisible(!image);
    if (!image) swatch_->sync();
}

}  // namespace glimora
