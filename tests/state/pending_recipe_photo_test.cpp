// Library entries whose photo PNG is still being made in the background: what
// opening or exporting them does must not depend on whether the encode ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/recipe_json.hpp"
#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::EventLog;
using test::ModelHarness;

// Opaque and varied, so a photo that came back wrong would show it.
PixelImageBuffer photo(std::int64_t width, std::int64_t height) {
    std::vector<std::uint8_t> rgba;
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x)
            rgba.insert(rgba.end(), {std::uint8_t(x * 23), std::uint8_t(y * 41), std::uint8_t(x * y), 255});
    return {width, height, std::make_shared<const std::vector<std::uint8_t>>(std::move(rgba))};
}

struct PhotoHarness : ModelHarness {
    int decodes = 0;
    PhotoHarness() {
        decoder = [this](std::span<const std::uint8_t> data, int maxPixelSize,
                         DecodeNotes*) -> std::optional<PixelImageBuffer> {
            ++decodes;
            return PixelImageBuffer::load(data, maxPixelSize);
        };
    }
};

// A model showing pic.png, cropped, as an image wallpaper.
std::unique_ptr<NotchViewModel> photoModel(ModelHarness& harness, const PixelImageBuffer& picture) {
    auto model = harness.make();
    model->setImageAssets({{Uuid{}, "pic.png", picture, picture, ImageCrop{0.3, 0.7, 1.5}}});
    model->setWallpaperSource(WallpaperSource::image);
    return model;
}

// Everything opening a recipe can change, and the notifications on the way.
struct Outcome {
    std::vector<std::string> events;
    WallpaperSource wallpaperSource{};
    std::string imageStatus;
    std::string recipeStatus;
    std::string recipeName;
    std::optional<Uuid> activeRecipeID;
    int currentImageIndex = 0;
    std::vector<std::string> assetNames;
    std::vector<std::vector<std::uint8_t>> assetPixels;
    std::vector<ImageCrop> assetCrops;

    friend bool operator==(const Outcome&, const Outcome&) = default;
};

Outcome outcomeOf(const NotchViewModel& model, std::vector<std::string> events) {
    Outcome o;
    o.events = std::move(events);
    o.wallpaperSource = model.wallpaperSource();
    o.imageStatus = model.imageStatus();
    o.recipeStatus = model.recipeStatus();
    o.recipeName = model.recipeName();
    o.activeRecipeID = model.activeRecipeID();
    o.currentImageIndex = model.currentImageIndex();
    for (const auto& asset : model.imageAssets()) {
        o.assetNames.push_back(asset.fileName);
        const auto bytes = asset.buffer.bytes();
        o.assetPixels.emplace_back(bytes.begin(), bytes.end());
        o.assetCrops.push_back(asset.crop);
    }
    return o;
}

enum class Encode { before, after };

// Saves the photo design, removes the photos (or not), and opens the new
// entry with the background encode either finished or not yet started.
Outcome openSavedPhoto(Encode encode, bool removePhotos, const PixelImageBuffer& picture = photo(7, 5)) {
    PhotoHarness harness;
    const auto model = photoModel(harness, picture);
    model->saveToLibrary("Pic");
    EXPECT_FALSE(model->recipeHistory().front().image->pngData.has_value()) << "made in the background";
    if (removePhotos) model->clearImages();
    if (encode == Encode::before) {
        harness.scheduler->runUntilIdle();
        EXPECT_EQ(model->recipeHistory().front().image->pngData, picture.pngData());
    }
    EventLog log;
    log.attach(*model);
    model->openRecipe(model->recipeHistory().front());
    Outcome outcome = outcomeOf(*model, log.events);

    // The entry still gets its bytes, and only the once.
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->recipeHistory().size(), 1u);
    EXPECT_EQ(model->recipeHistory().front().image->pngData, picture.pngData());
    return outcome;
}

TEST(PendingRecipePhoto, OpeningAfterThePhotosWereRemovedRestoresThePhotoAsAfterTheEncode) {
    const PixelImageBuffer picture = photo(7, 5);
    const Outcome encoded = openSavedPhoto(Encode::before, true, picture);
    const Outcome pending = openSavedPhoto(Encode::after, true, picture);
    EXPECT_EQ(pending, encoded);

    EXPECT_EQ(pending.imageStatus, "Restored from recipe");
    EXPECT_EQ(pending.wallpaperSource, WallpaperSource::image);
    EXPECT_EQ(pending.recipeStatus, "Opened Pic");
    EXPECT_EQ(pending.assetNames, std::vector<std::string>{"pic.png"});
    ASSERT_EQ(pending.assetPixels.size(), 1u);
    const auto bytes = picture.bytes();
    EXPECT_EQ(pending.assetPixels.front(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(pending.assetCrops.front().centerX, 0.3);
    EXPECT_EQ(pending.assetCrops.front().zoom, 1.5);
}

TEST(PendingRecipePhoto, OpeningWithThePhotoStillLoadedRestoresFromTheRecipe) {
    const Outcome encoded = openSavedPhoto(Encode::before, false);
    const Outcome pending = openSavedPhoto(Encode::after, false);
    EXPECT_EQ(pending, encoded);
    EXPECT_EQ(pending.imageStatus, "Restored from recipe");
}

TEST(PendingRecipePhoto, APhotoWithTransparencyComesBackAsItsPngDecodes) {
    // The decoder lays transparency over white: the restored photo is what
    // the PNG decodes to, not the pixels it was made from.
    const PixelImageBuffer translucent = test::solidImage(6, 4);
    const Outcome encoded = openSavedPhoto(Encode::before, true, translucent);
    const Outcome pending = openSavedPhoto(Encode::after, true, translucent);
    EXPECT_EQ(pending, encoded);
    ASSERT_EQ(pending.assetPixels.size(), 1u);
    EXPECT_NE(pending.assetPixels.front(), std::vector<std::uint8_t>(translucent.rgba->begin(), translucent.rgba->end()));
}

TEST(PendingRecipePhoto, PixelsThatCannotBeEncodedFallBackAlikeEitherWay) {
    // Too few bytes for the size: no PNG ever comes, before or after.
    PixelImageBuffer broken = photo(7, 5);
    broken.height = 50;
    for (const bool removePhotos : {true, false}) {
        const Outcome encoded = openSavedPhoto(Encode::before, removePhotos, broken);
        const Outcome pending = openSavedPhoto(Encode::after, removePhotos, broken);
        EXPECT_EQ(pending, encoded);
        EXPECT_EQ(pending.imageStatus,
                  removePhotos ? "Import pic.png to restore this image" : "Restored from current images");
    }
}

TEST(PendingRecipePhoto, ACopyTakenBeforeTheEncodeOpensLikeTheEntryAfterIt) {
    PhotoHarness harness;
    const PixelImageBuffer picture = photo(9, 3);
    const auto model = photoModel(harness, picture);
    const DesignRecipe returned = model->saveToLibrary("Pic");
    model->setHue(model->hue() + 10);
    model->recordHistory();  // another design in front of the saved one
    ASSERT_EQ(model->recipeHistory().size(), 2u);
    harness.scheduler->runUntilIdle();
    ASSERT_FALSE(returned.image->pngData.has_value());
    model->clearImages();

    model->openRecipe(returned);
    EXPECT_EQ(model->imageStatus(), "Restored from recipe");
    ASSERT_EQ(model->imageAssets().size(), 1u);
    EXPECT_EQ(*model->imageAssets().front().buffer.rgba, *picture.rgba);

    // A recipe that only looks like the entry has no claim on its bytes.
    model->clearImages();
    DesignRecipe stranger = returned;
    stranger.id = Uuid{};
    model->openRecipe(stranger);
    EXPECT_EQ(model->imageStatus(), "Import pic.png to restore this image");
    model->clearImages();
    DesignRecipe changed = returned;
    changed.image->cropZoom = 2;
    model->openRecipe(changed);
    EXPECT_EQ(model->imageStatus(), "Import pic.png to restore this image");
}

class PendingRecipePhotoExport : public ::testing::Test {
protected:
    test::TempDir dir;
    PhotoHarness harness;
    PixelImageBuffer picture = photo(6, 6);
    std::unique_ptr<NotchViewModel> model = photoModel(harness, picture);

    DesignRecipe written(const std::string& name) {
        const auto bytes = test::readFile(dir.path() / name);
        return decodeRecipeDocument(std::string(bytes.begin(), bytes.end()));
    }
};

TEST_F(PendingRecipePhotoExport, AnEntryExportedBeforeItsEncodeIsWrittenWithItsPng) {
    model->saveToLibrary("Pic");
    const DesignRecipe entry = model->recipeHistory().front();
    ASSERT_FALSE(entry.image->pngData.has_value());

    // The panel closes before the background has started: the PNG is made then.
    model->exportRecipe(entry);
    harness.dialogs->completeSave(dir.path() / "early.ombriq");
    // The panel closes after the encode ended.
    model->exportRecipe(entry);
    harness.scheduler->runUntilIdle();
    harness.dialogs->completeSave(dir.path() / "late.ombriq");
    // A copy taken before the encode, exported after it.
    model->exportRecipe(entry);
    harness.dialogs->completeSave(dir.path() / "copy.ombriq");

    for (const char* name : {"early.ombriq", "late.ombriq", "copy.ombriq"}) {
        const DesignRecipe document = written(name);
        EXPECT_EQ(document.image->pngData, picture.pngData()) << name;
        EXPECT_EQ(document, model->recipeHistory().front()) << name;
    }
    EXPECT_EQ(model->recipeStatus(), "Exported recipe");
}

TEST_F(PendingRecipePhotoExport, ARecipeWithoutPhotoBytesOfItsOwnIsWrittenAsItIs) {
    model->saveToLibrary("Pic");
    harness.scheduler->runUntilIdle();
    DesignRecipe bare = model->makeRecipe("Bare", false);
    model->exportRecipe(bare);
    harness.dialogs->completeSave(dir.path() / "bare.ombriq");
    EXPECT_EQ(written("bare.ombriq"), bare);
    EXPECT_FALSE(written("bare.ombriq").image->pngData.has_value());
}

}  // namespace
}  // namespace glimora
