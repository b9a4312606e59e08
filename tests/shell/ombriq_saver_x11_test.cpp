// ombriq-saver under a real X server, started the way XScreenSaver 6 starts
// its programs: "ombriq-saver --root" with XSCREENSAVER_WINDOW naming the
// window to draw into.
#include <sys/inotify.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
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

std::string textOf(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
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
    const auto status = waitForExit(2.0);
    std::printf("ended %.3f s after SIGTERM\n", secondsSince(stopping));
    ASSERT_TRUE(status.has_value()) << "still running 2 s after SIGTERM";
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

// XScreenSaver's settings start the preview as "ombriq-saver --root
// --window-id ID" (and XSCREENSAVER_WINDOW) with ID a small window of their
// dialog, and no flag saying it is one. A long interval is cut to 15 s there
// and only there.
TEST_F(SaverUnderX, ASmallWindowIsThePreviewAndChangesDesignWithinFifteenSecondsTheRootDoesNot) {
    DesignRecipe other = brightRecipe();
    other.name = "Other";
    other.id = *Uuid::parse("00000000-0000-4000-8000-000000000099");
    other.paletteIndex = 12;
    other.angle = 135;
    test::writeFile(library_, *encodeRecipeHistory({brightRecipe(), other}));
    libraryTime_ = std::filesystem::last_write_time(library_);
    const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
    const auto settings = config / "ombriq" / "com.kestrune.app.murmel.glimora.screensaver.json";
    test::writeFile(settings, R"({"artworkInterval": 600, "animateArtwork": false})");

    // The dialog's preview, inside the 1920x1080 screen; the full screen's
    // saver on the root, read where no window covers it.
    const int screen = DefaultScreen(display_);
    const Window preview = XCreateSimpleWindow(display_, RootWindow(display_, screen), 1000, 600, 320, 200, 0, 0,
                                               BlackPixel(display_, screen));
    XMapWindow(display_, preview);
    XSync(display_, False);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", preview);
    ::setenv("XSCREENSAVER_WINDOW", id, 1);
    const pid_t previewSaver = x11test::spawn({GLIMORA_SAVER_BINARY, "--root", "--window-id", id});
    ::unsetenv("XSCREENSAVER_WINDOW");
    const pid_t rootSaver = x11test::spawn({GLIMORA_SAVER_BINARY, "--root"});
    struct Stopped {
        pid_t pid;
        ~Stopped() { x11test::stop(pid); }
    } stopPreview{previewSaver}, stopRoot{rootSaver};
    ASSERT_GT(previewSaver, 0);
    ASSERT_GT(rootSaver, 0);
    const auto shows = [&](Window window, int x, int y, int width, int height) {
        return x11test::grabWindow(display_, window, x, y, width, height);
    };
    const auto showsPreview = [&] { return shows(preview, 0, 0, 320, 200); };
    const auto showsRoot = [&] { return shows(RootWindow(display_, screen), 1400, 100, 200, 100); };
    const auto lit = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xffffff) != 0) return true;
        return false;
    };
    // The first picture of each, and when it was seen.
    const auto firstPicture = [&](const std::function<QImage()>& grab, Clock::time_point& seen) {
        const auto start = Clock::now();
        QImage image = grab();
        while (!lit(image) && secondsSince(start) < 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            image = grab();
        }
        seen = Clock::now();
        return image;
    };
    Clock::time_point previewSeen, rootSeen;
    const QImage firstPreview = firstPicture(showsPreview, previewSeen);
    const QImage firstRoot = firstPicture(showsRoot, rootSeen);
    ASSERT_TRUE(lit(firstPreview));
    ASSERT_TRUE(lit(firstRoot));

    bool previewChanged = false;
    while (!previewChanged && secondsSince(previewSeen) < 16) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        previewChanged = showsPreview() != firstPreview;
    }
    const double changedAfter = secondsSince(previewSeen);
    // The root is watched as long as the preview was given, and a second more.
    bool rootChanged = false;
    while (!rootChanged && secondsSince(rootSeen) < 16) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        rootChanged = showsRoot() != firstRoot;
    }
    XDestroyWindow(display_, preview);
    XSync(display_, False);
    std::filesystem::remove(settings);
    EXPECT_TRUE(previewChanged) << "the preview kept its first design for 16 s";
    std::printf("the preview changed design %.2f s after its first picture\n", changedAfter);
    EXPECT_FALSE(rootChanged) << "the full screen changed design before its interval of 600 s";
}

// An X server of the test's own: a second Xvfb, which the test stops and
// resumes. -noreset: it must not reset between savers, when its last client
// goes; -br: a black root, which a picture tells apart.
class OwnServer {
public:
    OwnServer(const std::filesystem::path& folder, const std::string& tag, const std::vector<std::string>& extra)
        : output_(folder / ("xvfb-" + tag + ".txt")) {
        std::vector<std::string> arguments{"Xvfb", "-displayfd", "1", "-noreset", "-br", "-screen", "0", "640x360x24"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        pid_ = x11test::spawn(arguments, output_.string());
    }
    ~OwnServer() {
        if (pid_ <= 0) return;
        resume();
        x11test::stop(pid_);
    }
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;

    // Its display number once it is up (it writes it on a line of its
    // own); empty when it did not come up.
    std::string number() {
        if (!number_.empty() || pid_ <= 0) return number_;
        x11test::waitUntil([&] {
            const std::string text = textOf(output_);
            for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::string line = text.substr(start, end - start);
                if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) number_ = line;
            }
            return !number_.empty();
        });
        return number_;
    }
    pid_t pid() const { return pid_; }
    void stop() const { ::kill(pid_, SIGSTOP); }
    void resume() const { ::kill(pid_, SIGCONT); }

private:
    std::filesystem::path output_;
    pid_t pid_ = -1;
    std::string number_;
};

// A saver of a test that may fail half-way: killed when it goes.
struct SaverProcess {
    pid_t pid = 0;
    SaverProcess() = default;
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;
    ~SaverProcess() { forget(); }
    void forget() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        pid = 0;
    }
    std::optional<int> waitForExit(double seconds) {
        const auto status = x11test::waitForExit(pid, std::chrono::milliseconds(std::int64_t(seconds * 1000)));
        if (status) pid = 0;
        return status;
    }
};

// The shared memory segments that a process made, as the system lists them.
struct Segment {
    long id = 0;
    unsigned mode = 0;
    long attached = 0;
};
std::vector<Segment> segmentsMadeBy(pid_t pid) {
    std::istringstream table(textOf("/proc/sysvipc/shm"));
    std::string line;
    std::getline(table, line);  // the heading
    std::vector<Segment> found;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        long key = 0, size = 0, creator = 0, lastUser = 0;
        Segment segment;
        fields >> key >> segment.id >> std::oct >> segment.mode >> std::dec >> size >> creator >> lastUser >>
            segment.attached;
        if (fields && creator == pid) found.push_back(segment);
    }
    return found;
}

// How a process maps a System V segment ("r--s"), from its memory map,
// where the segment's id stands as the inode; empty when it does not.
std::string mappingOf(pid_t pid, long segment) {
    std::istringstream maps(textOf("/proc/" + std::to_string(pid) + "/maps"));
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, permissions, offset, device, path;
        long inode = 0;
        fields >> range >> permissions >> offset >> device >> inode >> path;
        if (inode == segment && path.starts_with("/SYSV")) return permissions;
    }
    return {};
}

// Whether the root of display `name` is mostly lit.
bool showsAPicture(const std::string& name) {
    Display* other = XOpenDisplay(name.c_str());
    if (!other) return false;
    const bool shown = x11test::waitUntil([&] {
        const QImage image = x11test::grabWindow(other);
        int lit = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) lit += (image.pixel(x, y) & 0xffffff) != 0;
        return lit > image.width() * image.height() / 2;
    });
    // Black again for the next saver; closed before the server is stopped,
    // as closing waits for its answer.
    XClearWindow(other, DefaultRootWindow(other));
    XCloseDisplay(other);
    return shown;
}

// XScreenSaver ends its program with SIGTERM when the user comes back, also
// when the X server has stopped answering (here: stopped outright). With
// MIT-SHM and without it (as over ssh -X and on many VNC servers, where a
// frame is written through the socket), the saver still ends within 2 s,
// status 0, on each end signal: in the middle of its frames and while it
// connects. Its segment is marked for removal the whole time, mapped
// read-only by the server, and gone once the server resumes. Left alone, it
// ends with status 1 and one line when a frame stays unanswered for 5 s.
// Both servers are tried side by side, to keep the waits short.
TEST_F(SaverUnderX, ItEndsWhenToldAndLeavesNothingWhileItsServerIsStopped) {
    // It moves, so frames keep going out to the server.
    DesignRecipe moving = test::gradientRecipe("Moving", 30);
    moving.animationProperty = "angle";
    moving.animationSpeed = 4;
    moving.animationLoopDuration = 2;
    test::writeFile(library_, *encodeRecipeHistory({moving}));
    libraryTime_ = std::filesystem::last_write_time(library_);
    test::TempDir temp;
    struct Case {
        const char* name;
        std::unique_ptr<OwnServer> server;
        int endSignals[2];
        SaverProcess saver;
        std::filesystem::path output;
        std::string display() const { return ":" + server->number(); }
    };
    Case cases[2] = {
        {"MIT-SHM", std::make_unique<OwnServer>(temp.path(), "shm", std::vector<std::string>{"-nolisten", "tcp"}),
         {SIGTERM, SIGINT}, {}, temp.path() / "saver-shm.txt"},
        {"no MIT-SHM",
         std::make_unique<OwnServer>(temp.path(), "plain",
                                     std::vector<std::string>{"-nolisten", "tcp", "-extension", "MIT-SHM"}),
         {SIGTERM, SIGHUP}, {}, temp.path() / "saver-plain.txt"},
    };
    for (Case& c : cases) ASSERT_FALSE(c.server->number().empty()) << c.name << ": Xvfb did not start";
    const auto startSaver = [&](Case& c) {
        c.saver.pid = x11test::spawn({GLIMORA_SAVER_BINARY, "--root", "--display", c.display()}, c.output.string());
        return c.saver.pid > 0 && showsAPicture(c.display());
    };

    for (int round = 0; round < 2; ++round) {
        for (Case& c : cases) ASSERT_TRUE(startSaver(c)) << c.name << ": no picture";
        const std::vector<Segment> shared = segmentsMadeBy(cases[0].saver.pid);
        ASSERT_FALSE(shared.empty()) << "no shared memory on a local server that offers it";
        for (const Segment& segment : shared) {
            EXPECT_TRUE(segment.mode & SHM_DEST) << "segment " << segment.id << " is not marked for removal";
            EXPECT_EQ(mappingOf(cases[0].server->pid(), segment.id), "r--s") << "segment " << segment.id;
        }
        EXPECT_TRUE(segmentsMadeBy(cases[1].saver.pid).empty());
        const pid_t sharing = cases[0].saver.pid;
        for (Case& c : cases) c.server->stop();
        // Mid-frame: with a frame a thirtieth of a second, the plain saver
        // is now stuck writing one.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", signal " + std::to_string(c.endSignals[round]));
            const auto told = Clock::now();
            ASSERT_EQ(::kill(c.saver.pid, c.endSignals[round]), 0);
            const auto status = c.saver.waitForExit(2.0);
            std::printf("%s: ended %.3f s after signal %d\n", c.name, secondsSince(told), c.endSignals[round]);
            ASSERT_TRUE(status.has_value()) << "still running 2 s after the signal";
            EXPECT_EQ(*status, 0);
        }
        for (const Segment& segment : segmentsMadeBy(sharing))
            EXPECT_TRUE(segment.mode & SHM_DEST) << "segment " << segment.id << " outlives the saver";
        for (Case& c : cases) c.server->resume();
        EXPECT_TRUE(x11test::waitUntil([&] { return segmentsMadeBy(sharing).empty(); }, std::chrono::seconds(2)))
            << "a segment stayed after the server resumed";
    }

    // Told while it connects to a server that does not answer.
    Case& plain = cases[1];
    plain.server->stop();
    plain.saver.pid = x11test::spawn({GLIMORA_SAVER_BINARY, "--root", "--display", plain.display()});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto told = Clock::now();
    ASSERT_EQ(::kill(plain.saver.pid, SIGTERM), 0);
    const auto connecting = plain.saver.waitForExit(2.0);
    std::printf("while connecting: ended %.3f s after SIGTERM\n", secondsSince(told));
    ASSERT_TRUE(connecting.has_value()) << "still connecting 2 s after SIGTERM";
    EXPECT_EQ(*connecting, 0);
    plain.server->resume();

    // Left alone.
    for (Case& c : cases) ASSERT_TRUE(startSaver(c)) << c.name << ": no picture";
    const auto stopped = Clock::now();
    for (Case& c : cases) c.server->stop();
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto status = c.saver.waitForExit(10.0 - secondsSince(stopped));
        ASSERT_TRUE(status.has_value()) << "the saver waited on a stopped server for 10 s";
        std::printf("%s: gave up %.3f s after the server stopped\n", c.name, secondsSince(stopped));
        EXPECT_EQ(*status, 1);
        EXPECT_EQ(textOf(c.output), "ombriq-saver: the X server took no frame for 5 s\n");
    }
}

// Said before the library is opened at all: a library of hundreds of
// megabytes is not read for a window that cannot be drawn into.
TEST_F(SaverUnderX, AWindowThatDoesNotExistIsOneClearLineBeforeTheLibraryIsOpened) {
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, library_.parent_path().c_str(), IN_OPEN | IN_ACCESS), 0);
    test::TempDir temp;
    const auto output = temp.path() / "saver.txt";
    saver_ = x11test::spawn({GLIMORA_SAVER_BINARY, "-window-id", "0x7fffff1"}, output.string());
    const auto status = waitForExit(5.0);
    char events[4096];
    const auto opened = ::read(watch, events, sizeof events);
    ::close(watch);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1);
    EXPECT_EQ(textOf(output), "ombriq-saver: no window 0x7fffff1 to draw into\n");
    EXPECT_LE(opened, 0) << "the library was opened";
}

}  // namespace
}  // namespace glimora
