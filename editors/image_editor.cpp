#include "editors/image_editor.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_button.hpp"
#include "controls/notch_slider.hpp"
#include "controls/picture_thumbnail.hpp"
#include "controls/pin_button.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/small_views.hpp"
#include "editors/editor_controls.hpp"
#include "editors/editor_layout.hpp"
#include "editors/image_crop_preview.hpp"
#include "editors/option_chip.hpp"
#include "editors/photos_import_button.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr std::array<SliderRow, 6> mainSliderSpecs{{
    {"Cell Scale", Prop::imagePixelSize, 2, 12, 0.1, ShuffleProperty::imagePixelSize},
    {"Palette Steps", Prop::imageColorCount, 2, 16, 1, std::nullopt},
    {"Punch", Prop::imageContrast, 50, 180, 1, std::nullopt},
    {"Color Richness", Prop::imageSaturation, 0, 180, 1, std::nullopt},
    {"Tile Gap", Prop::imageCellGap, 0, 0.45, 0.01, ShuffleProperty::imageCellGap},
    {"Exposure", Prop::imageBrightness, -40, 40, 1, std::nullopt},
}};

constexpr std::array<SliderRow, 3> mosaicSliderSpecs{{
    {"Roundness", Prop::imageMosaicCornerRadius, 0, 0.45, 0.01, std::nullopt},
    {"Edge Light", Prop::imageMosaicBevel, 0, 100, 1, std::nullopt},
    {"Jitter", Prop::imageMosaicVariation, 0, 100, 1, std::nullopt},
}};

OptionChipLook textChipLook() {
    OptionChipLook look;
    look.cornerRadius = -1;  // capsule
    look.minimumHeight = 26;
    look.textOpacityOn = 1;
    look.textOpacityOff = 0.4;
    look.fillOn = 0.12;
    look.fillOff = 0;
    return look;
}

OptionChipLook tileChipLook() {
    OptionChipLook look = textChipLook();
    look.cornerRadius = 7;
    look.minimumHeight = 28;
    return look;
}

QHBoxLayout* rowLayout(QWidget* row, int spacing) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

template <class E, class Choose>
QWidget* chipRow(QWidget* parent, OptionChips<E>& chips, Choose choose) {
    auto* row = new QWidget(parent);
    QHBoxLayout* layout = rowLayout(row, 5);
    chips.make(textChipLook(), [](E value) { return ImageEditor::title(value); }, choose, row);
    for (OptionChip* chip : chips.all()) layout->addWidget(chip, 1);
    return row;
}

QString symbolOf(ImagePixelShape shape) {
    switch (shape) {
    case ImagePixelShape::square: return QStringLiteral("square.fill");
    case ImagePixelShape::dot: return QStringLiteral("circle.fill");
    case ImagePixelShape::diamond: return QStringLiteral("diamond.fill");
    }
    return {};
}

}  // namespace

// The current photo's 30 x 30 thumbnail: filled, rounded 7, outlined.
class ImageThumbnail : public QWidget {
public:
    explicit ImageThumbnail(QWidget* parent) : QWidget(parent) { setFixedSize(30, 30); }

    void setPicture(const std::optional<Uuid>& id, const PixelImageBuffer* picture) {
        if (id == id_) return;
        id_ = id;
        image_ = picture ? pictureImage(*picture) : QImage();
        scaled_ = QImage();
        update();
    }
    bool hasPicture() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull()) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect());
        QPainterPath shape;
        shape.addRoundedRect(box, 7, 7);
        painter.setClipPath(shape);
        drawPictureFilling(painter, image_, box, scaled_);
        painter.setClipping(false);
        painter.setPen(QPen(whiteOpacity(0.16), 1));
        painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }

private:
    std::optional<Uuid> id_;
    QImage image_;
    QImage scaled_;  // the photo filled into the square at the last paint's scale
};

QString ImageEditor::emptyStateText() {
    return QStringLiteral("Select pictures to start making magic, everything locally nothing leaves this computer.");
}

QString ImageEditor::title(ImageRenderMode mode) {
    return mode == ImageRenderMode::pixel ? QStringLiteral("Pixels") : QStringLiteral("Mosaic");
}

QString ImageEditor::title(ImagePixelLook look) {
    switch (look) {
    case ImagePixelLook::softDither: return QStringLiteral("Soft");
    case ImagePixelLook::halftone: return QStringLiteral("Halftone");
    case ImagePixelLook::poster: return QStringLiteral("Poster");
    case ImagePixelLook::monochrome: return QStringLiteral("Mono");
    }
    return {};
}

QString ImageEditor::title(ImagePaletteMode mode) {
    switch (mode) {
    case ImagePaletteMode::source: return QStringLiteral("Image");
    case ImagePaletteMode::current: return QStringLiteral("Palette");
    case ImagePaletteMode::monochrome: return QStringLiteral("Mono");
    }
    return {};
}

QString ImageEditor::title(ImageDitherStyle style) {
    switch (style) {
    case ImageDitherStyle::none: return QStringLiteral("Off");
    case ImageDitherStyle::bayer4: return QStringLiteral("Bayer 4");
    case ImageDitherStyle::bayer8: return QStringLiteral("Bayer 8");
    case ImageDitherStyle::noise: return QStringLiteral("Noise");
    }
    return {};
}

QString ImageEditor::title(ImageMosaicTileShape shape) {
    switch (shape) {
    case ImageMosaicTileShape::square: return QStringLiteral("Grid");
    case ImageMosaicTileShape::wide: return QStringLiteral("Landscape");
    case ImageMosaicTileShape::tall: return QStringLiteral("Portrait");
    case ImageMosaicTileShape::brick: return QStringLiteral("Offset");
    case ImageMosaicTileShape::rounded: return QStringLiteral("Soft Tile");
    }
    return {};
}

QString ImageEditor::title(ImagePixelShape shape) {
    switch (shape) {
    case ImagePixelShape::square: return QStringLiteral("Block");
    case ImagePixelShape::dot: return QStringLiteral("Point");
    case ImagePixelShape::diamond: return QStringLiteral("Kite");
    }
    return {};
}

ImageEditor::ImageEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    NotchViewModel& m = model();
    QVBoxLayout* column = editorColumn(this, 10);

    auto* spacer = new QWidget(this);
    spacer->setFixedHeight(10);
    column->addWidget(spacer);

    // 2. Import row.
    auto* importRow = new QWidget(this);
    QHBoxLayout* importLayout = rowLayout(importRow, 8);
    fileButton_ = new NotchButton(NotchButton::Look::primary, [&m] { m.chooseImageFiles(); }, importRow);
    fileButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    importLayout->addWidget(fileButton_, 1);
    photosButton_ = new PhotosImportButton(m, importRow);
    importLayout->addWidget(photosButton_, 1);
    clearButton_ = new NotchButton(NotchButton::Look::icon, [&m] { m.clearImages(); }, importRow);
    clearButton_->setSymbol(QStringLiteral("xmark"), 11, FontWeight::semibold);
    clearButton_->setFixedSize(30, 30);
    clearButton_->setToolTip(QStringLiteral("Remove image set"));
    clearButton_->setAccessibleName(QStringLiteral("Remove image set"));
    importLayout->addWidget(clearButton_);
    column->addWidget(importRow);

    // 3. Empty state.
    emptyText_ = makeLabel(emptyStateText(), 11, FontWeight::light, 0.58, this);
    emptyText_->setWordWrap(true);
    column->addWidget(emptyText_);

    // 4. Current photo.
    currentRow_ = new QWidget(this);
    QHBoxLayout* currentLayout = rowLayout(currentRow_, 8);
    thumbnail_ = new ImageThumbnail(currentRow_);
    currentLayout->addWidget(thumbnail_);
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    fileName_ = makeOneLineLabel({}, 10, FontWeight::medium, 0.68, currentRow_);
    countLabel_ = makeLabel({}, 9, FontWeight::medium, 0.38, currentRow_);
    names->addWidget(fileName_);
    names->addWidget(countLabel_);
    currentLayout->addLayout(names, 1);
    imagePin_ = new PinButton(PinTarget::forModel(m, ShuffleProperty::image), currentRow_);
    currentLayout->addWidget(imagePin_);
    column->addWidget(currentRow_);

    // 5. Reset.
    resetRow_ = new QWidget(this);
    QHBoxLayout* resetLayout = rowLayout(resetRow_, 5);
    resetLayout->addStretch(1);
    auto* reset = new NotchButton(NotchButton::Look::plain, [&m] { m.resetCurrentImageCrop(); }, resetRow_);
    reset->setText(QStringLiteral("Reset"));
    reset->setAccessibleName(QStringLiteral("Reset"));
    reset->setTextFont(panelFont(9, FontWeight::medium));
    reset->setLabelColor(whiteOpacity(0.45));
    resetLayout->addWidget(reset);
    column->addWidget(resetRow_);

    // 6, 7. Crop preview and scale.
    cropPreview_ = new ImageCropPreview(bridge, inputs().availableWidth, this);
    column->addWidget(cropPreview_);
    cropScale_ = new NotchSlider(
        QStringLiteral("Crop Scale"),
        Binding<double>{[&m] {
                            const ImportedImageAsset* asset = m.currentImageAsset();
                            return asset ? asset->crop.zoom : 1.0;
                        },
                        [&m](double zoom) { m.updateCurrentImageCrop(std::nullopt, std::nullopt, zoom); }},
        1, 3, 0.01, {}, this);
    column->addWidget(cropScale_);

    // 8 to 11. Chip rows.
    QWidget* modeRow = chipRow<ImageRenderMode>(this, modeChips_, [&m](ImageRenderMode v) { m.setImageRenderMode(v); });
    QWidget* lookRow = chipRow<ImagePixelLook>(this, lookChips_, [&m](ImagePixelLook v) { m.applyImageLook(v); });
    QWidget* paletteRow =
        chipRow<ImagePaletteMode>(this, paletteChips_, [&m](ImagePaletteMode v) { m.setImagePaletteMode(v); });
    QWidget* ditherRow = chipRow<ImageDitherStyle>(this, ditherChips_, [&m](ImageDitherStyle v) { m.setImageDither(v); });
    for (QWidget* row : {modeRow, lookRow, paletteRow, ditherRow}) column->addWidget(row);

    // 12. Main sliders.
    std::vector<QWidget*> cells;
    for (const SliderRow& spec : mainSliderSpecs) {
        mainSliders_.push_back(makeSlider(m, spec, this));
        cells.push_back(mainSliders_.back());
    }
    mainGrid_ = new SideAwareSliderGrid(inputs().isSideLayout, inputs().availableWidth, 2, 7, cells, this);
    column->addWidget(mainGrid_);

    // 13. Mosaic block.
    mosaicBlock_ = new QWidget(this);
    auto* mosaicLayout = new QVBoxLayout(mosaicBlock_);
    mosaicLayout->setContentsMargins(0, 0, 0, 0);
    mosaicLayout->setSpacing(10);
    auto* tileGrid = new QGridLayout;
    tileGrid->setHorizontalSpacing(5);
    tileGrid->setVerticalSpacing(5);
    tileChips_.make(
        tileChipLook(), [](ImageMosaicTileShape shape) { return title(shape); },
        [&m](ImageMosaicTileShape shape) { m.setImageMosaicTileShape(shape); }, mosaicBlock_);
    for (std::size_t i = 0; i < tileChips_.all().size(); ++i) {
        OptionChip* chip = tileChips_.all()[i];
        chip->setMinimumWidth(10);
        tileGrid->addWidget(chip, int(i) / 3, int(i) % 3);
    }
    for (int c = 0; c < 3; ++c) tileGrid->setColumnStretch(c, 1);
    mosaicLayout->addLayout(tileGrid);
    cells.clear();
    for (const SliderRow& spec : mosaicSliderSpecs) {
        mosaicSliders_.push_back(makeSlider(m, spec, mosaicBlock_));
        cells.push_back(mosaicSliders_.back());
    }
    mosaicGrid_ = new SideAwareSliderGrid(inputs().isSideLayout, inputs().availableWidth, 2, 7, cells, mosaicBlock_);
    mosaicLayout->addWidget(mosaicGrid_);
    column->addWidget(mosaicBlock_);

    // 13. Pixel block.
    pixelBlock_ = new QWidget(this);
    auto* pixelLayout = new QVBoxLayout(pixelBlock_);
    pixelLayout->setContentsMargins(0, 0, 0, 0);
    pixelLayout->setSpacing(10);
    auto* pinRow = new QHBoxLayout;
    pinRow->setSpacing(5);
    pinRow->addStretch(1);
    pixelShapePin_ = new PinButton(PinTarget::forModel(m, ShuffleProperty::imagePixelShape), pixelBlock_);
    pinRow->addWidget(pixelShapePin_);
    pixelLayout->addLayout(pinRow);
    auto* shapeRow = new QHBoxLayout;
    shapeRow->setSpacing(5);
    shapeRow->setContentsMargins(0, 10, 0, 10);
    for (const ImagePixelShape shape : everyCase<ImagePixelShape>()) {
        auto* chip = new NotchButton(NotchButton::Look::plain, [&m, shape] { m.setImagePixelShape(shape); }, pixelBlock_);
        chip->setText(title(shape));
        chip->setAccessibleName(title(shape));
        chip->setAccessibleRole(QAccessible::RadioButton);
        chip->setSymbol(symbolOf(shape), 10, FontWeight::medium);
        chip->setTextFont(panelFont(10, FontWeight::medium));
        chip->setMinimumHeight(28);
        chip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        shapeRow->addWidget(chip, 1);
        pixelShapeChips_[std::size_t(shape)] = chip;
    }
    pixelLayout->addLayout(shapeRow);
    column->addWidget(pixelBlock_);

    // 14. Status.
    status_ = makeLabel({}, 10, FontWeight::medium, 0.38, this);
    status_->setWordWrap(true);
    column->addWidget(status_);

    imageRows_ = {currentRow_, resetRow_, cropPreview_, cropScale_, modeRow,      lookRow,
                  paletteRow,  ditherRow, mainGrid_,    mosaicBlock_, pixelBlock_};
    layOut();
    sync();
}

void ImageEditor::inputsChanged() { layOut(); }

void ImageEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    cropPreview_->setAvailableWidth(width);
    mainGrid_->setLayoutInputs(inputs().isSideLayout, width, 2);
    mosaicGrid_->setLayoutInputs(inputs().isSideLayout, width, 2);
}

void ImageEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop :
         {Prop::imageAssets, Prop::currentImageIndex, Prop::imageStatus, Prop::imageRenderMode, Prop::imageLook,
          Prop::imagePaletteMode, Prop::imageDither, Prop::imagePixelShape, Prop::imageMosaicTileShape,
          Prop::imagePixelSize, Prop::imageColorCount, Prop::imageContrast, Prop::imageSaturation,
          Prop::imageCellGap, Prop::imageBrightness, Prop::imageMosaicCornerRadius, Prop::imageMosaicBevel,
          Prop::imageMosaicVariation, Prop::pinnedProperties})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void ImageEditor::sync() {
    const NotchViewModel& m = model();
    const bool hasImages = !m.imageAssets().empty();
    fileButton_->setText(hasImages ? QStringLiteral("Add Images") : QStringLiteral("Files"));
    fileButton_->setAccessibleName(fileButton_->text());
    fileButton_->setSymbol(hasImages ? QStringLiteral("photo.badge.plus") : QStringLiteral("folder"), 10,
                           FontWeight::semibold);
    clearButton_->setVisible(hasImages);
    emptyText_->setVisible(!hasImages);
    for (QWidget* row : imageRows_) row->setVisible(hasImages);

    const ImportedImageAsset* asset = m.currentImageAsset();
    thumbnail_->setPicture(asset && asset->preview ? std::optional<Uuid>(asset->id) : std::nullopt,
                           asset && asset->preview ? &*asset->preview : nullptr);
    thumbnail_->setVisible(thumbnail_->hasPicture());
    const QString name = asset ? QString::fromStdString(asset->fileName) : QString();
    fileName_->setText(name);
    fileName_->setToolTip(name);
    countLabel_->setText(QString::fromStdString(m.imageCountLabel()));
    imagePin_->sync();
    cropPreview_->sync();
    cropScale_->sync();

    modeChips_.select(m.imageRenderMode());
    lookChips_.select(m.imageLook());
    paletteChips_.select(m.imagePaletteMode());
    ditherChips_.select(m.imageDither());

    const bool mosaic = m.imageRenderMode() == ImageRenderMode::mosaic;
    const QString scaleTitle = mosaic ? QStringLiteral("Tile Scale") : QStringLiteral("Cell Scale");
    mainSliders_.front()->caption()->setText(scaleTitle);
    mainSliders_.front()->track()->setAccessibleName(scaleTitle);
    for (NotchSlider* slider : mainSliders_) slider->sync();
    for (NotchSlider* slider : mosaicSliders_) slider->sync();
    if (hasImages) {
        mosaicBlock_->setVisible(mosaic);
        pixelBlock_->setVisible(!mosaic);
    }
    tileChips_.select(m.imageMosaicTileShape());
    pixelShapePin_->sync();
    for (const auto v : everyCase<ImagePixelShape>()) {
        const bool selected = m.imagePixelShape() == v;
        NotchButton* chip = pixelShapeChips_[std::size_t(v)];
        chip->setFill(selected ? std::optional<QColor>(whiteOpacity(0.12)) : std::nullopt, 7);
        chip->setLabelColor(selected ? QColor(Qt::white) : whiteOpacity(0.4));
        chip->setAccessibleOn(selected);
    }

    status_->setText(QString::fromStdString(m.imageStatus()));
    status_->setVisible(!m.imageStatus().empty());
}

}  // namespace glimora
