#include "panel/side_identity_glyph.hpp"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"

namespace glimora {

const PixelImageBuffer* identityPreview(const NotchViewModel& model) {
    if (model.wallpaperSource() != WallpaperSource::image) return nullptr;
    const ImportedImageAsset* asset = model.currentImageAsset();
    if (!asset || !asset->preview) return nullptr;
    const PixelImageBuffer& preview = *asset->preview;
    // A preview whose bytes do not hold its size is no picture.
    if (preview.width <= 0 || preview.height <= 0 || preview.width > 65536 ||
        preview.bytes().size() < std::size_t(preview.width) * std::size_t(preview.height) * 4)
        return nullptr;
    return &preview;
}

QPixmap roundedThumbnail(const PixelImageBuffer& preview, double edge, double radius, qreal scale) {
    const QImage image(preview.bytes().data(), int(preview.width), int(preview.height), int(preview.width * 4),
                       QImage::Format_RGBA8888);
    const int side = std::max(1, int(std::ceil(edge * scale)));
    const QImage filled = image.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, side, side), radius * scale, radius * scale);
    painter.setClipPath(rounded);
    painter.drawImage(QPointF((side - filled.width()) / 2.0, (side - filled.height()) / 2.0), filled);
    painter.setClipping(false);
    painter.setPen(QPen(whiteOpacity(0.18), scale));
    painter.drawPath(rounded);
    painter.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

SideIdentityGlyph::SideIdentityGlyph(NotchViewModelBridge& bridge, double size, QWidget* parent)
    : QWidget(parent), bridge_(bridge), size_(size) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int edge = int(std::lround(size));
    setFixedSize(edge, edge);
    NotchViewModel& model = bridge_.model();
    thumbnail_ = new QLabel(this);
    photoSymbol_ = new SymbolView(QStringLiteral("photo"), 0.42 * size, FontWeight::semibold, whiteOpacity(0.62), this);
    swatch_ = new PixelSwatch([&model] { return model.activePalette().colors; }, size, this);
    for (QWidget* child : std::initializer_list<QWidget*>{thumbnail_, photoSymbol_, swatch_}) child->setGeometry(rect());
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this] { sync(); });
    sync();
}

void SideIdentityGlyph::sync() {
    const NotchViewModel& model = bridge_.model();
    const bool image = model.wallpaperSource() == WallpaperSource::image;
    const PixelImageBuffer* preview = identityPreview(model);
    thumbnail_->setVisible(preview != nullptr);
    photoSymbol_->setVisible(image && !preview);
    swatch_->setVisible(!image);
    if (preview && preview->rgba != shownPreview_)
        thumbnail_->setPixmap(roundedThumbnail(*preview, size_, 0.28 * size_, devicePixelRatioF()));
    shownPreview_ = preview ? preview->rgba : nullptr;
    if (!image) swatch_->sync();
}

}  // namespace glimora
