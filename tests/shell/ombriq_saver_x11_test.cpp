// ombriq-saver under a real X server, started the way XScreenSaver 6 starts
// its programs: "ombriq-saver --root" with XSCREENSAVER_WINDOW naming the
// window to draw into.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/recipe_library.hpp"
#include "render/image_decoding.hpp"
#include "tests/saver/saver_fixtures.hpp"

// Xlib last: its None and Bool macros break the headers that follow it.
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using x11test::Clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

DesignRecipe brightRecipe() {
    DesignRecipe recipe = test::gradientRecipe("Bright", 45);
    recipe.paletteIndex = 3;  // black, blue, red, orange, white: a swapped channel shows
    recipe.shape = "radial";
    recipe.spread = 160;
    recipe.vignette = false;
    return recipe;
}

class SaverUnderX : public ::testing::Test {
protected:
    // One connection for the whole program: when its last client goes, Xvfb
    // resets, and a test starting right then could not connect.
    static Display* sharedDisplay() {
        static Display* display = XOpenDisplay(nullptr);
        return display;
    }

    void SetUp() override {
        display_ = sharedDisplay();
        ASSERT_NE(display_, nullptr) << "this test runs under xvfb-run";
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, 640, 360, 0, 0,
                                      BlackPixel(display_, screen));
        XMapWindow(display_, window_);
        XSync(display_, False);

        const std::filesystem::path data = std::getenv("XDG_DATA_HOME");
        const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
        const auto library = data / "Ombriq" / "recipes.json";
        const auto preferences = config / "glimora" / "preferences.json";
        test::writeFile(library, *encodeRecipeHistory({brightRecipe()}));
        test::writeFile(preferences, R"({"notchPlacement": "top"})");
        library_ = library;
        preferences_ = preferences;
        libraryTime_ = std::filesystem::last_write_time(library_);
        preferencesTime_ = std::filesystem::last_write_time(preferences_);
    }

    void TearDown() override {
        if (saver_ > 0) {
            ::kill(saver_, SIGKILL);
            ::waitpid(saver_, nullptr, 0);
        }
        if (display_ && window_) {
            XDestroyWindow(display_, window_);
            XSync(display_, False);
        }
        // Whatever happened, the application's files were left as they were.
        if (!library_.empty()) {
            EXPECT_EQ(std::filesystem::last_write_time(library_), libraryTime_);
            EXPECT_EQ(std::filesystem::last_write_time(preferences_), preferencesTime_);
        }
    }

    void start(std::vector<std::string> arguments) {
        // Black again, so a picture seen later is this run's.
        XClearWindow(display_, window_);
        XSync(display_, False);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", window_);
        ::setenv("XSCREENSAVER_WINDOW", id, 1);
        arguments.insert(arguments.begin(), GLIMORA_SAVER_BINARY);
        started_ = Clock::now();
        saver_ = x11test::spawn(arguments);
        ASSERT_GT(saver_, 0);
        ::unsetenv("XSCREENSAVER_WINDOW");
    }

    // The saver's exit status once it ended within `seconds`; nothing otherwise.
    std::optional<int> waitForExit(double seconds) {
        const auto status = x11test::waitForExit(saver_, std::chrono::milliseconds(std::int64_t(seconds * 1000)));
        if (status) saver_ = 0;
        return status;
    }

    // Counts non-black pixels of the window, and keeps the picture.
    int litPixels(const std::string& screenshot = {}, std::vector<std::uint8_t>* pixels = nullptr) {
        if (!window_) return 0;
        const QImage image = x11test::grabWindow(display_, window_, 0, 0, 640, 360);
        if (image.isNull()) return 0;
        std::vector<std::uint8_t> rgba = x11test::rgbaBytes(image);
        int lit = 0;
        for (std::size_t i = 0; i < rgba.size(); i += 4) lit += rgba[i] || rgba[i + 1] || rgba[i + 2];
        if (!screenshot.empty()) x11test::keepScreenshot(rgba, 640, 360, screenshot);
        if (pixels) *pixels = std::move(rgba);
        return lit;
    }

    double waitForPicture() {
        while (secondsSince(started_) < 10) {
            if (litPixels() > 640 * 360 / 2) return secondsSince(started_);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 1e9;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    pid_t saver_ = 0;
    Clock::time_point started_;
    std::filesystem::path library_, preferences_;
    std::filesystem::file_time_type libraryTime_, preferencesTime_;
};

// How soon the picture comes and the program ends depends on the machine's
// load: the times are printed, and only a deadline far beyond them is checked.
TEST_F(SaverUnderX, DrawsTheFirstRecipeAndEndsOnSigterm) {
    ASSERT_EQ(litPixels("ombriq_saver_before.png"), 0);
    start({"--root"});
    const double firstPicture = waitForPicture();
    std::printf("first picture after %.3f s\n", firstPicture);
    ASSERT_LT(firstPicture, 10.0) << "no picture";
    litPixels("ombriq_saver_first_recipe.png");

    const auto stopping = Clock::now();
    ASSERT_EQ(::kill(saver_, SIGTERM), 0);
    const auto status = waitForExit(5.0);
    std::printf("ended %.3f s after SIGTERM\n", secondsSince(stopping));
    ASSERT_TRUE(status.has_value()) << "still running 5 s after SIGTERM";
    EXPECT_EQ(*status, 0);
}

TEST_F(SaverUnderX, TheWindowShowsExactlyTheFrameOfTheOffscreenRun) {
    const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
    const auto settings = config / "ombriq" / "com.kestrune.app.murmel.glimora.screensaver.json";
    test::writeFile(settings, R"({"animateArtwork": false})");
    start({"--root"});
    ASSERT_LT(waitForPicture(), 10.0);
    std::vector<std::uint8_t> shown;
    litPixels("ombriq_saver_still.png", &shown);
    ::kill(saver_, SIGTERM);
    ASSERT_TRUE(waitForExit(2.0).has_value());

    test::TempDir temp;
    const auto frame = temp.path() / "frame.png";
    const std::string command = std::string(GLIMORA_SAVER_BINARY) + " --offscreen 640x360 --output " +
                                frame.string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::filesystem::remove(settings);
    const auto bytes = test::readFile(frame);
    const auto offscreen = image_decoding::decodePng(std::span<const std::uint8_t>(bytes.data(), bytes.size()), 4096);
    ASSERT_EQ(offscreen.width, 640);
    ASSERT_EQ(offscreen.height, 360);
    int different = 0;
    for (std::size_t i = 0; i < shown.size(); i += 4)
        for (int channel = 0; channel < 3; ++channel)
            if (shown[i + channel] != offscreen.bytes()[i + channel]) ++different;
    EXPECT_EQ(different, 0);
}

TEST_F(SaverUnderX, EndsWhenItsWindowIsDestroyed) {
    start({"-root"});
    ASSERT_LT(waitForPicture(), 10.0);
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
    const auto status = waitForExit(2.0);
    ASSERT_TRUE(status.has_value()) << "still running after its window went";
    EXPECT_EQ(*status, 0);
}

TEST_F(SaverUnderX, EndsOnSigintAndSighupToo) {
    for (const int signal : {SIGINT, SIGHUP}) {
        start({"--window-id", std::to_string(window_)});
        ASSERT_LT(waitForPicture(), 10.0);
        ASSERT_EQ(::kill(saver_, signal), 0);
        const auto status = waitForExit(5.0);
        ASSERT_TRUE(status.has_value()) << "signal " << signal;
        EXPECT_EQ(*status, 0) << "signal " << signal;
    }
}

TEST_F(SaverUnderX, AWindowThatDoesNotExistIsOneClearLine) {
    std::string out;
    FILE* pipe = ::popen((std::string(GLIMORA_SAVER_BINARY) + " -window-id 0x7fffff1 2>&1").c_str(), "r");
    ASSERT_TRUE(pipe);
    char buffer[512];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(out, "ombriq-saver: no window 0x7fffff1 to draw into\n");
}

}  // namespace
}  // namespace glimora
