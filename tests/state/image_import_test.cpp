#include <gtest/gtest.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "render/image_pixelizer.hpp"
#include "state/notch_view_model.hpp"
#include "tests/render/image_fixtures.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;
using Events = std::vector<std::string>;

void writeBytes(const std::filesystem::path& file, const test::Bytes& bytes) {
    test::writeFile(file, std::string(bytes.begin(), bytes.end()));
}

RGB fixturePixel(int x, int y) { return {std::uint8_t(x * 8), std::uint8_t(y * 12), 90}; }

// The core decoder, as the application's model has it.
std::optional<PixelImageBuffer> coreDecode(std::span<const std::uint8_t> data, int maxPixelSize,
                                           DecodeNotes* notes = nullptr) {
    try {
        return PixelImageBuffer::load(data, maxPixelSize, notes);
    } catch (ImagePixelizer::PixelizerError) {
        return std::nullopt;
    }
}

// A PNG file, a JPEG larger than the import size, and a text file.
struct Fixtures {
    test::TempDir dir;
    std::filesystem::path png = dir.path() / "tide.png";
    std::filesystem::path jpeg = dir.path() / "dunes.jpg";
    std::filesystem::path text = dir.path() / "notes.txt";

    Fixtures() {
        writeBytes(png, test::encodeRgbaPng(30, 20, [](int x, int y) {
            const RGB c = fixturePixel(x, y);
            return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
        }));
        writeBytes(jpeg, test::encodeJpeg(3000, 1500, [](int x, int y) {
            return RGB{std::uint8_t(x / 12), std::uint8_t(y / 6), 128};
        }));
        test::writeFile(text, "not a picture\n");
    }
};

struct ImportHarness : ModelHarness {
    int decodes = 0;
    ImportHarness() {
        decoder = [this](std::span<const std::uint8_t> data, int maxPixelSize, DecodeNotes* notes) {
            ++decodes;
            return coreDecode(data, maxPixelSize, notes);
        };
    }
};

std::vector<std::string> fileNames(const NotchViewModel& model) {
    std::vector<std::string> names;
    for (const auto& asset : model.imageAssets()) names.push_back(asset.fileName);
    return names;
}

TEST(ImageImport, FilesOfEveryKindGiveSummarySkipsTabAndLayoutCallbacks) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    EventLog log;
    log.attach(*model);

    model->importImageFiles({files.png, files.text, files.jpeg});

    EXPECT_EQ(fileNames(*model), (std::vector<std::string>{"tide.png", "dunes.jpg"}));
    EXPECT_EQ(model->imageStatus(), "Added 2 images \u00B7 1 skipped");
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->selectedTab(), NotchTab::image);
    // The list changes once; the tab observer and the import each lay the panel out.
    EXPECT_EQ(log.events, (Events{"imageAssets", "currentImageIndex", "imageStatus", "wallpaperSource",
                                  "animationPlaying", "selectedTab", "onLayoutChange", "onLayoutChange"}));
    EXPECT_EQ(model->imageShuffleOrder().size(), 2u);

    const ImportedImageAsset& png = model->imageAssets()[0];
    ASSERT_EQ(png.buffer.width, 30);
    ASSERT_EQ(png.buffer.height, 20);
    const RGB expected = fixturePixel(7, 11);
    const std::uint8_t* pixel = png.buffer.bytes().data() + (11 * 30 + 7) * 4;
    EXPECT_EQ((std::array{pixel[0], pixel[1], pixel[2], pixel[3]}),
              (std::array<std::uint8_t, 4>{expected.red, expected.green, expected.blue, 255}));
    EXPECT_EQ(png.crop, (ImageCrop{0.5, 0.5, 1}));
    ASSERT_TRUE(png.preview);
    EXPECT_EQ(png.preview->bytes().size(), png.buffer.bytes().size());
    // The camera-sized picture is decoded at the import size.
    const ImportedImageAsset& jpeg = model->imageAssets()[1];
    EXPECT_EQ(jpeg.buffer.width, 2048);
    EXPECT_EQ(jpeg.buffer.height, 1024);
    EXPECT_NE(png.id, jpeg.id);
}

TEST(ImageImport, MorePhotosKeepTheOneShownAndCountTheTotal) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    model->importImageFiles({files.png});
    EXPECT_EQ(model->imageStatus(), "Added 1 image \u00B7 1 total");
    model->importImageFiles({files.jpeg, files.png});
    EXPECT_EQ(model->imageStatus(), "Added 2 images \u00B7 3 total");
    model->setCurrentImageIndex(1);
    model->setSelectedTab(NotchTab::shape);

    model->importImageFiles({files.png, files.png});
    EXPECT_EQ(model->imageAssets().size(), 5u);
    EXPECT_EQ(model->currentImageIndex(), 1);
    EXPECT_EQ(model->imageStatus(), "Added 2 images \u00B7 5 total");
    EXPECT_EQ(model->selectedTab(), NotchTab::image);
}

TEST(ImageImport, NothingReadableChangesOnlyTheStatus) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    model->setSelectedTab(NotchTab::color);
    EventLog log;
    log.attach(*model);

    model->importImageFiles({files.text, files.dir.path() / "missing.png", files.dir.path()});
    EXPECT_EQ(log.events, Events{"imageStatus"});
    EXPECT_EQ(model->imageStatus(), "Could not read those images");
    EXPECT_TRUE(model->imageAssets().empty());
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_EQ(model->selectedTab(), NotchTab::color);

    log.events.clear();
    model->importImageFiles({});
    EXPECT_TRUE(log.events.empty());
}

// A PNG whose header declares `width` x `height` pixels, with no pixel data.
test::Bytes pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    test::Bytes bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto put32 = [&bytes](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(std::uint8_t(v >> shift));
    };
    const auto chunk = [&](const char* type, const test::Bytes& data) {
        put32(std::uint32_t(data.size()));
        const std::size_t start = bytes.size();
        bytes.insert(bytes.end(), type, type + 4);
        bytes.insert(bytes.end(), data.begin(), data.end());
        put32(std::uint32_t(crc32(0, bytes.data() + start, uInt(bytes.size() - start))));
    };
    test::Bytes header;
    for (const std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(std::uint8_t(v >> shift));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IEND", {});
    return bytes;
}

TEST(ImageImport, OversizedFilesAndPicturesAreSkippedUndecoded) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();

    // A sparse file one byte over 256 MiB, starting like a PNG.
    const auto huge = files.dir.path() / "huge.png";
    writeBytes(huge, test::Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    ASSERT_EQ(::truncate(huge.c_str(), off_t(NotchViewModel::imageFileByteLimit + 1)), 0);
    model->importImageFiles({huge});
    EXPECT_EQ(harness.decodes, 0);
    EXPECT_EQ(model->imageStatus(), "Could not read those images");

    // 2^28 + 1 pixels declared: refused from the header alone.
    const auto declared = files.dir.path() / "declared.png";
    writeBytes(declared, pngHeaderOnly(16385, 16384));
    const auto atLimit = files.dir.path() / "at-limit.png";
    writeBytes(atLimit, pngHeaderOnly(16384, 16384));
    model->importImageFiles({declared, atLimit, files.png});
    EXPECT_EQ(model->imageStatus(), "Added 1 image \u00B7 2 skipped");
    EXPECT_EQ(fileNames(*model), std::vector<std::string>{"tide.png"});
    // Each refusal for size says which file and why; a file merely cut short does not.
    EXPECT_EQ(harness.logger->lines,
              (std::vector<std::string>{
                  "Ombriq image import skipped " + huge.string() + ": the file holds more than 256 MiB",
                  "Ombriq image import skipped " + declared.string() +
                      ": it declares 16385 x 16384 pixels; a picture may have at most 65535 on a side and "
                      "268435456 in all"}));
}

TEST(ImageImport, FileNamesThatAreNotUtf8AreShownAndStoredReplaced) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    const auto latin1 = files.dir.path() / "caf\xE9.png";
    std::filesystem::copy_file(files.png, latin1);

    model->importImageFiles({latin1});
    ASSERT_EQ(model->imageAssets().size(), 1u);
    EXPECT_EQ(model->imageAssets()[0].fileName, "caf\uFFFD.png");
    const DesignRecipe recipe = model->makeRecipe("Caf\u00E9", false);
    ASSERT_TRUE(recipe.image);
    EXPECT_EQ(recipe.image->fileName, "caf\uFFFD.png");
}

TEST(ImageImport, OpenPanelAsksForPicturesAndImportsTheChoice) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();

    model->chooseImageFiles();
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& request = harness.dialogs->openRequests[0];
    EXPECT_TRUE(request.canChooseFiles);
    EXPECT_FALSE(request.canChooseDirectories);
    EXPECT_TRUE(request.allowsMultipleSelection);
    EXPECT_EQ(request.allowedTypes, std::vector{FileDialogs::FileType::image});
    EXPECT_EQ(request.prompt, "Import Images");
    EXPECT_EQ(request.message, "Choose one or more images to pixelize locally on this computer.");
    harness.dialogs->completeOpen({});
    EXPECT_EQ(model->imageStatus(), "");

    model->chooseImageFiles();
    harness.dialogs->completeOpen({files.png});
    EXPECT_EQ(model->imageAssets().size(), 1u);
    model->chooseImageFiles();
    EXPECT_EQ(harness.dialogs->openRequests.back().prompt, "Add Images");
}

TEST(PhotoImport, LoadsOneItemAtATimeInTheBackgroundAndNumbersAfterTheList) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    model->importImageFiles({files.png, files.png, files.png});
    model->setCurrentImageIndex(2);
    EventLog log;
    log.attach(*model);

    model->importPhotos({files.jpeg, files.text, files.png});
    EXPECT_EQ(log.events, Events{"imageStatus"});
    EXPECT_EQ(model->imageStatus(), "Loading photos\u2026");
    int steps = 0;
    while (harness.scheduler->pendingBackground() > 0) {
        // Never more than one item in flight, and never decoded on the main thread.
        EXPECT_EQ(harness.scheduler->pendingBackground(), 1u);
        const int before = harness.decodes;
        harness.scheduler->runBackground();
        EXPECT_LE(harness.decodes, before + 1);
        EXPECT_EQ(model->imageAssets().size(), 3u);
        harness.scheduler->runPosted();
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(fileNames(*model),
              (std::vector<std::string>{"tide.png", "tide.png", "tide.png", "Photo 4", "Photo 5"}));
    EXPECT_EQ(model->imageAssets()[3].buffer.width, 2048);
    EXPECT_EQ(model->imageStatus(), "Added 2 images \u00B7 1 skipped");
    EXPECT_EQ(model->currentImageIndex(), 2);
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->selectedTab(), NotchTab::image);
    EXPECT_EQ(log.events.back(), "onLayoutChange");
    EXPECT_EQ(harness.scheduler->pendingPosted(), 0u);
}

TEST(PhotoImport, EveryItemFailingAndTheModelGoingAwayMidway) {
    Fixtures files;
    ImportHarness harness;
    auto model = harness.make();
    model->importPhotos({files.text, files.dir.path() / "gone.heic"});
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->imageStatus(), "Could not read those images");
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);

    model->importPhotos({});
    EXPECT_EQ(model->imageStatus(), "Could not read those images");

    const int decodes = harness.decodes;
    model->importPhotos({files.png, files.png});
    harness.scheduler->runBackground();
    model.reset();
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(harness.decodes, decodes + 1);
}

TEST(PhotoImport, PickerOpensOnPicturesAndKeepsThePanelOpenWhileUp) {
    Fixtures files;
    ImportHarness harness;
    harness.paths = std::make_shared<FixedPaths>(files.dir.path());
    const auto model = harness.make();

    model->choosePhotos();
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& request = harness.dialogs->openRequests[0];
    EXPECT_EQ(request.directory, files.dir.path() / "Pictures");
    EXPECT_TRUE(request.allowsMultipleSelection);
    EXPECT_EQ(request.allowedTypes, std::vector{FileDialogs::FileType::image});
    EXPECT_TRUE(model->isPresentingPhotoPicker());
    harness.dialogs->completeOpen({});
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    EXPECT_EQ(model->imageStatus(), "");

    model->choosePhotos();
    harness.dialogs->completeOpen({files.png});
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    EXPECT_EQ(model->imageStatus(), "Loading photos\u2026");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(fileNames(*model), std::vector<std::string>{"Photo 1"});
}

TEST(ImageCropEdits, ClampEveryComponentAndChangeTheListOnce) {
    ModelHarness harness;
    const auto model = harness.make();
    EventLog log;
    log.attach(*model);
    model->updateCurrentImageCrop(0.2, 0.2, 2);
    model->resetCurrentImageCrop();
    EXPECT_TRUE(log.events.empty());  // no photo: nothing happens

    model->setImageAssets({{Uuid{}, "a.png", test::solidImage(4, 4), std::nullopt, ImageCrop{0.3, 1.7, 2}},
                           {Uuid{}, "b.png", test::solidImage(4, 4), std::nullopt, ImageCrop{}}});
    log.events.clear();
    model->updateCurrentImageCrop(1.4, std::nullopt, 0.5);
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{1, 1, 1}));
    EXPECT_EQ(log.events, Events{"imageAssets"});
    model->updateCurrentImageCrop(-0.5, 0.25, std::nullopt);
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{0, 0.25, 1}));
    model->updateCurrentImageCrop(std::nullopt, std::nullopt, 3.5);
    EXPECT_EQ(model->imageAssets()[0].crop, (ImageCrop{0, 0.25, 3.5}));
    model->resetCurrentImageCrop();
    EXPECT_EQ(model->imageAssets()[0].crop, ImageCrop{});
    EXPECT_EQ(model->imageAssets()[1].crop, ImageCrop{});

    model->setCurrentImageIndex(2);
    log.events.clear();
    model->updateCurrentImageCrop(0.1, 0.1, 1.5);
    EXPECT_TRUE(log.events.empty());
}

TEST(ImageLooks, EachLookWritesItsPresetInOrderAndLeavesTheMosaicAlone) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setImageRenderMode(ImageRenderMode::mosaic);
    model->setImageMosaicBevel(70);
    model->applyImageLook(ImagePixelLook::monochrome);
    EventLog log;
    log.attach(*model);

    model->applyImageLook(ImagePixelLook::halftone);
    EXPECT_EQ(log.events, (Events{"imageLook", "imagePaletteMode", "imageDither", "imagePixelShape",
                                  "imagePixelSize", "imageColorCount", "imageCellGap", "imageBrightness",
                                  "imageContrast", "imageSaturation"}));
    EXPECT_EQ(model->imageLook(), ImagePixelLook::halftone);
    EXPECT_EQ(model->imagePaletteMode(), ImagePaletteMode::source);
    EXPECT_EQ(model->imageDither(), ImageDitherStyle::bayer4);
    EXPECT_EQ(model->imagePixelShape(), ImagePixelShape::dot);
    EXPECT_EQ(model->imagePixelSize(), 6);
    EXPECT_EQ(model->imageColorCount(), 7);
    EXPECT_EQ(model->imageCellGap(), 0.26);
    EXPECT_EQ(model->imageBrightness(), 2);
    EXPECT_EQ(model->imageContrast(), 124);
    EXPECT_EQ(model->imageSaturation(), 116);
    EXPECT_EQ(model->imageRenderMode(), ImageRenderMode::mosaic);
    EXPECT_EQ(model->imageMosaicBevel(), 70);

    model->applyImageLook(ImagePixelLook::monochrome);
    EXPECT_EQ(model->imagePaletteMode(), ImagePaletteMode::monochrome);
    EXPECT_EQ(model->imageSaturation(), 0);
    model->applyImageLook(ImagePixelLook::poster);
    EXPECT_EQ(model->imagePaletteMode(), ImagePaletteMode::current);
    EXPECT_EQ(model->imageSaturation(), 122);
    EXPECT_EQ(model->imageContrast(), 136);
    model->applyImageLook(ImagePixelLook::softDither);
    EXPECT_EQ(model->imageDither(), ImageDitherStyle::bayer8);
    EXPECT_EQ(model->imageColorCount(), 10);
    EXPECT_EQ(model->imageCellGap(), 0.1);
}

TEST(ImageImport, ClearingRemovesEveryPhotoAndReturnsToTheShapeTab) {
    Fixtures files;
    ImportHarness harness;
    const auto model = harness.make();
    model->importImageFiles({files.png, files.png});
    model->setCurrentImageIndex(1);
    model->advanceImageShuffle();
    EventLog log;
    log.attach(*model);

    model->clearImages();
    EXPECT_TRUE(model->imageAssets().empty());
    EXPECT_EQ(model->currentImageIndex(), 0);
    EXPECT_TRUE(model->imageShuffleOrder().empty());
    EXPECT_EQ(model->imageShufflePosition(), 0);
    EXPECT_EQ(model->imageStatus(), "");
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::gradient);
    EXPECT_EQ(model->selectedTab(), NotchTab::shape);
    EXPECT_EQ(log.events, (Events{"imageAssets", "currentImageIndex", "imageStatus", "wallpaperSource",
                                  "selectedTab", "grainGradientActive", "onLayoutChange", "onLayoutChange"}));
}

}  // namespace
}  // namespace glimora
