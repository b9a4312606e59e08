#include "panel/compact_capsule.hpp"

#include <QGridLayout>
#include <QHBoxLayout>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/picture_thumbnail.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/small_views.hpp"
#include "panel/side_identity_glyph.hpp"

namespace glimora {

namespace {

constexpr int identityEdge = 18;

QString qText(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

QString CompactCapsule::expandSymbol(NotchPlacement placement) {
    switch (placement) {
    case NotchPlacement::top: return QStringLiteral("chevron.down");
    case NotchPlacement::left: return QStringLiteral("chevron.right");
    case NotchPlacement::right: return QStringLiteral("chevron.left");
    case NotchPlacement::bottom: return QStringLiteral("chevron.up");
    }
    return QStringLiteral("chevron.down");
}

CompactCapsule::CompactCapsule(NotchViewModelBridge& bridge, QWidget* parent)
    : QWidget(parent), bridge_(bridge) {
    setAttribute(Qt::WA_TranslucentBackground);
    NotchViewModel& model = bridge_.model();
    const auto toggle = [this] { bridge_.model().setExpanded(!bridge_.model().expanded()); };

    // The identity button and its label share one cell: the label's widgets
    // lie over the button, transparent to the mouse, as children of the
    // capsule, so the thumbnail's outline may reach past the button's edge.
    identity_ = new NotchButton(NotchButton::Look::plain, toggle, this);
    identity_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    thumbnail_ = new PictureThumbnail(identityEdge, 6, 0.18, this);
    photoSymbol_ = new SymbolView(QStringLiteral("photo"), 11, FontWeight::semibold, whiteOpacity(0.62), this);
    photoSymbol_->setFixedSize(identityEdge, identityEdge);
    swatch_ = new PixelSwatch([&model] { return model.activePalette().colors; }, identityEdge, this);
    // The thumbnail's square; the swatch centres itself in it.
    swatch_->setFixedSize(identityEdge, identityEdge);
    name_ = new FittingLabel({}, panelFont(11, FontWeight::medium), whiteOpacity(0.86), 1, this);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* label = new QHBoxLayout;
    label->setContentsMargins(0, 0, 0, 0);
    label->setSpacing(7);
    label->addItem(new OutsetItem(thumbnail_, PictureThumbnail::outset, Qt::AlignVCenter));
    label->addWidget(photoSymbol_, 0, Qt::AlignVCenter);
    label->addWidget(swatch_, 0, Qt::AlignVCenter);
    label->addWidget(name_, 1, Qt::AlignVCenter);
    // The flexible frame that keeps a lone thumbnail or symbol at the leading end.
    label->addStretch(0);
    for (QWidget* child : std::initializer_list<QWidget*>{thumbnail_, photoSymbol_, swatch_, name_})
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* identityCell = new QGridLayout;
    identityCell->setContentsMargins(0, 0, 0, 0);
    identityCell->setSpacing(0);
    identityCell->addWidget(identity_, 0, 0);
    identityCell->addLayout(label, 0, 0);

    randomize_ = makeIconButton(QStringLiteral("shuffle"), 12, FontWeight::semibold, QStringLiteral("Randomize"),
                                QSize(24, 28), [this] { bridge_.model().shuffle(); });
    // Its chevron follows the placement (sync).
    expand_ = makeIconButton({}, 10, FontWeight::bold, QStringLiteral("Expand"), QSize(16, 28), toggle);
    expand_->setLabelColor(whiteOpacity(0.32));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(8);
    row->addLayout(identityCell, 1);
    // The spacer's least length, 2, between two gaps of 8: the box layout
    // adds its spacing on one side of a spacer item only.
    row->addSpacing(2 + 8);
    row->addWidget(randomize_, 0, Qt::AlignVCenter);
    row->addWidget(expand_, 0, Qt::AlignVCenter);
    // The panel sets the size; the row never asks for one.
    row->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);

    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this] { sync(); });
    sync();
}

void CompactCapsule::sync() {
    const NotchViewModel& model = bridge_.model();
    expand_->setSymbol(expandSymbol(model.notchPlacement()), 10, FontWeight::bold);
    const bool image = model.wallpaperSource() == WallpaperSource::image;
    const ImportedImageAsset* asset = model.currentImageAsset();
    thumbnail_->setPicture(identityPreview(model));
    const bool picture = thumbnail_->hasPicture();

    thumbnail_->setVisible(picture);
    photoSymbol_->setVisible(image && !picture);
    swatch_->setVisible(!image);
    name_->setVisible(!image);
    if (image) {
        identity_->setToolTip(qText(asset ? asset->fileName : std::string()) + QStringLiteral(" · ") +
                              qText(model.imageCountLabel()));
        identity_->setAccessibleName(qText(model.imageCountLabel()));
        // The picture's own name, as its label reads to assistive tools.
        thumbnail_->setAccessibleName(qText(model.imageCountLabel()));
    } else {
        const PaletteDefinition palette = model.activePalette();
        swatch_->sync();
        name_->setText(qText(palette.name));
        identity_->setToolTip(QStringLiteral("Show gradient controls"));
        identity_->setAccessibleName(qText(palette.name));
    }
}

}  // namespace glimora
