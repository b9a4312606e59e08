#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "model/palette.hpp"
#include "render/image_pixelizer.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::ModelHarness;
using Texts = std::vector<std::string>;

struct PngSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    friend bool operator==(const PngSize&, const PngSize&) = default;
};

// The size in a PNG's header; zeros when the bytes do not start as a PNG.
template <class Bytes>
PngSize pngSize(const Bytes& bytes) {
    static constexpr unsigned char start[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                              0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (bytes.size() < 24 || !std::equal(std::begin(start), std::end(start), bytes.begin())) return {};
    const auto read32 = [&bytes](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value << 8 | std::uint8_t(bytes[at + i]);
        return value;
    };
    return {read32(16), read32(20)};
}

std::string text(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Every value exportStatus or copyStatus takes, in order.
struct StatusLog {
    Texts exportStatus;
    Texts copyStatus;
    void attach(NotchViewModel& model) {
        model.onChange([this, &model](NotchViewModel::Prop prop) {
            if (prop == NotchViewModel::Prop::exportStatus) exportStatus.push_back(model.exportStatus());
            if (prop == NotchViewModel::Prop::copyStatus) copyStatus.push_back(model.copyStatus());
        });
    }
};

TEST(Export, PngAtFourKIsRenderedAndWrittenInTheBackground) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    ASSERT_EQ(model->exportResolution(), ExportResolution::fourK);
    const auto file = dir.path() / "wall.png";

    model->exportWallpaper(file);
    EXPECT_EQ(model->exportStatus(), "Exporting\u2026");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(harness.scheduler->pendingBackground(), 1u);
    harness.scheduler->runBackground();
    EXPECT_EQ(model->exportStatus(), "Exporting\u2026");  // the outcome waits for the main thread
    harness.scheduler->runPosted();

    EXPECT_EQ(model->exportStatus(), "Saved");
    EXPECT_EQ(pngSize(test::readFile(file)), (PngSize{3840, 2160}));
    EXPECT_EQ(folderEntries(dir.path()), Texts{"wall.png"});
    EXPECT_TRUE(harness.logger->lines.empty());
}

TEST(Export, SvgOfAGradientAndOfAPhotoDesign) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportFormat(ExportFormat::svg);
    model->setExportResolution(ExportResolution::hd);
    model->exportWallpaper(dir.path() / "wall.svg");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->exportStatus(), "Saved");
    const std::string gradient = text(dir.path() / "wall.svg");
    EXPECT_TRUE(gradient.starts_with("<svg ")) << gradient.substr(0, 40);
    EXPECT_NE(gradient.find("viewBox=\"0 0 1920 1080\""), std::string::npos);

    // A photo design writes the pixelized photo's document at the export size.
    PixelImageBuffer photo = test::solidImage(12, 8);
    model->setImageAssets({{Uuid{}, "sea.png", photo, photo, ImageCrop{0.4, 0.6, 1.5}}});
    model->setWallpaperSource(WallpaperSource::image);
    model->setExportResolution(ExportResolution::fourK);
    const WallpaperExportSettings snapshot = makeExportSettings(*model);
    model->exportWallpaper(dir.path() / "photo.svg");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(text(dir.path() / "photo.svg"),
              ImagePixelizer::renderSVG(12, 8, photo.bytes(), snapshot.imageSettings, 3840, 2160));
}

TEST(Export, SnapshotIsTakenWhenTheExportStarts) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);
    model->exportWallpaper(dir.path() / "wall.png");
    model->setExportResolution(ExportResolution::fourK);
    model->setPaletteIndex(3);
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(pngSize(test::readFile(dir.path() / "wall.png")), (PngSize{1920, 1080}));
}

TEST(Export, OnlyTheNewerOfTwoQuickExportsSetsTheStatus) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);
    StatusLog log;
    log.attach(*model);

    // Both files are written; the status is the second export's alone.
    model->exportWallpaper(dir.path() / "first.png");
    model->exportWallpaper(dir.path() / "second.png");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(log.exportStatus, (Texts{"Exporting\u2026", "Exporting\u2026", "Saved"}));
    EXPECT_EQ(folderEntries(dir.path()), (Texts{"first.png", "second.png"}));

    // The first has written its file when the second starts; the second's
    // failure is the outcome shown.
    log.exportStatus.clear();
    model->exportWallpaper(dir.path() / "third.png");
    harness.scheduler->runBackground();
    model->exportWallpaper(dir.path() / "missing" / "fourth.png");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(log.exportStatus, (Texts{"Exporting\u2026", "Exporting\u2026", "Try again"}));
    EXPECT_EQ(folderEntries(dir.path()), (Texts{"first.png", "second.png", "third.png"}));
    EXPECT_EQ(harness.logger->lines.size(), 1u);
}

// Runs background work newest first: an older export finishing last.
class NewestFirstScheduler final : public Scheduler {
public:
    void post(std::function<void()> work) override { posted.push_back(std::move(work)); }
    void background(std::function<void()> work) override { pending.push_back(std::move(work)); }
    void run() {
        while (!pending.empty()) {
            auto work = std::move(pending.back());
            pending.pop_back();
            work();
        }
        for (auto& work : posted) work();
        posted.clear();
    }
    std::vector<std::function<void()>> pending, posted;

protected:
    void postAfter(double, std::function<void()>) override {}
};

TEST(Export, AnOlderExportFinishingLastNeverReplacesANewerFile) {
    test::TempDir dir;
    ModelHarness harness;
    NotchViewModel::Services services = harness.services();
    const auto scheduler = std::make_shared<NewestFirstScheduler>();
    services.scheduler = scheduler;
    NotchViewModel model(services);
    const auto file = dir.path() / "wall.svg";
    model.setExportFormat(ExportFormat::svg);
    model.setExportResolution(ExportResolution::hd);
    model.exportWallpaper(file);
    model.setExportResolution(ExportResolution::fourK);
    model.exportWallpaper(file);
    scheduler->run();
    EXPECT_EQ(model.exportStatus(), "Saved");
    EXPECT_NE(text(file).find("viewBox=\"0 0 3840 2160\""), std::string::npos);
    EXPECT_EQ(folderEntries(dir.path()), Texts{"wall.svg"});
}

TEST(Export, StatusesReturnToRestAfterExactlyTheirDelays) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);
    model->exportWallpaper(dir.path() / "wall.png");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(harness.scheduler->delays(), std::vector<double>{2.0});
    harness.scheduler->advance(1.75);
    EXPECT_EQ(model->exportStatus(), "Saved");
    harness.scheduler->advance(0.25);
    EXPECT_EQ(model->exportStatus(), "Export");

    model->copyToPasteboard();
    EXPECT_EQ(model->copyStatus(), "Copied");
    EXPECT_EQ(harness.scheduler->delays(), std::vector<double>{1.5});
    harness.scheduler->advance(1.25);
    EXPECT_EQ(model->copyStatus(), "Copied");
    harness.scheduler->advance(0.25);
    EXPECT_EQ(model->copyStatus(), "Copy");

    // A newer outcome gets the full delay: the earlier reset never fires.
    model->exportWallpaper(dir.path() / "wall.png");
    harness.scheduler->runUntilIdle();
    harness.scheduler->advance(1.875);
    model->exportWallpaper(dir.path() / "wall.png");
    EXPECT_EQ(model->exportStatus(), "Exporting\u2026");
    harness.scheduler->advance(0.5);
    EXPECT_EQ(model->exportStatus(), "Exporting\u2026");  // no reset while exporting
    harness.scheduler->runUntilIdle();
    harness.scheduler->advance(1.75);
    EXPECT_EQ(model->exportStatus(), "Saved");
    harness.scheduler->advance(0.25);
    EXPECT_EQ(model->exportStatus(), "Export");
}

TEST(Export, UnwritableFolderSaysTryAgainAndLogsOneLine) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);
    // Under a regular file: no one, root included, can create anything there.
    test::writeFile(dir.path() / "plain", "x");
    const auto file = dir.path() / "plain" / "wall.png";

    model->exportWallpaper(file);
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->exportStatus(), "Try again");
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    const std::string prefix = "Chromafold export failed at " + file.string() + ": ";
    EXPECT_TRUE(harness.logger->lines[0].starts_with(prefix)) << harness.logger->lines[0];
    EXPECT_GT(harness.logger->lines[0].size(), prefix.size());
    EXPECT_EQ(harness.scheduler->delays(), std::vector<double>{2.0});
    harness.scheduler->advance(2);
    EXPECT_EQ(model->exportStatus(), "Export");
}

TEST(Export, FailingMidwayLeavesThePreviousFileWhole) {
    test::TempDir dir;
    ModelHarness harness;
    NotchViewModel::Services services = harness.services();
    std::size_t accepted = 0;
    // A disk that fills up after 4 KiB.
    services.writeExport = [&accepted](int fd, const void* data, std::size_t size) -> long {
        if (accepted >= 4096) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t chunk = std::min<std::size_t>(size, 4096 - accepted);
        const long written = long(::write(fd, data, chunk));
        if (written > 0) accepted += std::size_t(written);
        return written;
    };
    NotchViewModel model(services);
    model.setExportResolution(ExportResolution::hd);
    const auto file = dir.path() / "wall.png";
    test::writeFile(file, "the previous wallpaper");

    model.exportWallpaper(file);
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(accepted, 4096u);
    EXPECT_EQ(model.exportStatus(), "Try again");
    EXPECT_EQ(text(file), "the previous wallpaper");
    EXPECT_EQ(folderEntries(dir.path()), Texts{"wall.png"});
    ASSERT_EQ(harness.logger->lines.size(), 1u);
    EXPECT_NE(harness.logger->lines[0].find(std::error_code(ENOSPC, std::generic_category()).message()),
              std::string::npos);
}

TEST(Export, ModelGoneBeforeTheExportRunsWritesNothing) {
    test::TempDir dir;
    ModelHarness harness;
    auto model = harness.make();
    model->exportWallpaper(dir.path() / "wall.png");
    model.reset();
    harness.scheduler->runUntilIdle();
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(Export, CopyIsAlwaysFullHdPng) {
    ModelHarness harness;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::sixK);
    model->copyToPasteboard();
    ASSERT_EQ(harness.clipboard->items.size(), 1u);
    EXPECT_EQ(pngSize(harness.clipboard->items[0]), (PngSize{1920, 1080}));
    EXPECT_EQ(model->copyStatus(), "Copied");
    EXPECT_EQ(model->exportResolution(), ExportResolution::sixK);
}

TEST(Export, SavePanelStartsInTheOutputFolderAndMakesTheChosenFolderTheNewOne) {
    test::TempDir root;
    ModelHarness harness;
    harness.paths = std::make_shared<FixedPaths>(root.path());
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);

    model->exportWithSavePanel();
    ASSERT_EQ(harness.dialogs->saveRequests.size(), 1u);
    const auto& request = harness.dialogs->saveRequests[0];
    EXPECT_TRUE(request.canCreateDirectories);
    EXPECT_FALSE(request.isExtensionHidden);
    EXPECT_EQ(request.allowedTypes, std::vector{FileDialogs::FileType::png});
    EXPECT_EQ(request.suggestedFileName, "ultraviolet-wallpaper.png");
    EXPECT_EQ(request.directory, root.path() / "Downloads");
    EXPECT_EQ(request.prompt, "Export");
    EXPECT_EQ(request.message, "Choose where to save this wallpaper.");
    harness.dialogs->completeSave(std::nullopt);
    EXPECT_EQ(model->exportStatus(), "Export");
    EXPECT_EQ(harness.scheduler->pendingBackground(), 0u);

    const auto walls = root.path() / "Walls";
    std::filesystem::create_directories(walls);
    model->exportWithSavePanel();
    harness.dialogs->completeSave(walls / "mine.png");
    EXPECT_EQ(model->outputFolderURL(), walls);
    EXPECT_EQ(harness.preferences->stringValue("outputFolderBookmark"), "fresh:" + walls.string());
    EXPECT_EQ(model->exportStatus(), "Exporting\u2026");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->exportStatus(), "Saved");
    EXPECT_EQ(pngSize(test::readFile(walls / "mine.png")), (PngSize{1920, 1080}));

    model->setExportFormat(ExportFormat::svg);
    model->setPaletteIndex(25);
    model->exportWithSavePanel();
    EXPECT_EQ(harness.dialogs->saveRequests.back().directory, walls);
    EXPECT_EQ(harness.dialogs->saveRequests.back().suggestedFileName, "sunset-strip-wallpaper.svg");
    EXPECT_EQ(harness.dialogs->saveRequests.back().allowedTypes, std::vector{FileDialogs::FileType::svg});
    model->setPaletteIndex(int(builtInPalettes().size()));
    EXPECT_EQ(model->exportFileName(), "custom-wallpaper.svg");
}

TEST(Export, FolderThatCannotBeRememberedDoesNotStopTheExport) {
    test::TempDir dir;
    ModelHarness harness;
    harness.bookmarks->failCreation = true;
    const auto model = harness.make();
    model->setExportResolution(ExportResolution::hd);
    model->exportWithSavePanel();
    harness.dialogs->completeSave(dir.path() / "wall.png");
    harness.scheduler->runUntilIdle();
    EXPECT_EQ(model->outputFolderURL(), std::nullopt);
    EXPECT_EQ(model->exportStatus(), "Saved");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "wall.png"));
}

TEST(OutputFolderLabel, NamesTheFolderWhileItExists) {
    test::TempDir dir;
    ModelHarness harness;
    const auto model = harness.make();
    EXPECT_EQ(model->outputFolderLabel(), "Choose output folder");
    const auto walls = dir.path() / "Walls";
    std::filesystem::create_directories(walls);
    model->setOutputFolderURL(walls);
    EXPECT_EQ(model->outputFolderLabel(), "Walls");
    model->setOutputFolderURL(walls / "");
    EXPECT_EQ(model->outputFolderLabel(), "Walls");
    model->setOutputFolderURL(std::filesystem::path("/"));
    EXPECT_EQ(model->outputFolderLabel(), "/");
    model->setOutputFolderURL(walls);
    std::filesystem::remove(walls);
    EXPECT_EQ(model->outputFolderLabel(), "Choose output folder");
    EXPECT_EQ(model->outputFolderURL(), walls);
}

}  // namespace
}  // namespace glimora
