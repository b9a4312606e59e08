// The built glimora under i3, a window manager that has no desktop window
// type and would tile or float our windows among the programs: run by ctest
// inside `xvfb-run` at 1920x1080, with an i3 of the test's own (its bar at
// the top) and real X input (xdotool). The design stays below the programs
// and the capsule above them on every workspace; the panel opens on a click,
// takes typing, keeps its dialogs above it and the keys after them, and
// closes on a click into the program; the settings window floats; and the two
// windows follow openbox replacing i3 and i3 replacing openbox.
#include "model/recipe_library.hpp"
#include "tests/shell/open_panel_layout.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace glimora {
namespace {

using namespace x11test;
using namespace std::chrono_literals;

const std::string artefacts = "tiling_window_manager_x11_test/";

// The smallest configuration with a bar at the top; everything else is i3's
// default (focus follows the mouse, title bars on tiled windows).
std::vector<std::string> i3Command() {
    const std::filesystem::path config = artefactPath(artefacts + "i3-config");
    std::ofstream(config) << "# i3 config file (v4)\n"
                             "font pango:DejaVu Sans Mono 8\n"
                             "bar {\n"
                             "    position top\n"
                             "    tray_output none\n"
                             "}\n";
    return {"i3", "-c", config.string()};
}

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager(i3Command()));

constexpr Frame collapsedFrame{800, 0, 320, 28};
constexpr unsigned long programColor = 0x3366AA;
constexpr unsigned long floatingColor = 0xAA6633;

std::filesystem::path preferencesFile() {
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool isDark(QRgb pixel) { return qRed(pixel) <= 24 && qGreen(pixel) <= 24 && qBlue(pixel) <= 24; }

// Runs a program to its end; whether it ended well.
bool run(const std::vector<std::string>& command) {
    const pid_t pid = spawn(command);
    const auto code = pid > 0 ? waitForExit(pid, 10s) : std::nullopt;
    if (!code) stop(pid);
    return code == 0;
}

class UnderI3 : public ::testing::Test {
protected:
    void SetUp() override {
        application();  // for the panel's layout in this process
        ASSERT_NE(x11.display(), nullptr) << "run under xvfb-run";
        ASSERT_EQ(x11.image().size(), QSize(1920, 1080)) << "this test runs under xvfb-run at 1920x1080";
        ASSERT_TRUE(waitUntil([&] { return x11.isViewable(x11.findNamed("i3bar for output screen")); }))
            << "i3 shows no bar";
        std::filesystem::create_directories(preferencesFile().parent_path());
        std::ofstream(preferencesFile()) << "{\"launchAtLogin\": false, \"notchPlacement\": \"top\"}";
        glimora = spawn({GLIMORA_BINARY}, artefactPath(artefacts + "glimora-output.txt"));
        ASSERT_GT(glimora, 0);
        desktop = waitForShown("Glimora Desktop");
        panel = waitForShown("Glimora Notch");
        ASSERT_TRUE(desktop && panel) << "glimora showed no desktop window or no panel";
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel) == collapsedFrame; }))
            << "the capsule is at " << x11.frame(panel);
    }

    void TearDown() override {
        stop(glimora);
        for (const Window window : ownWindows) XDestroyWindow(x11.display(), window);
        XSync(x11.display(), False);
        std::filesystem::remove(preferencesFile());
    }

    // Until the panel's spring has not moved it for 400 ms.
    void settle() {
        Frame last = x11.frame(panel);
        auto since = x11test::Clock::now();
        ASSERT_TRUE(waitUntil([&] {
            const Frame now = x11.frame(panel);
            if (now != last) last = now, since = x11test::Clock::now();
            return x11test::Clock::now() - since > 400ms;
        })) << "the panel did not settle";
    }

    Window waitForShown(const std::string& title) {
        Window found = 0;
        waitUntil([&] {
            found = x11.findNamed(title);
            return found && x11.isViewable(found);
        });
        return found;
    }

    // A real click on the capsule opens the panel, which takes the focus; a
    // click into the program (which i3 still takes for the focused one)
    // closes it and gives the program the keys. `whileOpen` runs between.
    void openAndCloseByClicks(Window program, const std::function<void()>& whileOpen = {}) {
        ASSERT_TRUE(clickAt(960, 14));
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel).height > 100; }, 5s)) << "the panel did not open";
        ASSERT_NO_FATAL_FAILURE(settle());
        EXPECT_TRUE(waitUntil([&] { return x11.inputFocus() == panel; }, 5s)) << "the open panel has no focus";
        EXPECT_GT(x11.stackIndex(panel), x11.stackIndex(program));
        if (whileOpen) ASSERT_NO_FATAL_FAILURE(whileOpen());
        ASSERT_TRUE(clickAt(400, 800));
        EXPECT_TRUE(waitUntil([&] { return x11.frame(panel) == collapsedFrame; }, 5s))
            << "the panel stayed open at " << x11.frame(panel);
        EXPECT_TRUE(waitUntil([&] { return x11.inputFocus() == program; }, 5s))
            << "the focus is with " << x11.name(x11.inputFocus());
    }

    Window program(Frame at, unsigned long color, const char* type = nullptr) {
        const Window window = x11.mapOtherWindow({at.x, at.y, at.width, at.height, color, true, 0, type});
        ownWindows.push_back(window);
        return window;
    }

    // The design covers the screen, below the program's frame; the panel
    // is above it, and the capsule shows at the top edge over the program.
    void expectDesignBelowAndCapsuleAbove(Window program, const std::string& step) {
        SCOPED_TRACE(step);
        EXPECT_TRUE(waitUntil([&] { return x11.stackIndex(desktop) < x11.stackIndex(program); }, 5s))
            << "the design is at " << x11.stackIndex(desktop) << " of the stack, the program at "
            << x11.stackIndex(program);
        EXPECT_TRUE(waitUntil([&] { return x11.stackIndex(program) < x11.stackIndex(panel); }, 5s))
            << "the panel is at " << x11.stackIndex(panel) << ", the program at " << x11.stackIndex(program);
        EXPECT_EQ(x11.frame(desktop), (Frame{0, 0, 1920, 1080}));
        EXPECT_TRUE(x11.isViewable(desktop));
        EXPECT_EQ(x11.frame(panel), collapsedFrame);
        // Below i3's bar (y 0 to 20), over the program's frame.
        EXPECT_TRUE(waitUntil([&] { return isDark(x11.image().pixel(830, 24)); }, 5s))
            << "the capsule does not show over the program";
    }

    X11 x11;
    pid_t glimora = -1;
    Window desktop = 0;
    Window panel = 0;
    std::vector<Window> ownWindows;
};

TEST_F(UnderI3, TheDesignStaysBelowTheProgramsAndThePanelAboveThemOnEveryWorkspace) {
    // Workspace 1: a program, tiled as i3 does, fills the screen below the bar.
    const Window tiled = program({300, 640, 400, 240}, programColor);
    ASSERT_NE(tiled, 0u);
    expectDesignBelowAndCapsuleAbove(tiled, "tiled on workspace 1");
    EXPECT_EQ(x11.pixel(960, 600), programColor) << "the program does not show";
    x11.screenshot(artefacts + "1-program-open");

    // Typed into the History tab's name field, the name arrives. Open, the
    // panel stays below a notification that no window manager manages, as
    // it would stay below a screen locker or a menu.
    OpenPanelLayout layout;
    const auto clickControl = [&](NotchTab tab, const QString& name) {
        const Frame now = x11.frame(panel);
        const QRect at = layout.control(tab, name, QSize(now.width, now.height));
        ASSERT_FALSE(at.isEmpty()) << name.toStdString();
        ASSERT_TRUE(clickAt(now.x + at.center().x(), now.y + at.center().y()));
    };
    const auto library = recipeHistoryURL(std::filesystem::path(std::getenv("XDG_DATA_HOME")));
    ASSERT_TRUE(library);
    const Window notification =
        x11.mapOtherWindow({1250, 150, 300, 80, floatingColor, false, 0, nullptr, true});
    ASSERT_NE(notification, 0u);
    ownWindows.push_back(notification);
    ASSERT_NO_FATAL_FAILURE(openAndCloseByClicks(tiled, [&] {
        EXPECT_LT(x11.stackIndex(panel), x11.stackIndex(notification)) << "the open panel is over the notification";
        ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::history, QString::fromStdString(std::string(title(NotchTab::history)))));
        ASSERT_NO_FATAL_FAILURE(settle());
        ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::history, QStringLiteral("Name this design")));
        ASSERT_TRUE(xdotool({"type", "--delay", "30", "Dusk Rows"}));
        ASSERT_TRUE(xdotool({"key", "Return"}));
        EXPECT_TRUE(waitUntil([&] { return readFile(*library).find("Dusk Rows") != std::string::npos; }, 5s))
            << "the typed name did not arrive";
        x11.screenshot(artefacts + "2-panel-open");
        EXPECT_LT(x11.stackIndex(panel), x11.stackIndex(notification)) << "the panel went over the notification";
    }));
    XDestroyWindow(x11.display(), notification);
    std::erase(ownWindows, notification);

    // A dialog of the panel's shows above it. When it closes, i3 gives the
    // focus to its own window; the panel takes it back, and its keys (Ctrl+,)
    // reach it without a click. The settings window they open floats,
    // centred below the open panel; closed, it gives the panel the keys back.
    ASSERT_NO_FATAL_FAILURE(openAndCloseByClicks(tiled, [&] {
        ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::history, QStringLiteral("Import .ombriq")));
        const Window dialog = waitForShown("Open a Ombriq recipe to restore its exact design.");
        ASSERT_NE(dialog, 0u) << "no file dialog";
        EXPECT_TRUE(waitUntil([&] { return x11.stackIndex(dialog) > x11.stackIndex(panel); }, 5s))
            << "the dialog is under the panel";
        x11.screenshot(artefacts + "3-dialog");
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 5s)) << "the dialog stayed";
        EXPECT_TRUE(waitUntil([&] { return x11.inputFocus() == panel; }, 5s))
            << "after the dialog the focus is with " << x11.name(x11.inputFocus());
        ASSERT_TRUE(xdotool({"key", "ctrl+comma"}));
        const Window settings = waitForShown("Notch Position");
        ASSERT_NE(settings, 0u) << "Ctrl+, opened no settings window";
        // Centred at 780, 430 (as openbox shows it), under i3's border and
        // title, which it adds below and right of the place asked for.
        EXPECT_TRUE(waitUntil([&] { return x11.frame(settings) == Frame{782, 448, 360, 220}; }, 5s))
            << "the settings window is at " << x11.frame(settings);
        const Frame open = x11.frame(panel);
        EXPECT_GT(x11.frame(x11.topLevelOf(settings)).y, open.y + open.height);
        x11.screenshot(artefacts + "4-settings");
        ASSERT_TRUE(run({"i3-msg", "-q", "[title=\"^Notch Position$\"] kill"}));
        ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(settings); }, 5s)) << "the settings window stayed";
        EXPECT_TRUE(waitUntil([&] { return x11.inputFocus() == panel; }, 5s))
            << "after the settings window the focus is with " << x11.name(x11.inputFocus());
    }));

    // Workspace 2: a floating program over the capsule's place.
    ASSERT_TRUE(run({"i3-msg", "-q", "workspace", "2"}));
    ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(tiled); }, 5s)) << "workspace 2 did not come";
    std::this_thread::sleep_for(300ms);  // the design drawn again where it shows now
    const QImage before = x11.image();
    const Window floating = program({700, 0, 520, 240}, floatingColor, "_NET_WM_WINDOW_TYPE_DIALOG");
    ASSERT_NE(floating, 0u);
    expectDesignBelowAndCapsuleAbove(floating, "floating on workspace 2");
    const Frame floatingFrame = x11.frame(x11.topLevelOf(floating));
    const QImage after = x11.screenshot(artefacts + "5-second-workspace");
    EXPECT_EQ(after.pixel(floatingFrame.x + floatingFrame.width / 2, floatingFrame.y + floatingFrame.height - 20),
              QRgb(0xFF000000 | floatingColor));
    // Around the program (below the bar, beside the capsule) the design
    // shows as before it came: the screen's picture, not one colour.
    const QRect program(floatingFrame.x, floatingFrame.y, floatingFrame.width, floatingFrame.height);
    const QRect capsule(collapsedFrame.x, collapsedFrame.y, collapsedFrame.width, collapsedFrame.height);
    int changed = 0;
    std::set<QRgb> colours;
    for (int y = 20; y < 1080; y += 3)
        for (int x = 0; x < 1920; x += 3) {
            if (program.contains(x, y) || capsule.contains(x, y)) continue;
            changed += after.pixel(x, y) != before.pixel(x, y);
            colours.insert(after.pixel(x, y));
        }
    EXPECT_EQ(changed, 0) << "pixels around the program changed";
    EXPECT_GT(colours.size(), 8u) << "no design around the program";
}

// Runs last: it ends the i3 that the program started, and the next one too.
TEST_F(UnderI3, FollowsOpenboxReplacingI3AndI3ReplacingOpenbox) {
    const Window tiled = program({300, 640, 400, 240}, programColor);
    ASSERT_NE(tiled, 0u);
    EXPECT_TRUE(x11.isOverrideRedirect(desktop));
    EXPECT_TRUE(x11.isOverrideRedirect(panel));

    // openbox keeps a desktop-typed window below and the panel above itself.
    const pid_t openbox = spawn({"openbox", "--replace", "--sm-disable"});
    ASSERT_GT(openbox, 0);
    ASSERT_TRUE(waitUntil([&] {
        const auto desktops = x11.desktopWindows();
        desktop = desktops.size() == 1 ? desktops.front() : 0;
        panel = x11.waitForWindowNamed("Glimora Notch", 100ms);
        return desktop && panel && x11.isViewable(desktop) && x11.stackIndex(desktop) < x11.stackIndex(tiled) &&
               x11.stackIndex(tiled) < x11.stackIndex(panel);
    })) << "under openbox the design is at " << x11.stackIndex(desktop) << " of the stack, the panel at "
        << x11.stackIndex(panel) << ", the program at " << x11.stackIndex(tiled);
    EXPECT_FALSE(x11.isOverrideRedirect(desktop));
    EXPECT_FALSE(x11.isOverrideRedirect(panel));
    EXPECT_TRUE(waitUntil([&] { return x11.frame(panel) == collapsedFrame; })) << x11.frame(panel);
    x11.screenshot(artefacts + "6-replaced-by-openbox");

    // i3 again: the windows are its unmanaged ones again, and work.
    std::vector<std::string> command = i3Command();
    command.push_back("--replace");
    const pid_t i3 = spawn(command);
    ASSERT_GT(i3, 0);
    ASSERT_TRUE(waitUntil([&] {
        desktop = x11.findNamed("Glimora Desktop");
        panel = x11.findNamed("Glimora Notch");
        return x11.isOverrideRedirect(desktop) && x11.isOverrideRedirect(panel) && x11.isViewable(desktop) &&
               x11.isViewable(panel);
    })) << "the windows did not come back unmanaged";
    expectDesignBelowAndCapsuleAbove(tiled, "i3 again");
    ASSERT_NO_FATAL_FAILURE(openAndCloseByClicks(tiled));
    x11.screenshot(artefacts + "7-i3-again");
    stop(i3);
    stop(openbox);
}

}  // namespace
}  // namespace glimora
