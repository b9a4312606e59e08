#include "panel/compact_capsule.hpp"

#include <QHBoxLayout>
#include <QLabel>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"
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

    identity_ = new NotchButton(NotchButton::Look::plain, toggle);
    identity_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* identityRow = new QHBoxLayout(identity_);
    identityRow->setContentsMargins(0, 0, 0, 0);
    identityRow->setSpacing(7);
    thumbnail_ = new QLabel;
    thumbnail_->setFixedSize(identityEdge, identityEdge);
    photoSymbol_ = new SymbolView(QStringLiteral("photo"), 11, FontWeight::semibold, whiteOpacity(0.62));
    photoSymbol_->setFixedSize(identityEdge, identityEdge);
    swatch_ = new PixelSwatch([&model] { return model.activePalette().colors; }, identityEdge);
    swatch_->setFixedSize(identityEdge, identityEdge);
    name_ = new QLabel;
    name_->setFont(panelFont(11, FontWeight::medium));
    QPalette palette = name_->palette();
    palette.setColor(QPalette::WindowText, whiteOpacity(0.86));
    name_->setPalette(palette);
    // Inside a button a label would take the button's text role.
    name_->setForegroundRole(QPalette::WindowText);
    name_->setWordWrap(false);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // one line, cut at the row's end
    for (QWidget* child : std::initializer_list<QWidget*>{thumbnail_, photoSymbol_, swatch_, name_}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
        identityRow->addWidget(child, child == name_ ? 1 : 0, Qt::AlignVCenter);
    }

    randomize_ = makeIconButton(QStringLiteral("shuffle"), 12, FontWeight::semibold, QStringLiteral("Randomize"),
                                QSize(24, 28), [this] { bridge_.model().shuffle(); });
    // Its chevron follows the placement (sync).
    expand_ = makeIconButton({}, 10, FontWeight::bold, QStringLiteral("Expand"), QSize(16, 28), toggle);
    expand_->setLabelColor(whiteOpacity(0.32));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(8);
    row->addWidget(identity_, 1);
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
    const PixelImageBuffer* preview = identityPreview(model);

    thumbnail_->setVisible(preview != nullptr);
    photoSymbol_->setVisible(image && !preview);
    swatch_->setVisible(!image);
    name_->setVisible(!image);
    if (preview && preview->rgba != shownPreview_)
        thumbnail_->setPixmap(roundedThumbnail(*preview, identityEdge, 6, devicePixelRatioF()));
    shownPreview_ = preview ? preview->rgba : nullptr;
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
