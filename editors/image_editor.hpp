// The "Image" tab: imports photos (files or the Pictures folder), shows the
// current one with its count and pin, reframes it (crop preview and "Crop
// Scale"), and sets the photo pixelizer: render mode, look, palette mode,
// dither, pixel or tile shape and nine values. Every widget is made once and
// shown, hidden or re-read in place as the model changes.
#pragma once

#include <QString>

#include <array>
#include <vector>

#include "editors/option_chip.hpp"
#include "editors/tab_editor.hpp"

class QLabel;
class QWidget;

namespace glimora {

class FittingLabel;
class ImageCropPreview;
class ImageThumbnail;
class NotchButton;
class NotchSlider;
class PhotosImportButton;
class PinButton;
class SideAwareSliderGrid;

class ImageEditor : public TabEditor {
    Q_OBJECT

public:
    ImageEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // The empty state's line.
    static QString emptyStateText();
    // The chip titles, in the order of the cases.
    static QString title(ImageRenderMode mode);
    static QString title(ImagePixelLook look);
    static QString title(ImagePaletteMode mode);
    static QString title(ImageDitherStyle style);
    static QString title(ImageMosaicTileShape shape);
    static QString title(ImagePixelShape shape);

    ImageCropPreview* cropPreview() const { return cropPreview_; }

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();

    NotchButton* fileButton_;
    PhotosImportButton* photosButton_;
    NotchButton* clearButton_;
    QLabel* emptyText_;
    QWidget* currentRow_;
    ImageThumbnail* thumbnail_;
    FittingLabel* fileName_;
    QLabel* countLabel_;
    PinButton* imagePin_;
    QWidget* resetRow_;
    ImageCropPreview* cropPreview_;
    NotchSlider* cropScale_;
    std::vector<QWidget*> imageRows_;  // rows 4 to 13, shown only with photos
    OptionChips<ImageRenderMode> modeChips_;
    OptionChips<ImagePixelLook> lookChips_;
    OptionChips<ImagePaletteMode> paletteChips_;
    OptionChips<ImageDitherStyle> ditherChips_;
    std::vector<NotchSlider*> mainSliders_;
    SideAwareSliderGrid* mainGrid_;
    QWidget* mosaicBlock_;
    OptionChips<ImageMosaicTileShape> tileChips_;
    std::vector<NotchSlider*> mosaicSliders_;
    SideAwareSliderGrid* mosaicGrid_;
    QWidget* pixelBlock_;
    PinButton* pixelShapePin_;
    std::array<NotchButton*, 3> pixelShapeChips_{};
    QLabel* status_;
};

}  // namespace glimora
