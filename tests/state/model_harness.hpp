// A NotchViewModel wired to fakes, with every service at hand for the test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/paths.hpp"
#include "state/notch_view_model.hpp"
#include "tests/support/platform_fakes.hpp"

namespace glimora::test {

struct ModelHarness {
    std::shared_ptr<RecordingPreferences> preferences = std::make_shared<RecordingPreferences>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<ScriptedRandom> random = std::make_shared<ScriptedRandom>();
    std::shared_ptr<ScriptedRandom> idRandom = std::make_shared<ScriptedRandom>();
    std::shared_ptr<ManualScheduler> scheduler = std::make_shared<ManualScheduler>();
    std::shared_ptr<RecordingFileDialogs> dialogs = std::make_shared<RecordingFileDialogs>();
    std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
    std::shared_ptr<FakeBookmarks> bookmarks = std::make_shared<FakeBookmarks>();
    std::shared_ptr<RecordingLogger> logger = std::make_shared<RecordingLogger>();
    std::shared_ptr<FixedPaths> paths = std::make_shared<FixedPaths>(std::nullopt);
    std::vector<DesignRecipe> library;
    int libraryLoads = 0;
    NotchViewModel::ImageDecoder decoder;

    NotchViewModel::Services services() {
        NotchViewModel::Services result;
        result.preferences = preferences;
        result.clock = clock;
        result.random = random;
        result.idRandom = idRandom;
        result.scheduler = scheduler;
        result.fileDialogs = dialogs;
        result.clipboard = clipboard;
        result.bookmarks = bookmarks;
        result.paths = paths;
        result.logger = logger;
        result.loadRecipeHistory = [this] {
            ++libraryLoads;
            return library;
        };
        result.decodeImage = [this](std::span<const std::uint8_t> data, int maxPixelSize, DecodeNotes* notes) {
            return decoder ? decoder(data, maxPixelSize, notes) : std::nullopt;
        };
        return result;
    }

    std::unique_ptr<NotchViewModel> make() { return std::make_unique<NotchViewModel>(services()); }
};

// Records notifications and callbacks in one list, in the order they happen.
struct EventLog {
    std::vector<std::string> events;

    void attach(NotchViewModel& model) {
        model.onChange([this](NotchViewModel::Prop prop) {
            events.push_back(std::string(NotchViewModel::propName(prop)));
        });
        model.setOnPlacementChange([this] { events.push_back("onPlacementChange"); });
        model.setOnLayoutChange([this] { events.push_back("onLayoutChange"); });
        model.setOnSideWidthChange([this] { events.push_back("onSideWidthChange"); });
    }
};

inline PixelImageBuffer solidImage(std::int64_t width, std::int64_t height) {
    PixelImageBuffer image;
    image.width = width;
    image.height = height;
    const auto size = static_cast<std::size_t>(width * height * 4);
    image.rgba = std::make_shared<const std::vector<std::uint8_t>>(size, std::uint8_t{200});
    return image;
}

}  // namespace glimora::test
