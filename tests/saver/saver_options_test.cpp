#include "saver/saver_options.hpp"

#include <gtest/gtest.h>

namespace glimora::test {
namespace {

SaverOptions parse(std::vector<std::string> arguments) { return parseSaverOptions(arguments); }

TEST(SaverOptions, EveryOptionTakesOneDashOrTwo) {
    EXPECT_TRUE(parse({"-root"}).root);
    EXPECT_TRUE(parse({"--root"}).root);
    EXPECT_EQ(parse({"-window-id", "0x2a00007"}).windowId, 0x2a00007u);
    EXPECT_EQ(parse({"--window-id", "44040199"}).windowId, 44040199u);
    EXPECT_EQ(parse({"--display", ":3"}).display, ":3");
    EXPECT_EQ(parse({"-configure"}).mode, SaverOptions::Mode::configure);
    EXPECT_EQ(parse({"--configure"}).mode, SaverOptions::Mode::configure);
    EXPECT_TRUE(parse({"-preview", "--root"}).preview);
    // XScreenSaver's standard options are taken and change nothing.
    const auto standard = parse({"--root", "-fps", "--no-fps", "-install", "--visual", "default"});
    EXPECT_TRUE(standard.root);
    EXPECT_EQ(standard.mode, SaverOptions::Mode::run);
    const auto plain = parse({});
    EXPECT_FALSE(plain.root);
    EXPECT_FALSE(plain.windowId);
    EXPECT_FALSE(plain.offscreen);
}

TEST(SaverOptions, OffscreenRun) {
    const auto options =
        parse({"--offscreen", "320x180", "--frames", "90", "--frame-step", "0.5", "--output", "last.png"});
    ASSERT_TRUE(options.offscreen);
    EXPECT_EQ(options.offscreen->width, 320);
    EXPECT_EQ(options.offscreen->height, 180);
    EXPECT_EQ(options.offscreen->frames, 90);
    EXPECT_EQ(options.offscreen->frameStep, 0.5);
    EXPECT_EQ(options.offscreen->output, std::filesystem::path("last.png"));
    EXPECT_EQ(parse({"--offscreen", "8x8"}).offscreen->frames, 1);
}

TEST(SaverOptions, BadArgumentsAreRefusedWithAReason) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--window-id"},
             {"--window-id", "window"},
             {"--window-id", "0"},
             {"--window-id", "0x"},
             {"--window-id", "12abc"},
             {"--bogus"},
             {"stray"},
             {"--offscreen", "big"},
             {"--offscreen", "0x10"},
             {"--offscreen", "20000x10"},
             {"--frames", "3"},
             {"--offscreen", "8x8", "--frames", "0"},
             {"--offscreen", "8x8", "--frame-step", "-1"},
             {"--offscreen", "8x8", "--frame-step", "nan"},
         }) {
        try {
            parseSaverOptions(arguments);
            ADD_FAILURE() << "accepted: " << ::testing::PrintToString(arguments);
        } catch (const SaverOptionsError& error) {
            EXPECT_FALSE(error.message.empty());
            EXPECT_EQ(error.message.find('\n'), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace glimora::test
