#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "state/notch_view_model.hpp"
#include "tests/render/image_fixtures.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using nlohmann::json;
using test::ModelHarness;

TEST(StartUp, FirstRunWithEmptyPreferences) {
    ModelHarness harness;
    const auto model = harness.make();
    EXPECT_EQ(model->notchPlacement(), NotchPlacement::top);
    EXPECT_EQ(model->customSideExpandedWidth(), std::nullopt);
    EXPECT_TRUE(model->pinnedProperties().empty());
    EXPECT_EQ(model->outputFolderURL(), std::nullopt);
    EXPECT_TRUE(model->recipeHistory().empty());
    EXPECT_EQ(harness.libraryLoads, 1);
    // The placement observer saw no change, so nothing was written.
    EXPECT_TRUE(harness.preferences->writes.empty());
    EXPECT_FALSE(harness.preferences->value("notchPlacement"));
}

TEST(StartUp, StoredPlacementIsUsedAndWrittenBackUnchanged) {
    ModelHarness harness;
    harness.preferences->setValue("notchPlacement", "left");
    harness.preferences->writes.clear();
    const auto model = harness.make();
    EXPECT_EQ(model->notchPlacement(), NotchPlacement::left);
    EXPECT_EQ(harness.preferences->stringValue("notchPlacement"), "left");
    EXPECT_EQ(harness.preferences->writes, std::vector<std::string>{"notchPlacement"});
}

TEST(StartUp, UnknownOrWrongTypedPlacementStartsAtTopAndLeavesTheStoreAlone) {
    for (const json& stored : {json("Left"), json("middle"), json(""), json(2), json(true), json::array({"left"}),
                               json(nullptr)}) {
        ModelHarness harness;
        harness.preferences->setValue("notchPlacement", stored);
        harness.preferences->writes.clear();
        const auto model = harness.make();
        EXPECT_EQ(model->notchPlacement(), NotchPlacement::top) << stored.dump();
        EXPECT_EQ(harness.preferences->value("notchPlacement"), stored);
        EXPECT_TRUE(harness.preferences->writes.empty()) << stored.dump();
    }
}

TEST(StartUp, SideWidthMustBeAPositiveFiniteNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const json& stored : {json(0.0), json(-40.0), json(inf), json(-inf), json(nan), json("420"), json(true),
                               json::object()}) {
        ModelHarness harness;
        harness.preferences->setValue("sideExpandedWidth", stored);
        EXPECT_EQ(harness.make()->customSideExpandedWidth(), std::nullopt) << stored.dump();
    }
    for (const auto& [stored, expected] : {std::pair{json(420.5), 420.5}, std::pair{json(400), 400.0},
                                           std::pair{json(5000.0), 5000.0}}) {
        ModelHarness harness;
        harness.preferences->setValue("sideExpandedWidth", stored);
        // Stored as it is; the panel geometry clamps it when used.
        EXPECT_EQ(harness.make()->customSideExpandedWidth(), expected);
    }
}

TEST(StartUp, PinsAreStringsNamingShuffleProperties) {
    const auto pinsFrom = [](const json& stored) {
        ModelHarness harness;
        harness.preferences->setValue("pinnedShuffleProperties", stored);
        return harness.make()->pinnedProperties();
    };
    using Pins = std::set<ShuffleProperty>;
    EXPECT_EQ(pinsFrom({"shape", "palette", "unknown"}), (Pins{ShuffleProperty::shape, ShuffleProperty::palette}));
    EXPECT_EQ(pinsFrom({"warp", "warp"}), Pins{ShuffleProperty::warp});
    EXPECT_EQ(pinsFrom({"Shape"}), Pins{});
    // One element of another type discards the whole list.
    EXPECT_EQ(pinsFrom({"shape", 3}), Pins{});
    EXPECT_EQ(pinsFrom({"shape", nullptr}), Pins{});
    EXPECT_EQ(pinsFrom("shape"), Pins{});
    EXPECT_EQ(pinsFrom(json::object({{"shape", true}})), Pins{});
    EXPECT_EQ(pinsFrom(json::array()), Pins{});
}

TEST(StartUp, OutputFolderFromItsBookmark) {
    ModelHarness harness;
    harness.preferences->setValue("outputFolderBookmark", "bookmark-1");
    harness.bookmarks->resolutions["bookmark-1"] = {"/home/user/Walls", false};
    harness.preferences->writes.clear();
    const auto model = harness.make();
    EXPECT_EQ(model->outputFolderURL(), std::filesystem::path("/home/user/Walls"));
    EXPECT_TRUE(harness.preferences->writes.empty());
}

TEST(StartUp, StaleBookmarkIsReplacedAndTheFolderStillUsed) {
    ModelHarness harness;
    harness.preferences->setValue("outputFolderBookmark", "old");
    harness.bookmarks->resolutions["old"] = {"/media/Walls", true};
    EXPECT_EQ(harness.make()->outputFolderURL(), std::filesystem::path("/media/Walls"));
    EXPECT_EQ(harness.preferences->stringValue("outputFolderBookmark"), "fresh:/media/Walls");

    ModelHarness failing;
    failing.preferences->setValue("outputFolderBookmark", "old");
    failing.bookmarks->resolutions["old"] = {"/media/Walls", true};
    failing.bookmarks->failCreation = true;
    EXPECT_EQ(failing.make()->outputFolderURL(), std::filesystem::path("/media/Walls"));
    EXPECT_EQ(failing.preferences->stringValue("outputFolderBookmark"), "old");
}

TEST(StartUp, UnresolvableOrWrongTypedBookmarkGivesNoFolder) {
    for (const json& stored : {json("unknown"), json(12), json::array({1, 2, 3})}) {
        ModelHarness harness;
        harness.preferences->setValue("outputFolderBookmark", stored);
        harness.preferences->writes.clear();
        EXPECT_EQ(harness.make()->outputFolderURL(), std::nullopt) << stored.dump();
        EXPECT_EQ(harness.preferences->value("outputFolderBookmark"), stored);
        EXPECT_TRUE(harness.preferences->writes.empty());
    }
}

TEST(StartUp, PathBookmarksRoundTripAFolder) {
    const PathBookmarks bookmarks;
    const auto data = bookmarks.bookmarkData("/srv/exports/../walls");
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, "/srv/walls");
    const auto resolved = bookmarks.resolve(*data);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->url, std::filesystem::path("/srv/walls"));
    EXPECT_FALSE(resolved->isStale);
    EXPECT_FALSE(bookmarks.resolve("relative/folder"));
    EXPECT_FALSE(bookmarks.resolve(""));
    EXPECT_FALSE(bookmarks.bookmarkData(""));
}

TEST(StartUp, LibraryIsLoadedOnceAndTheStartDesignEntersTheShuffleHistory) {
    ModelHarness harness;
    DesignRecipe recipe;
    recipe.name = "Saved";
    harness.library = {recipe, recipe};
    const auto model = harness.make();
    EXPECT_EQ(harness.libraryLoads, 1);
    ASSERT_EQ(model->recipeHistory().size(), 2u);
    EXPECT_EQ(model->recipeHistory()[0].name, "Saved");
    EXPECT_TRUE(model->gradientShuffleHistory().contains(model->gradientSignature()));
}

TEST(StartUp, EveryPreferenceTogether) {
    ModelHarness harness;
    harness.preferences->setValue("notchPlacement", "right");
    harness.preferences->setValue("sideExpandedWidth", 480.25);
    harness.preferences->setValue("pinnedShuffleProperties", {"imageCellGap", "angle"});
    harness.preferences->setValue("outputFolderBookmark", "b");
    harness.bookmarks->resolutions["b"] = {"/tmp/out", false};
    const auto model = harness.make();
    EXPECT_EQ(model->notchPlacement(), NotchPlacement::right);
    EXPECT_EQ(model->customSideExpandedWidth(), 480.25);
    EXPECT_EQ(model->pinnedProperties(),
              (std::set<ShuffleProperty>{ShuffleProperty::imageCellGap, ShuffleProperty::angle}));
    EXPECT_EQ(model->outputFolderURL(), std::filesystem::path("/tmp/out"));
}

TEST(StartUp, SavedPinsAreSortedRawValues) {
    ModelHarness harness;
    auto model = harness.make();
    model->setPinnedProperties({ShuffleProperty::warp, ShuffleProperty::angle, ShuffleProperty::imagePixelSize,
                                ShuffleProperty::centerX});
    model->savePinnedProperties();
    EXPECT_EQ(harness.preferences->value("pinnedShuffleProperties"),
              json({"angle", "centerX", "imagePixelSize", "warp"}));
    // And a model made from them reads the same pins back.
    EXPECT_EQ(harness.make()->pinnedProperties(), model->pinnedProperties());
}

TEST(Teardown, PendingStatusResetsAreCancelledAndNothingRunsAfter) {
    ModelHarness harness;
    auto model = harness.make();
    model->setExportStatus("Saved");
    model->scheduleStatusReset(NotchViewModel::StatusField::exportStatus);
    model->setCopyStatus("Copied");
    model->scheduleStatusReset(NotchViewModel::StatusField::copyStatus);
    const TaskHandle exportReset = model->exportStatusResetTask();
    const TaskHandle copyReset = model->copyStatusResetTask();
    EXPECT_EQ(harness.scheduler->pendingDelayed(), 2u);
    const auto writesBefore = harness.preferences->writes;

    model.reset();
    EXPECT_TRUE(exportReset.isCancelled());
    EXPECT_TRUE(copyReset.isCancelled());
    // Running the queue would touch freed memory if anything still reached the model.
    harness.scheduler->advance(10);
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(harness.scheduler->delayedRun(), 2u);
    EXPECT_EQ(harness.preferences->writes, writesBefore);
}

TEST(Teardown, DialogCompletionAfterTheModelIsGoneDoesNothing) {
    test::TempDir folder;
    const auto picture = folder.path() / "picture.png";
    const auto png = test::encodeRgbaPng(4, 3, [](int, int) { return std::array<std::uint8_t, 4>{10, 20, 30, 255}; });
    test::writeFile(picture, std::string(png.begin(), png.end()));

    // With the model alive the same completion reads and decodes the file,
    // so the check below is on a path that really runs.
    {
        ModelHarness harness;
        int decodes = 0;
        harness.decoder = [&decodes](std::span<const std::uint8_t> data, int size,
                                      DecodeNotes*) -> std::optional<PixelImageBuffer> {
            ++decodes;
            return PixelImageBuffer::load(data, size);
        };
        auto model = harness.make();
        model->chooseShaderSource();
        harness.dialogs->completeOpen({picture});
        EXPECT_EQ(harness.scheduler->pendingBackground(), 1u);
        harness.scheduler->runUntilIdle();
        EXPECT_EQ(decodes, 1);
        EXPECT_NE(model->shaderStatus(), "Could not read that file");
    }

    ModelHarness harness;
    harness.decoder = [](std::span<const std::uint8_t>, int, DecodeNotes*) -> std::optional<PixelImageBuffer> {
        ADD_FAILURE() << "decoded for a model that no longer exists";
        return std::nullopt;
    };
    auto model = harness.make();
    model->chooseShaderSource();
    model.reset();
    harness.dialogs->completeOpen({picture});
    EXPECT_EQ(harness.scheduler->pendingBackground(), 0u);
    EXPECT_EQ(harness.scheduler->pendingPosted(), 0u);
    harness.scheduler->runUntilIdle();
}

TEST(StatusReset, ReturnsToTheRestingTextAfterItsDelayAndANewerStatusGetsAFullDelay) {
    ModelHarness harness;
    auto model = harness.make();
    model->setCopyStatus("Copied");
    model->scheduleStatusReset(NotchViewModel::StatusField::copyStatus);
    EXPECT_EQ(harness.scheduler->delays(), std::vector<double>{1.5});
    harness.scheduler->advance(1.4);
    EXPECT_EQ(model->copyStatus(), "Copied");
    harness.scheduler->advance(0.1);
    EXPECT_EQ(model->copyStatus(), "Copy");

    model->setExportStatus("Saved");
    model->scheduleStatusReset(NotchViewModel::StatusField::exportStatus);
    harness.scheduler->advance(1.875);
    model->setExportStatus("Try again");
    model->scheduleStatusReset(NotchViewModel::StatusField::exportStatus);
    harness.scheduler->advance(1.875);
    EXPECT_EQ(model->exportStatus(), "Try again");
    harness.scheduler->advance(0.125);
    EXPECT_EQ(model->exportStatus(), "Export");
}

}  // namespace
}  // namespace glimora
