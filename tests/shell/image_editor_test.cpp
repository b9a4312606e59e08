#include "editors/image_editor.hpp"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <iostream>

#include "controls/notch_slider.hpp"
#include "controls/picture_thumbnail.hpp"
#include "controls/small_views.hpp"
#include "editors/image_crop_preview.hpp"
#include "editors/option_chip.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/test_artefacts.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;
using ImageEditorTest = test::EditorFixture<ImageEditor>;

ImportedImageAsset photo(const std::string& name, std::int64_t width, std::int64_t height, bool withPreview = true) {
    ImportedImageAsset asset;
    static std::uint8_t next = 0;
    std::array<std::uint8_t, 16> bytes{};
    bytes[0] = ++next;
    asset.id = Uuid::fromRandomBytes(bytes);
    asset.fileName = name;
    asset.buffer = test::solidImage(width, height);
    if (withPreview) asset.preview = asset.buffer;
    return asset;
}

using test::showsText;

std::vector<QString> visibleChipTitles(QWidget* root) {
    std::vector<QString> titles;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(root)) titles.push_back(chip->text());
    return titles;
}

NotchButton* visibleButtonWithSymbol(QWidget* root, const QString& symbol) {
    for (NotchButton* button : test::visibleChildren<NotchButton>(root))
        if (button->symbol() == symbol) return button;
    return nullptr;
}

TEST_F(ImageEditorTest, WithoutPhotosItOffersTheImportsAndTheEmptyStateOnly) {
    auto& editor = show();
    // "Files", the file-import button, names this desktop's file manager.
    NotchButton* files = test::findNamed<NotchButton>(&editor, "Files");
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->text(), "Files");
    EXPECT_EQ(files->symbol(), "folder");
    EXPECT_NE(test::findNamed(&editor, "Photos"), nullptr);
    EXPECT_EQ(visibleButtonWithSymbol(&editor, "xmark"), nullptr);
    EXPECT_TRUE(showsText(&editor, QStringLiteral("Select pictures to start making magic, everything locally nothing "
                                                  "leaves this computer.")));
    // Nothing of the photo's rows: no chips, no sliders, no preview.
    EXPECT_TRUE(visibleChipTitles(&editor).empty());
    EXPECT_TRUE(test::visibleChildren<NotchSlider>(&editor).empty());
    EXPECT_FALSE(editor.cropPreview()->isVisibleTo(&editor));

    // A status shows in the empty state too.
    model->setImageStatus("Could not read 2 files");
    test::settle();
    EXPECT_TRUE(showsText(&editor, "Could not read 2 files"));

    // Files asks the model's file panel.
    test::click(files);
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    EXPECT_EQ(harness.dialogs->openRequests[0].prompt, "Import Images");
    EXPECT_EQ(harness.dialogs->openRequests[0].message,
              "Choose one or more images to pixelize locally on this computer.");
}

TEST_F(ImageEditorTest, OnePhotoShowsItsRowAndTheImportRowTurnsToAdding) {
    auto& editor = show();
    model->setImageAssets({photo("beach.jpg", 400, 300)});
    model->setCurrentImageIndex(0);
    test::settle();

    NotchButton* add = test::findNamed<NotchButton>(&editor, "Add Images");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->symbol(), "photo.badge.plus");
    EXPECT_EQ(test::findNamed(&editor, "Files"), nullptr);
    NotchButton* clear = visibleButtonWithSymbol(&editor, "xmark");
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->toolTip(), "Remove image set");
    EXPECT_TRUE(showsText(&editor, "1 image"));
    EXPECT_TRUE(showsText(&editor, "beach.jpg"));
    EXPECT_FALSE(showsText(&editor, ImageEditor::emptyStateText()));
    EXPECT_NE(test::findNamed(&editor, "Pin Source"), nullptr);
    EXPECT_TRUE(editor.cropPreview()->showsPicture());

    // The chip rows in order, pixel mode: no tile chips.
    EXPECT_EQ(visibleChipTitles(&editor),
              (std::vector<QString>{"Pixels", "Mosaic", "Soft", "Halftone", "Poster", "Mono", "Image", "Palette",
                                    "Mono", "Off", "Bayer 4", "Bayer 8", "Noise"}));
    for (const char* shape : {"Block", "Point", "Kite"}) EXPECT_NE(test::findNamed(&editor, shape), nullptr);

    // Removing the set goes back to the empty state.
    test::click(clear);
    test::settle();
    EXPECT_TRUE(model->imageAssets().empty());
    EXPECT_NE(test::findNamed(&editor, "Files"), nullptr);
    EXPECT_TRUE(showsText(&editor, ImageEditor::emptyStateText()));
}

TEST_F(ImageEditorTest, MosaicSwapsInTheTileChipsAndSlidersAndRenamesTheScale) {
    auto& editor = show();
    model->setImageAssets({photo("a.png", 300, 300)});
    test::settle();
    NotchSlider* scale = nullptr;
    for (NotchSlider* slider : test::visibleChildren<NotchSlider>(&editor))
        if (slider->track()->accessibleName() == "Cell Scale") scale = slider;
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(test::findNamed(&editor, "Grid"), nullptr);
    EXPECT_EQ(test::findNamed(&editor, "Roundness"), nullptr);
    EXPECT_NE(test::findNamed(&editor, "Pin Cell Form"), nullptr);

    test::click(test::findNamed(&editor, "Mosaic"));
    EXPECT_EQ(model->imageRenderMode(), ImageRenderMode::mosaic);
    test::settle();
    for (const char* tile : {"Grid", "Landscape", "Portrait", "Offset", "Soft Tile"})
        EXPECT_NE(test::findNamed(&editor, tile), nullptr) << tile;
    for (const char* slider : {"Roundness", "Edge Light", "Jitter", "Tile Gap"})
        EXPECT_NE(test::innermostNamed(&editor, slider), nullptr) << slider;
    EXPECT_EQ(test::innermostNamed(&editor, "Cell Scale"), nullptr);
    EXPECT_NE(test::innermostNamed(&editor, "Tile Scale"), nullptr);
    EXPECT_EQ(scale->caption()->text(), "Tile Scale");
    EXPECT_EQ(test::findNamed(&editor, "Block"), nullptr);
    EXPECT_EQ(test::findNamed(&editor, "Pin Cell Form"), nullptr);

    test::click(test::findNamed(&editor, "Offset"));
    EXPECT_EQ(model->imageMosaicTileShape(), ImageMosaicTileShape::brick);
    test::pressTrack(test::innermostNamed(&editor, "Jitter"), 1);
    EXPECT_EQ(model->imageMosaicVariation(), 100);
    test::pressTrack(test::innermostNamed(&editor, "Tile Scale"), 0);
    EXPECT_EQ(model->imagePixelSize(), 2);
}

TEST_F(ImageEditorTest, ALookChipSetsItsPresetsAndTheOtherChipsFollow) {
    auto& editor = show();
    model->setImageAssets({photo("a.png", 300, 300)});
    test::settle();
    test::click(test::findNamed(&editor, "Poster"));
    test::settle();
    EXPECT_EQ(model->imageLook(), ImagePixelLook::poster);
    std::vector<QString> selected;
    for (OptionChip* chip : test::visibleChildren<OptionChip>(&editor))
        if (chip->isSelected()) selected.push_back(chip->text());
    // One chip per row, each the model's value after the preset.
    ASSERT_EQ(selected.size(), 4u);
    EXPECT_EQ(selected[1], "Poster");
    EXPECT_EQ(selected[2], ImageEditor::title(model->imagePaletteMode()));
    EXPECT_EQ(selected[3], ImageEditor::title(model->imageDither()));

    test::click(test::findNamed(&editor, "Kite"));
    EXPECT_EQ(model->imagePixelShape(), ImagePixelShape::diamond);
    test::click(test::findNamed(&editor, "Bayer 4"));
    EXPECT_EQ(model->imageDither(), ImageDitherStyle::bayer4);
}

TEST_F(ImageEditorTest, CropScaleReadsOneWithoutACurrentPhotoAndNeverMovesTheCentre) {
    auto& editor = show();
    ImportedImageAsset asset = photo("wide.png", 800, 300);
    asset.crop = ImageCrop{0.2, 0.7, 1.5};
    model->setImageAssets({asset});
    model->setCurrentImageIndex(3);  // outside the set: no current photo
    test::settle();
    QWidget* track = test::innermostNamed(&editor, "Crop Scale");
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(static_cast<NotchSliderTrack*>(track)->value(), 1.0);
    EXPECT_TRUE(showsText(&editor, ""));  // an empty file name
    EXPECT_FALSE(editor.cropPreview()->showsPicture());
    test::pressTrack(track, 1);  // writes to no photo
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{0.2, 0.7, 1.5}));

    model->setCurrentImageIndex(0);
    test::settle();
    EXPECT_EQ(static_cast<NotchSliderTrack*>(track)->value(), 1.5);
    test::pressTrack(track, 1);
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{0.2, 0.7, 3}));
    test::pressTrack(track, 0);
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{0.2, 0.7, 1}));

    // Reset puts the centre back.
    test::click(test::findNamed(&editor, "Reset"));
    EXPECT_EQ(model->imageAssets()[0].crop, ImageCrop{});
}

TEST(ImageCropMaths, TheFitCoversTheFrameAndOverflowsOnlyWhereThePictureIsLonger) {
    // The screen's own aspect at zoom 1: no overflow either way.
    CropFit fit = cropFit({320, 200}, {1600, 1000}, 1);
    EXPECT_EQ(fit.scaled, QSizeF(320, 200));
    EXPECT_EQ(fit.overflowX, 0);
    EXPECT_EQ(fit.overflowY, 0);
    // Wider: horizontal overflow only.
    fit = cropFit({320, 200}, {800, 200}, 1);
    EXPECT_EQ(fit.scaled, QSizeF(800, 200));
    EXPECT_EQ(fit.overflowX, 240);
    EXPECT_EQ(fit.overflowY, 0);
    // Zoomed: both.
    fit = cropFit({320, 200}, {1600, 1000}, 2);
    EXPECT_EQ(fit.overflowX, 160);
    EXPECT_EQ(fit.overflowY, 100);
    // A degenerate size gives the frame and no overflow.
    fit = cropFit({320, 200}, {0, 100}, 2);
    EXPECT_EQ(fit.scaled, QSizeF(320, 200));
    EXPECT_EQ(fit.overflowX, 0);

    // Centre 0 shows the left edge, 1 the right edge.
    EXPECT_EQ(cropPictureCenter({320, 200}, {800, 200}, {0, 0.5, 1}), QPointF(400, 100));
    EXPECT_EQ(cropPictureCenter({320, 200}, {800, 200}, {1, 0.5, 1}), QPointF(-80, 100));
    // A drag across the whole overflow moves the centre by one; vertical drags without overflow nothing.
    EXPECT_EQ(draggedCropCenter({320, 200}, {800, 200}, {0.5, 0.5, 1}, {-480, 50}), QPointF(1.5, 0.5));
    EXPECT_EQ(draggedCropCenter({320, 200}, {800, 200}, {0.5, 0.5, 1}, {120, 0}), QPointF(0.25, 0.5));

    EXPECT_EQ(cropPreviewSize(100, 2.0), QSizeF(160, 80));
    EXPECT_EQ(cropPreviewSize(500, 2.0), QSizeF(360, 180));
    EXPECT_EQ(cropPreviewSize(300, std::nullopt), QSizeF(300, 300 / 1.6));
}

TEST(ImageCropPicture, SharesRowsOfWidthTimesFourBytesOnlyWhenTheBufferHoldsThem) {
    const auto buffer = [](std::int64_t width, std::int64_t height, std::size_t bytes) {
        PixelImageBuffer picture{width, height, nullptr};
        auto rgba = std::make_shared<std::vector<std::uint8_t>>(bytes);
        for (std::size_t i = 0; i < bytes; ++i) (*rgba)[i] = std::uint8_t(i);
        picture.rgba = rgba;
        return picture;
    };
    const PixelImageBuffer picture = buffer(3, 2, 24);
    const QImage image = pictureImage(picture);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.bytesPerLine(), 12);
    EXPECT_EQ(image.constBits(), picture.rgba->data());
    EXPECT_EQ(image.pixelColor(2, 1), QColor(20, 21, 22, 23));

    EXPECT_TRUE(pictureImage(buffer(3, 2, 23)).isNull());
    // Sizes whose product of bytes wraps to the 64 bytes the buffer holds.
    const std::int64_t wraps = (std::int64_t(1) << 62) + 4;
    EXPECT_TRUE(pictureImage(buffer(wraps, 4, 64)).isNull());
    EXPECT_TRUE(pictureImage(buffer(4, wraps, 64)).isNull());
}

TEST_F(ImageEditorTest, ADragOnThePreviewMovesTheCentreByTheOverflowAndStaysInsideTheUnitRange) {
    auto& editor = show();
    model->setImageAssets({photo("wide.png", 1600, 200)});
    test::settle();
    ImageCropPreview* preview = editor.cropPreview();
    const QSizeF frame = QSizeF(preview->size());
    const CropFit fit = cropFit(frame, {1600, 200}, 1);
    ASSERT_GT(fit.overflowX, 0);
    EXPECT_EQ(fit.overflowY, 0);

    const QPointF start(frame.width() / 2, frame.height() / 2);
    test::sendMouse(preview, QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_TRUE(preview->isDragging());
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(20, 15), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(model->imageAssets()[0].crop.centerX, 0.5 - 20 / (2 * fit.overflowX));
    EXPECT_EQ(model->imageAssets()[0].crop.centerY, 0.5);  // no vertical overflow
    // Absolute from the drag's start, not accumulated.
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(-10, 0), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(model->imageAssets()[0].crop.centerX, 0.5 + 10 / (2 * fit.overflowX));
    // Far past the end: the model keeps the centre at 1.
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(-4 * fit.overflowX, 0), Qt::LeftButton);
    EXPECT_EQ(model->imageAssets()[0].crop.centerX, 1);
    test::sendMouse(preview, QEvent::MouseButtonRelease, start, Qt::NoButton);
    EXPECT_FALSE(preview->isDragging());
    EXPECT_EQ(model->imageAssets()[0].crop.zoom, 1);
}

TEST_F(ImageEditorTest, ADragIsDroppedWhenAnotherPhotoBecomesCurrent) {
    auto& editor = show();
    model->setImageAssets({photo("first.png", 1600, 200), photo("second.png", 1600, 200)});
    model->setCurrentImageIndex(0);
    test::settle();
    ImageCropPreview* preview = editor.cropPreview();
    const QPointF start(preview->width() / 2.0, preview->height() / 2.0);
    test::sendMouse(preview, QEvent::MouseButtonPress, start, Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(30, 0), Qt::LeftButton);
    const ImageCrop firstAfterDrag = model->imageAssets()[0].crop;
    EXPECT_LT(firstAfterDrag.centerX, 0.5);

    model->setCurrentImageIndex(1);  // a shuffle mid-drag
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(60, 0), Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(-60, 0), Qt::LeftButton);
    EXPECT_EQ(model->imageAssets()[1].crop, ImageCrop{});
    EXPECT_EQ(model->imageAssets()[0].crop, firstAfterDrag);
    EXPECT_FALSE(preview->isDragging());
    test::sendMouse(preview, QEvent::MouseButtonRelease, start, Qt::NoButton);

    // The next drag works on the photo now current.
    test::sendMouse(preview, QEvent::MouseButtonPress, start, Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(-30, 0), Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseButtonRelease, start, Qt::NoButton);
    EXPECT_GT(model->imageAssets()[1].crop.centerX, 0.5);
}

TEST_F(ImageEditorTest, WithoutAPreviewPictureDragsChangeNothing) {
    auto& editor = show();
    model->setImageAssets({photo("nopreview.png", 1600, 200, false)});
    test::settle();
    EXPECT_TRUE(showsText(&editor, "nopreview.png"));
    ImageCropPreview* preview = editor.cropPreview();
    EXPECT_FALSE(preview->showsPicture());
    const QPointF start(preview->width() / 2.0, preview->height() / 2.0);
    test::sendMouse(preview, QEvent::MouseButtonPress, start, Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseMove, start + QPointF(40, 40), Qt::LeftButton);
    test::sendMouse(preview, QEvent::MouseButtonRelease, start, Qt::NoButton);
    EXPECT_EQ(model->imageAssets()[0].crop, ImageCrop{});
}

TEST_F(ImageEditorTest, ACancelledPhotosDialogLeavesThePhotosAndClearsTheFlag) {
    auto& editor = show();
    model->setImageAssets({photo("kept.png", 300, 300)});
    test::settle();
    const Uuid kept = model->imageAssets()[0].id;
    QWidget* photos = test::findNamed(&editor, "Photos");
    ASSERT_NE(photos, nullptr);
    EXPECT_EQ(photos->toolTip(), "Choose photos from your library");
    test::click(photos);
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& request = harness.dialogs->openRequests[0];
    EXPECT_TRUE(request.allowsMultipleSelection);
    EXPECT_EQ(request.allowedTypes, std::vector<FileDialogs::FileType>{FileDialogs::FileType::image});
    EXPECT_TRUE(model->isPresentingPhotoPicker());  // while the dialog is up
    harness.dialogs->completeOpen({});
    harness.scheduler->runUntilIdle();
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    ASSERT_EQ(model->imageAssets().size(), 1u);
    EXPECT_EQ(model->imageAssets()[0].id, kept);
    EXPECT_TRUE(model->imageStatus().empty());
}

TEST_F(ImageEditorTest, APhotoAddedOrAShuffledLookUpdatesTheSameWidgets) {
    auto& editor = show();
    model->setImageAssets({photo("a.png", 300, 300)});
    test::settle();
    QWidget* soft = test::findNamed(&editor, "Soft");
    QWidget* preview = editor.cropPreview();
    model->updateImageAssets([](auto& assets) { assets.push_back(photo("b.png", 300, 300)); });
    model->setCurrentImageIndex(1);
    model->applyImageLook(ImagePixelLook::monochrome);
    test::settle();
    EXPECT_EQ(test::findNamed(&editor, "Soft"), soft);
    EXPECT_EQ(editor.cropPreview(), preview);
    EXPECT_TRUE(showsText(&editor, "b.png"));
    EXPECT_TRUE(showsText(&editor, QString::fromStdString(model->imageCountLabel())));
}

// A camera-sized photo of one-pixel black and white stripes: its 30-point
// thumbnail and the crop preview average them to grey at 1x and 2x alike,
// rather than picking a few of its pixels (which made fine detail sparkle
// and fall into false stripes).
TEST_F(ImageEditorTest, TheThumbnailAndThePreviewAverageThePhotoDownToTheScreensPixels) {
    auto& editor = show();
    ImportedImageAsset stripes = photo("stripes.png", 2000, 1300);
    std::vector<std::uint8_t> bytes(std::size_t(2000 * 1300 * 4), 255);
    for (std::size_t i = 0; i < bytes.size(); i += 8) bytes[i] = bytes[i + 1] = bytes[i + 2] = 0;
    stripes.preview->rgba = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    model->setImageAssets({stripes});
    test::settle();
    // The one plain 30 x 30 widget (the "xmark" button beside it is a button).
    std::vector<QWidget*> squares;
    for (QWidget* child : test::visibleChildren<QWidget>(&editor))
        if (child->size() == QSize(30, 30) && child->metaObject() == &QWidget::staticMetaObject)
            squares.push_back(child);
    ASSERT_EQ(squares.size(), 1u);
    QWidget* thumbnail = squares.front();
    // Near grey everywhere in `inside` (points), clear of corners, outline and
    // caption. (Averaging 1.8 stripes into a pixel leaves a faint beat.)
    const auto expectGrey = [](QWidget& widget, QRect inside, double scale, const char* name) {
        const QImage drawn = test::drawnOnBlack(widget, scale);
        if (scale == 2) test::keepScreenshot(drawn, std::string("image_editor/stripes-") + name + "-at-scale-2");
        int farthest = 0;
        for (int y = int(inside.top() * scale); y < int((inside.bottom() + 1) * scale); ++y)
            for (int x = int(inside.left() * scale); x < int((inside.right() + 1) * scale); ++x)
                farthest = std::max(farthest, std::abs(qGray(drawn.pixel(x, y)) - 128));
        EXPECT_LE(farthest, 20) << name << " at " << scale << "x";
    };
    ImageCropPreview& preview = *editor.cropPreview();
    for (const double scale : {1.0, 2.0}) {
        expectGrey(*thumbnail, QRect(6, 6, 18, 18), scale, "thumbnail");
        expectGrey(preview, QRect(16, 16, preview.width() - 32, preview.height() / 2 - 16), scale, "preview");
    }
}

// The panel opens on this tab by building it at width 0 and then laying it
// out at its width: the file name is cut to the room it has after every
// layout, not to the room it had when it was made.
TEST_F(ImageEditorTest, TheFileNameFitsTheRoomItHasAfterEveryRelayout) {
    const QString name = "a very long holiday photo name from the summer trip to the coast 2026.jpg";
    model->setImageAssets({photo(name.toStdString(), 400, 300)});
    model->setCurrentImageIndex(0);
    auto& editor = show(test::topInputs(0));
    editor.setInputs(test::topInputs(500));
    test::settle();
    auto texts = test::visibleTexts(&editor);
    const test::ShownText* shown = test::findText(texts, name);
    ASSERT_NE(shown, nullptr);
    EXPECT_GT(shown->label->width(), 380);
    EXPECT_EQ(shown->shown, name);
    test::keepScreenshot(test::drawnOnBlack(editor, 2).copy(0, 0, 1000, 200), "image_editor/long-name-reopened-at-500");

    // Narrower: one line that ends in "…" and fills the room up to the last
    // character that fits.
    editor.setInputs(test::topInputs(200));
    test::settle();
    texts = test::visibleTexts(&editor);
    shown = test::findText(texts, name);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->shown.endsWith(QChar(0x2026))) << shown->shown.toStdString();
    EXPECT_LE(shown->shownWidth(), shown->label->width());
    EXPECT_GT(shown->shownWidth(), shown->label->width() - 2 * QFontMetricsF(shown->font).horizontalAdvance('W'));
}

}  // namespace
}  // namespace glimora
