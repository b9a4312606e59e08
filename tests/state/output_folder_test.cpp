#include <gtest/gtest.h>

#include "state/notch_view_model.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::ModelHarness;

TEST(OutputFolder, PanelAsksForOneFolderStartingInDownloadsThenInTheOutputFolder) {
    test::TempDir root;
    ModelHarness harness;
    harness.paths = std::make_shared<FixedPaths>(root.path());
    const auto model = harness.make();

    model->chooseOutputFolder();
    ASSERT_EQ(harness.dialogs->openRequests.size(), 1u);
    const auto& first = harness.dialogs->openRequests[0];
    EXPECT_FALSE(first.canChooseFiles);
    EXPECT_TRUE(first.canChooseDirectories);
    EXPECT_FALSE(first.allowsMultipleSelection);
    EXPECT_EQ(first.prompt, "Choose Output Folder");
    EXPECT_EQ(first.message, "Choose where exported wallpapers should be saved.");
    EXPECT_EQ(first.directory, root.path() / "Downloads");

    const auto chosen = root.path() / "Walls";
    std::filesystem::create_directories(chosen);
    std::vector<std::filesystem::path> completed;
    model->chooseOutputFolder([&](const std::filesystem::path& folder) { completed.push_back(folder); });
    harness.dialogs->completeOpen({});  // the first panel was cancelled: nothing changes
    EXPECT_EQ(model->outputFolderURL(), std::nullopt);
    EXPECT_FALSE(harness.preferences->value("outputFolderBookmark"));
    harness.dialogs->completeOpen({chosen});
    EXPECT_EQ(model->outputFolderURL(), chosen);
    EXPECT_EQ(harness.preferences->stringValue("outputFolderBookmark"), "fresh:" + chosen.string());
    EXPECT_EQ(completed, std::vector<std::filesystem::path>{chosen});
    EXPECT_EQ(model->exportStatus(), "Export");

    model->chooseOutputFolder();
    EXPECT_EQ(harness.dialogs->openRequests.back().directory, chosen);
    // A folder deleted since is kept but no longer offered as the start.
    std::filesystem::remove(chosen);
    model->chooseOutputFolder();
    EXPECT_EQ(harness.dialogs->openRequests.back().directory, root.path() / "Downloads");
    EXPECT_EQ(model->outputFolderURL(), chosen);
    EXPECT_EQ(model->validOutputFolderURL(), std::nullopt);
}

TEST(OutputFolder, FailedBookmarkAsksAgainAndStoresNothing) {
    ModelHarness harness;
    harness.bookmarks->failCreation = true;
    const auto model = harness.make();
    bool completed = false;
    model->chooseOutputFolder([&](const std::filesystem::path&) { completed = true; });
    harness.dialogs->completeOpen({"/srv/walls"});
    EXPECT_EQ(model->exportStatus(), "Choose folder again");
    EXPECT_EQ(model->outputFolderURL(), std::nullopt);
    EXPECT_FALSE(harness.preferences->value("outputFolderBookmark"));
    EXPECT_FALSE(completed);
    EXPECT_EQ(harness.scheduler->pendingDelayed(), 0u);  // no reset for this status
}

TEST(OutputFolder, PanelEndingAfterTheModelIsGoneDoesNothing) {
    ModelHarness harness;
    auto model = harness.make();
    model->chooseOutputFolder();
    model.reset();
    harness.dialogs->completeOpen({"/srv/walls"});
    EXPECT_FALSE(harness.preferences->value("outputFolderBookmark"));
}

}  // namespace
}  // namespace glimora
