#include "saver/screen_saver_settings.hpp"

#include <gtest/gtest.h>

#include "platform/paths.hpp"
#include "tests/support/platform_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora::test {
namespace {

TEST(SaverSettingsFile, LivesUnderTheConfigFolderNamedAfterTheModule) {
    const FixedPaths paths(std::filesystem::path("/x"));
    EXPECT_EQ(screenSaverSettingsFile(paths),
              std::filesystem::path("/x/config/ombriq/com.kestrune.app.murmel.glimora.screensaver.json"));
    EXPECT_FALSE(screenSaverSettingsFile(FixedPaths(std::nullopt)).has_value());
}

TEST(SaverSettingsFile, ANewInstallationHasTheDefaults) {
    TempDir temp;
    ScreenSaverDefaults defaults(temp.path() / "s.json", nullptr);
    EXPECT_EQ(loadScreenSaverSettings(defaults), (ScreenSaverSettings{90, false, true}));
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "s.json"));  // reading writes nothing
}

TEST(SaverSettingsFile, SavedValuesReadBackInAnotherProcess) {
    TempDir temp;
    const auto file = temp.path() / "ombriq" / "s.json";
    ScreenSaverDefaults writer(file, nullptr);
    saveScreenSaverSettings(writer, 180, true, false);
    ScreenSaverDefaults reader(file, nullptr);
    EXPECT_EQ(loadScreenSaverSettings(reader), (ScreenSaverSettings{180, true, false}));
    const auto text = readFile(file);
    const auto json = nlohmann::json::parse(text.begin(), text.end());
    EXPECT_EQ(json.at("artworkInterval"), 180.0);
    EXPECT_EQ(json.at("favoritesOnly"), true);
    EXPECT_EQ(json.at("animateArtwork"), false);
    // Only the file itself: the write went through a temporary renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST(SaverSettingsFile, ARunningSaverSeesAChangeMadeByTheDialog) {
    TempDir temp;
    const auto file = temp.path() / "s.json";
    ScreenSaverDefaults running(file, nullptr);
    EXPECT_EQ(artworkInterval(running, false), 90);
    ScreenSaverDefaults dialog(file, nullptr);
    saveScreenSaverSettings(dialog, 30, false, true);
    EXPECT_EQ(artworkInterval(running, false), 30);
    saveScreenSaverSettings(dialog, 600, false, false);
    EXPECT_EQ(artworkInterval(running, false), 600);
    EXPECT_FALSE(animateArtwork(running));
}

TEST(SaverSettingsFile, AFileThatIsNoJsonObjectReadsAsTheDefaultsAndIsReportedAsTheSavers) {
    TempDir temp;
    const auto file = temp.path() / "s.json";
    writeFile(file, "[1, 2");
    auto logger = std::make_shared<RecordingLogger>();
    ScreenSaverDefaults defaults(file, logger);
    EXPECT_EQ(loadScreenSaverSettings(defaults), (ScreenSaverSettings{90, false, true}));
    ASSERT_EQ(logger->lines.size(), 1u);
    EXPECT_TRUE(
        logger->lines[0].starts_with("Ombriq screen saver settings could not be read (not JSON); moved them to"))
        << logger->lines[0];
    writeFile(temp.path() / "t.json", R"({"artworkInterval": "often", "favoritesOnly": 1, "animateArtwork": false})");
    ScreenSaverDefaults odd(temp.path() / "t.json", nullptr);
    EXPECT_EQ(loadScreenSaverSettings(odd), (ScreenSaverSettings{10, false, false}));
}

}  // namespace
}  // namespace glimora::test
