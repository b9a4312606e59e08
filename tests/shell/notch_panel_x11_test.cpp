// The notch panel of the running application under a real X server and
// window manager, driven by real X input (xdotool): run by ctest inside
// `xvfb-run` at 1920x1080, with an openbox of the test's own.
#include "tests/shell/x11_harness.hpp"

#include "geometry/notch_outline.hpp"

#include <X11/extensions/shape.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

using namespace glimora::x11test;
using namespace std::chrono_literals;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

std::filesystem::path preferencesFile() {
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct GlimoraRun {
    int exitCode = -1;
    std::string output;
};

GlimoraRun runGlimora(const std::vector<std::string>& arguments) {
    const std::string output = std::filesystem::path(std::getenv("HOME")) / "glimora-output.txt";
    std::vector<std::string> command{GLIMORA_BINARY};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(command, output);
    GlimoraRun run;
    const auto code = pid > 0 ? waitForExit(pid, 15s) : std::nullopt;
    if (!code) stop(pid);
    run.exitCode = code.value_or(-1);
    run.output = readFile(output);
    return run;
}

class NotchPanelX11 : public ::testing::Test {
protected:
    void TearDown() override {
        stop(glimora);
        glimora = -1;
        waitUntil([&] { return x11.windowsNamed("Glimora Notch").empty(); }, 5s);
        std::filesystem::remove(preferencesFile());
        for (const Window window : ownWindows) XDestroyWindow(x11.display(), window);
        ownWindows.clear();
        focusHolder = 0;
        XSync(x11.display(), False);
    }

    // Starts the application with the panel at this edge and waits for it.
    void start(const std::string& placement) {
        std::filesystem::create_directories(preferencesFile().parent_path());
        std::ofstream(preferencesFile()) << "{\"launchAtLogin\": false, \"notchPlacement\": \"" << placement << "\"}";
        // Another program has the focus, so none falls back onto the new panel.
        if (!focusHolder) focusHolder = otherWindow(100, 600, 300, 200);
        ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
        glimora = spawn({GLIMORA_BINARY});
        ASSERT_GT(glimora, 0);
        panel = x11.waitForWindowNamed("Glimora Notch");
        ASSERT_NE(panel, 0u) << "no notch panel appeared";
    }

    // A picture of the screen as it is now (only a picture for people:
    // nothing is decided on it).
    void screenshot(const std::string& name) { x11.screenshot(name); }

    bool frameBecomes(const Frame& expected, std::chrono::milliseconds timeout = 10s) {
        return waitUntil([&] { return x11.frame(panel) == expected; }, timeout);
    }

    // A window of another program (this test's own connection), at a place
    // the window manager is asked to respect.
    Window otherWindow(int x, int y, int width, int height, long events = 0, bool decorated = true,
                       unsigned long color = 0x3366AA) {
        const Window window = x11.mapOtherWindow({x, y, width, height, color, decorated, events});
        ownWindows.push_back(window);
        return window;
    }

    // Inside the outline, at `inside` of the panel, the near-black surface;
    // at a corner of the window outside the outline, the window below it.
    // The panel paints a moment after it has moved: up to 5 s are given.
    void checkPixels(const Frame& frame, QPoint inside) {
        int count = 0, ordering = 0;
        XRectangle* rectangles = XShapeGetRectangles(x11.display(), panel, ShapeBounding, &count, &ordering);
        const auto inShape = [&](int x, int y) {
            for (int i = 0; i < count; ++i)
                if (x >= rectangles[i].x && x < rectangles[i].x + rectangles[i].width && y >= rectangles[i].y &&
                    y < rectangles[i].y + rectangles[i].height)
                    return true;
            return false;
        };
        EXPECT_TRUE(inShape(inside.x(), inside.y())) << inside.x() << "," << inside.y();
        std::optional<QPoint> outside;
        for (const QPoint corner : {QPoint(0, 0), QPoint(frame.width - 1, 0), QPoint(0, frame.height - 1),
                                    QPoint(frame.width - 1, frame.height - 1)}) {
            if (inShape(corner.x(), corner.y())) continue;
            outside = corner;
            break;
        }
        if (rectangles) XFree(rectangles);
        ASSERT_TRUE(outside) << "no corner of the window lies outside the outline";
        const auto channel = [](unsigned long rgb, int shift) { return int((rgb >> shift) & 0xFF); };
        const auto dark = [&](unsigned long rgb) {
            return channel(rgb, 16) <= 24 && channel(rgb, 8) <= 24 && channel(rgb, 0) <= 24;
        };
        unsigned long surface = 0, below = 0;
        waitUntil(
            [&] {
                surface = x11.pixel(frame.x + inside.x(), frame.y + inside.y());
                below = x11.pixel(frame.x + outside->x(), frame.y + outside->y());
                return dark(surface) && below == backdropColor;
            },
            5s);
        EXPECT_TRUE(dark(surface)) << std::hex << surface;
        EXPECT_EQ(below, backdropColor) << outside->x() << "," << outside->y();
    }

    static constexpr unsigned long backdropColor = 0x2A7F62;

    int buttonPressesOn(Window window) {
        XSync(x11.display(), False);
        int presses = 0;
        XEvent event;
        while (XCheckTypedWindowEvent(x11.display(), window, ButtonPress, &event)) ++presses;
        return presses;
    }

    X11 x11;
    pid_t glimora = -1;
    Window panel = 0;
    std::vector<Window> ownWindows;
    Window focusHolder = 0;
};

TEST_F(NotchPanelX11, SitsAtItsFrameForEachPlacementAndExpandsOnAClick) {
    struct Expected {
        Frame collapsed, expanded;
    };
    // Points of the panel where nothing but its black surface is drawn:
    // beside the docked edge, clear of the controls and of the white rim.
    struct Inside {
        QPoint collapsed, expanded;
    };
    const std::map<std::string, Inside> insidePoints = {
        {"top", {{160, 2}, {380, 2}}},
        {"bottom", {{160, 25}, {380, 297}}},
        {"left", {{34, 110}, {100, 60}}},
        {"right", {{34, 110}, {222, 60}}},
    };
    const std::map<std::string, Expected> placements = {
        {"top", {{800, 0, 320, 28}, {580, 0, 760, 300}}},
        {"bottom", {{800, 1052, 320, 28}, {580, 780, 760, 300}}},
        {"left", {{0, 430, 68, 220}, {0, 220, 322, 640}}},
        {"right", {{1852, 430, 68, 220}, {1598, 220, 322, 640}}},
    };
    for (const auto& [placement, expected] : placements) {
        SCOPED_TRACE(placement);
        // What lies below the panel: a window of one known colour.
        otherWindow(0, 0, 1920, 1080, 0, false, backdropColor);
        ASSERT_NO_FATAL_FAILURE(start(placement));
        EXPECT_TRUE(frameBecomes(expected.collapsed)) << x11.frame(panel);
        checkPixels(expected.collapsed, insidePoints.at(placement).collapsed);
        screenshot("collapsed-" + placement);
        // Shown without taking the focus.
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(x11.activeWindow(), focusHolder);
        const auto states = x11.property(panel, "_NET_WM_STATE", XA_ATOM);
        for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
            EXPECT_NE(std::find(states.begin(), states.end(), x11.atom(state)), states.end()) << state;

        // A click on the collapsed panel opens it. How long the spring takes
        // on the wall clock depends on the machine's load, so it is printed;
        // its steps are pinned by the spring's own tests.
        const Frame c = expected.collapsed;
        const auto ms = [](auto duration) {
            return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
        };
        const auto clicked = Clock::now();
        // The capsule opens from its identity, the rail from its Expand button.
        const bool side = placement == "left" || placement == "right";
        ASSERT_TRUE(clickAt(c.x + c.width / 2, side ? c.y + c.height - 30 - 16 : c.y + c.height / 2));
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel) != c; })) << "the panel did not move";
        const auto moved = Clock::now();
        EXPECT_TRUE(frameBecomes(expected.expanded)) << x11.frame(panel);
        const auto settled = Clock::now();
        std::printf("%s: settled %lld ms after its first move, %lld ms after the click\n", placement.c_str(),
                    ms(settled - moved), ms(settled - clicked));
        checkPixels(expected.expanded, insidePoints.at(placement).expanded);
        screenshot("expanded-" + placement);
        EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 3s)) << "the open panel takes the focus";
        TearDown();
    }
}

TEST_F(NotchPanelX11, DraggingTheWidthGripWidensThePanelLiveAndStoresTheWidthAtRelease) {
    ASSERT_NO_FATAL_FAILURE(start("right"));
    const Frame collapsed{1852, 430, 68, 220};
    ASSERT_TRUE(frameBecomes(collapsed)) << x11.frame(panel);
    // The rail's Expand button.
    ASSERT_TRUE(clickAt(collapsed.x + collapsed.width / 2, collapsed.y + collapsed.height - 30 - 16));
    const Frame open{1598, 220, 322, 640};
    ASSERT_TRUE(frameBecomes(open)) << x11.frame(panel);
    // The grip: a faint grey capsule on the inner edge, halfway down, once
    // the open panel has painted.
    const int middle = open.y + open.height / 2;
    int grip = -1;
    waitUntil(
        [&] {
            for (int x = open.x; x < open.x + 40 && grip < 0; ++x) {
                const unsigned long rgb = x11.pixel(x, middle);
                const int green = int((rgb >> 8) & 0xFF);
                if (green >= 25 && green <= 110 && ((rgb >> 16) & 0xFF) == unsigned(green)) grip = x;
            }
            return grip >= 0;
        },
        5s);
    ASSERT_GE(grip, 0) << "no grip on the panel's inner edge";
    screenshot("side-width-grip");

    // Press on the grip and drag toward the screen's middle.
    ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(grip), std::to_string(middle), "mousedown", "1"}));
    for (int step = 1; step <= 5; ++step)
        ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(grip - step * 20), std::to_string(middle)}));
    // The panel follows while the button is still down; nothing is stored yet.
    EXPECT_TRUE(waitUntil([&] { return x11.frame(panel).width == 422; }, 5s)) << x11.frame(panel);
    EXPECT_EQ(x11.frame(panel).x, 1920 - 422);
    screenshot("side-width-dragging");
    EXPECT_EQ(readFile(preferencesFile()).find("sideExpandedWidth"), std::string::npos);
    ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(grip - 130), std::to_string(middle)}));
    EXPECT_TRUE(waitUntil([&] { return x11.frame(panel).width == 452; }, 5s)) << x11.frame(panel);
    EXPECT_EQ(readFile(preferencesFile()).find("sideExpandedWidth"), std::string::npos);

    // At the release the last width is stored.
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    ASSERT_TRUE(waitUntil([&] { return readFile(preferencesFile()).find("sideExpandedWidth") != std::string::npos; }, 5s));
    const auto stored = nlohmann::json::parse(readFile(preferencesFile()));
    EXPECT_EQ(stored.at("sideExpandedWidth"), nlohmann::json(452.0));
    EXPECT_EQ(x11.frame(panel).width, 452);
    screenshot("side-width-released");
}

TEST_F(NotchPanelX11, AClickOutsideTheOutlineReachesTheWindowBelow) {
    ASSERT_NO_FATAL_FAILURE(start("top"));
    ASSERT_TRUE(frameBecomes({800, 0, 320, 28}));
    const Window below = otherWindow(560, 0, 800, 120, ButtonPressMask, false);
    // The panel stays above it.
    ASSERT_TRUE(waitUntil([&] {
        const auto order = x11.stacking();
        return std::find(order.begin(), order.end(), below) < std::find(order.begin(), order.end(), panel);
    }));
    buttonPressesOn(below);
    ASSERT_EQ(x11.frame(below), (Frame{560, 0, 800, 120}));
    // Panel (1, 27): in the rounded-off corner, outside the outline.
    ASSERT_TRUE(clickAt(801, 27));
    EXPECT_TRUE(waitUntil([&] { return buttonPressesOn(below) == 1; }, 3s)) << "the click did not pass through";
    // Panel (160, 27) and (5, 5): inside.
    ASSERT_TRUE(clickAt(960, 27));
    ASSERT_TRUE(frameBecomes({580, 0, 760, 300}));  // that click opened the panel
    EXPECT_EQ(buttonPressesOn(below), 0);
    // The window's shape is the outline, which bounds where it takes input:
    // one band of rectangles per curved row and one for the straight middle.
    int count = 0, ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(x11.display(), panel, ShapeBounding, &count, &ordering);
    const auto outline = glimora::notchOutline(glimora::NotchPlacement::top, 760, 300, 30, 25).pixelRectangles(760, 300);
    ASSERT_EQ(std::size_t(count), outline.size());
    for (int i = 0; i < count; ++i) {
        const glimora::PixelRect r{rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height};
        EXPECT_NE(std::find(outline.begin(), outline.end(), r), outline.end()) << r.x << "," << r.y;
    }
    if (rectangles) XFree(rectangles);
    screenshot("click-through-expanded");
    // The open outline's flare, (5, 3), lets the click through as well.
    ASSERT_TRUE(clickAt(580 + 5, 3));
    EXPECT_TRUE(waitUntil([&] { return buttonPressesOn(below) == 1; }, 3s));

}

TEST_F(NotchPanelX11, CollapsesWhenAnotherProgramIsActivated) {
    ASSERT_NO_FATAL_FAILURE(start("top"));
    ASSERT_TRUE(frameBecomes({800, 0, 320, 28}));
    const Window other = otherWindow(200, 400, 400, 300);
    ASSERT_TRUE(clickAt(960, 14));
    ASSERT_TRUE(frameBecomes({580, 0, 760, 300}));
    ASSERT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 3s));

    ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(other)}));
    EXPECT_TRUE(frameBecomes({800, 0, 320, 28}, 5s)) << x11.frame(panel);
    screenshot("collapsed-after-other-program");
}

TEST_F(NotchPanelX11, SettingsFromTheCommandLineMoveThePanelLeftAndKeepIt) {
    ASSERT_NO_FATAL_FAILURE(start("top"));
    ASSERT_TRUE(frameBecomes({800, 0, 320, 28}));
    const GlimoraRun second = runGlimora({"--settings"});
    EXPECT_EQ(second.exitCode, 0) << second.output;
    ASSERT_TRUE(waitUntil([&] { return !x11.windowsNamed("Notch Position").empty(); }, 5s))
        << "the running copy opened no settings window";
    const Window settings = x11.windowsNamed("Notch Position").front();
    ASSERT_TRUE(waitUntil([&] { return x11.isViewable(settings); }));
    EXPECT_EQ(x11.windowsNamed("Glimora Notch").size(), 1u) << "a second copy started";
    const Frame window = x11.frame(settings);
    EXPECT_EQ(std::pair(window.width, window.height), std::pair(360, 220));
    screenshot("settings-window");

    // The radio group has the focus on "Top"; the next row down is "Left".
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(settings)}));
    ASSERT_TRUE(waitUntil([&] { return x11.activeWindow() == settings; }, 3s));
    ASSERT_TRUE(xdotool({"key", "Down"}));
    EXPECT_TRUE(frameBecomes({0, 430, 68, 220}, 5s)) << x11.frame(panel);
    EXPECT_TRUE(waitUntil([&] { return readFile(preferencesFile()).find("\"left\"") != std::string::npos; }, 3s))
        << readFile(preferencesFile());
    screenshot("settings-chose-left");

    // The next start keeps it.
    stop(glimora);
    ASSERT_TRUE(waitUntil([&] { return x11.windowsNamed("Glimora Notch").empty(); }, 5s));
    glimora = spawn({GLIMORA_BINARY});
    ASSERT_TRUE(waitUntil([&] {
        const auto found = x11.windowsNamed("Glimora Notch");
        return !found.empty() && x11.isViewable(found.front()) && x11.frame(found.front()) == Frame{0, 430, 68, 220};
    })) << "the placement was not kept";
}

TEST_F(NotchPanelX11, WithoutATrayARightClickOpensTheStatusMenu) {
    ASSERT_NO_FATAL_FAILURE(start("top"));
    ASSERT_TRUE(frameBecomes({800, 0, 320, 28}));
    const auto popups = [&] { return x11.popupMenus(); };
    ASSERT_TRUE(popups().empty());
    ASSERT_TRUE(clickAt(960, 14, 3));
    ASSERT_TRUE(waitUntil([&] { return popups().size() == 1; }, 5s)) << "no menu opened";
    const Frame menu = x11.frame(popups().front());
    EXPECT_GT(menu.height, 150);  // eleven items
    screenshot("status-menu-on-panel");
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    EXPECT_TRUE(waitUntil([&] { return popups().empty(); }, 3s));
    // The right click did not open the panel.
    EXPECT_EQ(x11.frame(panel), (Frame{800, 0, 320, 28}));
}

TEST_F(NotchPanelX11, HelpVersionAndUnknownOptionsNeverReachTheRunningCopy) {
    ASSERT_NO_FATAL_FAILURE(start("top"));
    const GlimoraRun help = runGlimora({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.starts_with("Usage: glimora")) << help.output;
    const GlimoraRun version = runGlimora({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.output.starts_with("glimora ")) << version.output;
    const GlimoraRun unknown = runGlimora({"--frobnicate"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.output,
              "glimora: unknown option '--frobnicate'\nTry 'glimora --help' for more information.\n");
    // None of them opened anything in the running copy.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(x11.windowsNamed("Notch Position").empty());
    EXPECT_EQ(x11.frame(panel), (Frame{800, 0, 320, 28}));
}

}  // namespace
