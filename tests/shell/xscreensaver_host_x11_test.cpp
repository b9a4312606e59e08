// ombriq-saver run by the real XScreenSaver daemon (Debian's package), as a
// user would set it up: ~/.xscreensaver naming "ombriq-saver -root", the
// daemon started as an unprivileged user (it refuses root), the saver
// switched on with xscreensaver-command. Nothing is skipped: without
// XScreenSaver the test fails and says so.
// gtest before Xlib: Xlib's None and Bool macros break its headers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/atomic_file.hpp"
#include "model/recipe_library.hpp"
#include "render/image_decoding.hpp"
#include "render/png_encoder.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

extern char** environ;

namespace glimora {
namespace {

using SteadyTime = std::chrono::steady_clock;

constexpr int screenWidth = 1920, screenHeight = 1080;

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const auto deadline = SteadyTime::now() + std::chrono::duration<double>(seconds);
    while (SteadyTime::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::optional<std::string> findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The processes whose program is `binary`.
std::vector<pid_t> processesRunning(const std::filesystem::path& binary) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", error);
        if (!error && exe == binary) found.push_back(pid_t(std::stol(name)));
    }
    return found;
}

DesignRecipe firstRecipe() {
    DesignRecipe recipe = test::gradientRecipe("Host first", 45, true);
    recipe.paletteIndex = 3;
    recipe.shape = "radial";
    recipe.spread = 160;
    recipe.vignette = false;
    return recipe;
}

class XScreenSaverHost : public ::testing::Test {
protected:
    void SetUp() override {
        xscreensaver_ = findProgram("xscreensaver").value_or("");
        command_ = findProgram("xscreensaver-command").value_or("");
        ASSERT_FALSE(xscreensaver_.empty()) << "xscreensaver is not installed (Debian package xscreensaver)";
        ASSERT_FALSE(command_.empty()) << "xscreensaver-command is not installed (Debian package xscreensaver)";
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X display: run under xvfb-run";

        // A folder of its own that the unprivileged user can reach, whatever
        // the permissions of the build folder: the saver is copied there.
        char pattern[] = "/tmp/ombriq-xscreensaver-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        ::chmod(folder_.c_str(), 0755);
        saver_ = folder_ / "ombriq-saver";
        std::filesystem::copy_file(GLIMORA_SAVER_BINARY, saver_);
        ::chmod(saver_.c_str(), 0755);
        home_ = folder_ / "home";

        library_ = home_ / ".local/share/Ombriq/recipes.json";
        appSettings_ = home_ / ".config/glimora/preferences.json";
        saverSettings_ = home_ / ".config/ombriq/com.kestrune.app.murmel.glimora.screensaver.json";
        test::writeFile(library_,
                        *encodeRecipeHistory({firstRecipe(), test::gradientRecipe("Host second", 80)}));
        test::writeFile(appSettings_, R"({"notchPlacement": "top"})");
        // Still pictures, so that what the screen shows can be compared
        // exactly; the only favourite comes first whatever the shuffle.
        test::writeFile(saverSettings_,
                        R"({"animateArtwork": false, "artworkInterval": 600, "favoritesOnly": true})");
        test::writeFile(home_ / ".xscreensaver", "timeout: 1:00:00\n"
                                                 "cycle: 0:00:00\n"
                                                 "lock: False\n"
                                                 "fade: False\n"
                                                 "unfade: False\n"
                                                 "splash: False\n"
                                                 "dpmsEnabled: False\n"
                                                 "mode: one\n"
                                                 "selected: 0\n"
                                                 "programs: " +
                                                     saver_.string() + " -root \\n\n");
        if (const char* authority = std::getenv("XAUTHORITY"); authority && *authority)
            std::filesystem::copy_file(authority, home_ / ".Xauthority");

        // XScreenSaver runs nothing as root: tests that run as root hand
        // the home to "nobody" and run the daemon as that user.
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            ASSERT_NE(nobody, nullptr) << "no user \"nobody\" to run XScreenSaver as";
            for (const auto& entry : std::filesystem::recursive_directory_iterator(home_))
                ASSERT_EQ(::lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0) << entry.path();
            ASSERT_EQ(::chown(home_.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
            asUser_ = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
            ASSERT_TRUE(findProgram("setpriv")) << "setpriv (util-linux) is needed to run XScreenSaver as nobody";
            asUser_[0] = *findProgram("setpriv");
        }
        times_ = modificationTimes();
    }

    void TearDown() override {
        if (daemon_ > 0) {
            ::kill(daemon_, SIGTERM);
            if (!waitForDaemon(5)) {
                ::kill(daemon_, SIGKILL);
                ::waitpid(daemon_, nullptr, 0);
            }
        }
        for (const pid_t pid : processesRunning(saver_)) ::kill(pid, SIGKILL);
        if (display_) XCloseDisplay(display_);
        if (HasFailure() && !folder_.empty())
            std::printf("XScreenSaver's log:\n%s\n", readText(folder_ / "xscreensaver.log").c_str());
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }

    std::vector<std::filesystem::file_time_type> modificationTimes() const {
        return {std::filesystem::last_write_time(library_), std::filesystem::last_write_time(appSettings_),
                std::filesystem::last_write_time(saverSettings_)};
    }

    // argv run as the daemon's user with the daemon's environment, output to `log`.
    pid_t spawnAsUser(std::vector<std::string> argv, const std::filesystem::path& log) {
        std::vector<std::string> full = asUser_;
        full.push_back("/usr/bin/env");
        full.push_back("-i");
        full.push_back("PATH=/usr/bin:/bin");
        full.push_back("HOME=" + home_.string());
        full.push_back("DISPLAY=" + std::string(std::getenv("DISPLAY")));
        full.push_back("XDG_DATA_HOME=" + (home_ / ".local/share").string());
        full.push_back("XDG_CONFIG_HOME=" + (home_ / ".config").string());
        if (std::filesystem::exists(home_ / ".Xauthority"))
            full.push_back("XAUTHORITY=" + (home_ / ".Xauthority").string());
        full.insert(full.end(), argv.begin(), argv.end());
        std::vector<char*> args;
        for (auto& argument : full) args.push_back(argument.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        const int failed = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return failed ? 0 : pid;
    }

    // xscreensaver-command's exit status, or -1 when it did not end in time.
    int command(const std::string& what) {
        const pid_t pid = spawnAsUser({command_, what}, folder_ / "command.log");
        if (pid <= 0) return -1;
        int status = 0;
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }

    bool waitForDaemon(double seconds) {
        return waitUntil(
            [&] {
                int status = 0;
                if (::waitpid(daemon_, &status, WNOHANG) != daemon_) return false;
                daemon_ = 0;
                return true;
            },
            seconds);
    }

    // The whole screen as RGBA.
    std::vector<std::uint8_t> screen() {
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), 0, 0, screenWidth, screenHeight, AllPlanes,
                                  ZPixmap);
        std::vector<std::uint8_t> rgba(std::size_t(screenWidth) * screenHeight * 4);
        if (!image) return {};
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                std::uint8_t* out = &rgba[(std::size_t(y) * screenWidth + std::size_t(x)) * 4];
                out[0] = std::uint8_t(pixel >> 16), out[1] = std::uint8_t(pixel >> 8), out[2] = std::uint8_t(pixel);
                out[3] = 255;
            }
        XDestroyImage(image);
        return rgba;
    }

    void keep(const std::vector<std::uint8_t>& rgba, const std::string& name) {
        const auto folder = std::filesystem::path(GLIMORA_ARTEFACT_DIR);
        std::filesystem::create_directories(folder);
        const auto png = encodePng(rgba.data(), screenWidth, screenHeight, std::int64_t(screenWidth) * 4);
        if (png && !AtomicFile::write(folder / name,
                                      std::string_view(reinterpret_cast<const char*>(png->data()), png->size())))
            std::printf("screenshot: %s\n", (folder / name).c_str());
    }

    // The frame the same saver draws offscreen from the same files.
    std::vector<std::uint8_t> offscreenFrame() {
        const auto frame = folder_ / "frame.png";
        const std::string command = "HOME=" + home_.string() + " XDG_DATA_HOME=" + (home_ / ".local/share").string() +
                                    " XDG_CONFIG_HOME=" + (home_ / ".config").string() + " " + saver_.string() +
                                    " --offscreen 1920x1080 --output " + frame.string() + " > " +
                                    (folder_ / "offscreen.txt").string();
        if (std::system(command.c_str()) != 0) return {};
        const auto file = test::readFile(frame);
        const auto image = image_decoding::decodePng(std::span<const std::uint8_t>(file.data(), file.size()), 4096);
        if (image.width != screenWidth || image.height != screenHeight) return {};
        const auto pixels = image.bytes();
        return std::vector<std::uint8_t>(pixels.begin(), pixels.end());
    }

    std::string xscreensaver_, command_;
    Display* display_ = nullptr;
    std::filesystem::path folder_, home_, saver_, library_, appSettings_, saverSettings_;
    std::vector<std::string> asUser_;
    std::vector<std::filesystem::file_time_type> times_;
    pid_t daemon_ = 0;
};

TEST_F(XScreenSaverHost, ShowsTheFirstRecipeWhenActivatedAndEndsWithTheDaemon) {
    const auto expected = offscreenFrame();
    ASSERT_FALSE(expected.empty()) << "the offscreen run failed";
    ASSERT_NE(readText(folder_ / "offscreen.txt").find(" Host first\n"), std::string::npos);

    daemon_ = spawnAsUser({xscreensaver_, "-no-splash", "-verbose"}, folder_ / "xscreensaver.log");
    ASSERT_GT(daemon_, 0);
    ASSERT_TRUE(waitUntil([&] { return command("-version") == 0; }, 20)) << "XScreenSaver did not come up";
    ASSERT_TRUE(processesRunning(saver_).empty());

    ASSERT_EQ(command("-activate"), 0);
    ASSERT_TRUE(waitUntil([&] { return !processesRunning(saver_).empty(); }, 10))
        << "XScreenSaver did not start ombriq-saver";

    // The drawing is still: once the saver has drawn, the screen is exactly
    // the offscreen frame.
    const std::size_t pixels = std::size_t(screenWidth) * screenHeight;
    std::vector<std::uint8_t> shown;
    std::size_t lit = 0, different = pixels;
    waitUntil(
        [&] {
            shown = screen();
            if (shown.empty()) return false;
            lit = different = 0;
            for (std::size_t i = 0; i < shown.size(); i += 4) {
                if (shown[i] || shown[i + 1] || shown[i + 2]) ++lit;
                if (shown[i] != expected[i] || shown[i + 1] != expected[i + 1] || shown[i + 2] != expected[i + 2])
                    ++different;
            }
            return different == 0;
        },
        10);
    keep(shown, "xscreensaver_ombriq_first_recipe.png");
    EXPECT_GT(lit, pixels / 2) << "the screen is mostly black";
    EXPECT_EQ(different, 0u) << "the screen differs from the offscreen frame of the same recipe";

    ASSERT_EQ(command("-deactivate"), 0);
    EXPECT_TRUE(waitUntil([&] { return processesRunning(saver_).empty(); }, 10))
        << "ombriq-saver still runs after the saver was switched off";
    keep(screen(), "xscreensaver_ombriq_deactivated.png");

    ASSERT_EQ(command("-exit"), 0);
    EXPECT_TRUE(waitForDaemon(10)) << "XScreenSaver did not exit";
    EXPECT_TRUE(processesRunning(saver_).empty());
    EXPECT_EQ(modificationTimes(), times_) << "the library or a settings file was written";
}

}  // namespace
}  // namespace glimora
