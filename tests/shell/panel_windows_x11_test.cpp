// The built glimora's open panel among other windows, under openbox with real
// X input (xdotool): a click into another program closes it, also while the
// settings window is open; the settings window never covers it; after one of
// its file dialogs is cancelled it has the focus again; the folder dialog
// starts in the home folder when there is no Downloads folder; a right click
// on the open side panel offers the menu; each tab opens at its top.
#include "model/recipe_library.hpp"
#include "tests/shell/open_panel_layout.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace glimora {
namespace {

using namespace x11test;
using namespace std::chrono_literals;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

const std::string artefacts = "panel_windows_x11_test/";

constexpr Frame topCollapsed{800, 0, 320, 28};

std::filesystem::path home() { return std::getenv("HOME"); }

std::filesystem::path preferencesFile() {
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool overlap(const Frame& a, const Frame& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

std::string tabTitle(NotchTab tab) { return std::string(glimora::title(tab)); }

class PanelAmongWindows : public ::testing::Test {
protected:
    void SetUp() override {
        application();  // for the panel's layout in this process
        ASSERT_NE(x11.display(), nullptr) << "run under xvfb-run";
        ASSERT_EQ(x11.image().size(), QSize(1920, 1080)) << "this test runs under xvfb-run at 1920x1080";
    }

    void TearDown() override {
        stop(glimora);
        glimora = -1;
        waitUntil([&] { return x11.windowsNamed("Glimora Notch").empty(); }, 5s);
        std::filesystem::remove(preferencesFile());
        layout_.reset();
        for (const Window window : ownWindows) XDestroyWindow(x11.display(), window);
        ownWindows.clear();
        XSync(x11.display(), False);
    }

    // A window of another program (this test's connection), where asked.
    Window otherWindow(int x, int y, int width, int height, long events = 0) {
        const Window window = x11.mapOtherWindow({x, y, width, height, 0x3366AA, true, events});
        ownWindows.push_back(window);
        return window;
    }

    // Starts the application with the panel at this edge, another program
    // holding the focus, and waits for the panel's collapsed frame.
    void start(NotchPlacement placement) {
        placement_ = placement;
        std::filesystem::create_directories(preferencesFile().parent_path());
        std::ofstream(preferencesFile()) << "{\"launchAtLogin\": false, \"notchPlacement\": \""
                                         << rawValue(placement) << "\"}";
        other = otherWindow(300, 640, 400, 240);
        ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(other)}));
        glimora = spawn({GLIMORA_BINARY}, artefactPath(artefacts + "glimora-output.txt"));
        ASSERT_GT(glimora, 0);
        panel = x11.waitForWindowNamed("Glimora Notch");
        ASSERT_NE(panel, 0u) << "no notch panel appeared";
        collapsed = settledFrame();
    }

    // The panel's frame once it has not moved for 400 ms.
    Frame settledFrame() {
        Frame last = x11.frame(panel);
        auto since = x11test::Clock::now();
        waitUntil(
            [&] {
                const Frame now = x11.frame(panel);
                if (now != last) last = now, since = x11test::Clock::now();
                return x11test::Clock::now() - since > 400ms;
            },
            10s);
        return last;
    }

    bool isSide() const { return placement_ == NotchPlacement::left || placement_ == NotchPlacement::right; }

    // Opens the panel by a click on its capsule or on the rail's Expand button.
    void openPanel() {
        const Frame c = collapsed;
        ASSERT_TRUE(clickAt(c.x + c.width / 2, isSide() ? c.y + c.height - 30 - 16 : c.y + c.height / 2));
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel).height > 100; }, 5s)) << "the panel did not open";
        open = settledFrame();
        ASSERT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 5s)) << "the open panel has no focus";
    }

    // Where the open panel, at its present size, shows this control of `tab`.
    QRect control(NotchTab tab, const QString& name) {
        if (!layout_) layout_ = std::make_unique<OpenPanelLayout>(placement_);
        const Frame now = x11.frame(panel);
        return layout_->control(tab, name, QSize(now.width, now.height));
    }

    // A click at a point of the panel's window.
    void clickPanel(QPoint at, int button = 1) {
        const Frame now = x11.frame(panel);
        ASSERT_TRUE(clickAt(now.x + at.x(), now.y + at.y(), button));
    }

    void selectTab(NotchTab tab) {
        const QRect button = control(tab, QString::fromStdString(tabTitle(tab)));
        ASSERT_FALSE(button.isEmpty()) << "no tab button " << tabTitle(tab);
        ASSERT_NO_FATAL_FAILURE(clickPanel(button.center()));
        std::this_thread::sleep_for(100ms);  // the spring starts on the next frame
        open = settledFrame();
    }

    void clickControl(NotchTab tab, const QString& name) {
        const QRect at = control(tab, name);
        ASSERT_FALSE(at.isEmpty()) << "no control \"" << name.toStdString() << "\" on " << tabTitle(tab);
        ASSERT_NO_FATAL_FAILURE(clickPanel(at.center()));
    }

    // A real click into the other program; the panel goes back to its capsule.
    void expectClosedByAClickOnTheOtherProgram(const std::string& step) {
        ASSERT_TRUE(clickAt(500, 760));
        EXPECT_TRUE(waitUntil([&] { return x11.frame(panel) == collapsed; }, 5s))
            << step << ": the panel stayed open at " << x11.frame(panel);
        EXPECT_EQ(x11.activeWindow(), other) << step;
        x11.screenshot(artefacts + step);
    }

    // The dialog of this title once it is up and has the focus.
    Window dialogNamed(const std::string& name) {
        const Window dialog = x11.waitForWindowNamed(name);
        EXPECT_NE(dialog, 0u) << "no dialog \"" << name << "\" opened";
        if (dialog) EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == dialog; }, 5s));
        return dialog;
    }

    // The window with the window manager's frame around it.
    Frame outerFrame(Window window) {
        const Frame inner = x11.frame(window);
        const auto extents = x11.property(window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (extents.size() != 4) return inner;
        return {inner.x - int(extents[0]), inner.y - int(extents[2]), inner.width + int(extents[0] + extents[1]),
                inner.height + int(extents[2] + extents[3])};
    }

    X11 x11;
    pid_t glimora = -1;
    Window panel = 0;
    Window other = 0;
    Frame collapsed;
    Frame open;
    std::vector<Window> ownWindows;
    NotchPlacement placement_ = NotchPlacement::top;
    std::unique_ptr<OpenPanelLayout> layout_;
};

// `glimora --settings` to the running copy; the settings window once it is up.
Window openSettingsFromTheCommandLine(X11& x11) {
    const pid_t second = spawn({GLIMORA_BINARY, "--settings"});
    EXPECT_EQ(waitForExit(second, 15s), std::optional<int>(0));
    const Window settings = x11.waitForWindowNamed("Notch Position");
    EXPECT_NE(settings, 0u) << "the running copy opened no settings window";
    return settings;
}

TEST_F(PanelAmongWindows, AClickIntoAnotherProgramClosesThePanelAlsoWithTheSettingsWindowOpen) {
    ASSERT_NO_FATAL_FAILURE(start(NotchPlacement::top));
    ASSERT_EQ(collapsed, topCollapsed);

    // The settings window in the background.
    const Window settings = openSettingsFromTheCommandLine(x11);
    ASSERT_NE(settings, 0u);
    ASSERT_NO_FATAL_FAILURE(openPanel());
    x11.screenshot(artefacts + "1-open-settings-behind");
    ASSERT_NO_FATAL_FAILURE(expectClosedByAClickOnTheOtherProgram("2-closed-settings-behind"));
    EXPECT_TRUE(x11.isViewable(settings));

    // The settings window opened from the open panel (Ctrl+,) has the focus.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_TRUE(xdotool({"key", "ctrl+comma"}));
    ASSERT_TRUE(waitUntil([&] { return x11.activeWindow() == settings; }, 5s)) << "Ctrl+, did not bring the settings";
    EXPECT_EQ(x11.frame(panel), open) << "the panel closed when its settings window took the focus";
    ASSERT_NO_FATAL_FAILURE(expectClosedByAClickOnTheOtherProgram("3-closed-settings-in-front"));
}

TEST_F(PanelAmongWindows, TheSettingsWindowCoversNoPartOfThePanelAtAnyEdge) {
    for (const NotchPlacement placement : allCases<NotchPlacement>()) {
        const std::string edge(rawValue(placement));
        SCOPED_TRACE(edge);
        ASSERT_NO_FATAL_FAILURE(start(placement));
        const Window settings = openSettingsFromTheCommandLine(x11);
        ASSERT_NE(settings, 0u);
        ASSERT_TRUE(waitUntil([&] { return x11.activeWindow() == settings; }, 5s));
        const Frame window = outerFrame(settings);
        EXPECT_GE(window.width, 360);
        EXPECT_GE(window.height, 220);
        EXPECT_FALSE(overlap(window, collapsed)) << window << " over the collapsed panel " << collapsed;
        // The capsule or rail can be clicked: the panel opens.
        ASSERT_NO_FATAL_FAILURE(openPanel());
        EXPECT_FALSE(overlap(window, open)) << window << " over the open panel " << open;
        // History makes the open panel tallest (top, bottom) and widest (sides).
        ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::history));
        EXPECT_FALSE(overlap(window, open)) << window << " over the open panel " << open;
        EXPECT_EQ(outerFrame(settings), window) << "the settings window moved";
        x11.screenshot(artefacts + "settings-" + edge);
        TearDown();
    }
}

TEST_F(PanelAmongWindows, AfterItsFileDialogsThePanelHasTheFocusAndTheFolderDialogStartsAtHome) {
    // No Downloads folder; a "Walls" folder at home and another in the
    // program's working directory, which it inherits from this test.
    std::filesystem::remove_all(home() / "Downloads");
    std::filesystem::create_directories(home() / "Walls");
    std::filesystem::create_directories(home() / "Pictures");
    ::setenv("XDG_PICTURES_DIR", (home() / "Pictures").c_str(), 1);
    test::TempDir elsewhere;
    std::filesystem::create_directories(elsewhere.path() / "Walls");
    const std::filesystem::path testFolder = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    start(NotchPlacement::top);
    std::filesystem::current_path(testFolder);
    ASSERT_FALSE(HasFatalFailure());

    // The folder dialog, cancelled: the panel is open and has the focus.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::export_));
    const std::string folderDialog = "Choose where exported wallpapers should be saved.";
    ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::export_, QStringLiteral("Choose output folder")));
    Window dialog = dialogNamed(folderDialog);
    ASSERT_NE(dialog, 0u);
    x11.screenshot(artefacts + "folder-1-dialog");
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 5s));
    EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 5s))
        << "the focus went to " << x11.name(x11.activeWindow());
    EXPECT_EQ(x11.frame(panel), open);
    x11.screenshot(artefacts + "folder-2-cancelled");
    ASSERT_NO_FATAL_FAILURE(expectClosedByAClickOnTheOtherProgram("folder-3-closed"));

    // The photo picker, cancelled: the same.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::image));
    ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::image, QStringLiteral("Photos")));
    dialog = dialogNamed("Choose photos from your Pictures folder.");
    ASSERT_NE(dialog, 0u);
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 5s));
    EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 5s))
        << "the focus went to " << x11.name(x11.activeWindow());
    EXPECT_EQ(x11.frame(panel), open);
    ASSERT_NO_FATAL_FAILURE(expectClosedByAClickOnTheOtherProgram("photos-closed"));

    // The folder dialog starts at home: "Walls" typed there is the home one.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::export_));
    ASSERT_NO_FATAL_FAILURE(clickControl(NotchTab::export_, QStringLiteral("Choose output folder")));
    dialog = dialogNamed(folderDialog);
    ASSERT_NE(dialog, 0u);
    ASSERT_TRUE(xdotool({"type", "--delay", "30", "Walls"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    ASSERT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 5s)) << "the dialog stayed open";
    const auto storedFolder = [] {
        const auto stored = nlohmann::json::parse(readFile(preferencesFile()), nullptr, false);
        return stored.is_object() && stored.contains("outputFolderBookmark") ? stored["outputFolderBookmark"]
                                                                              : nlohmann::json();
    };
    EXPECT_TRUE(waitUntil([&] { return !storedFolder().is_null(); }, 5s));
    EXPECT_EQ(storedFolder(), nlohmann::json((home() / "Walls").string()));
    EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == panel; }, 5s));
}

TEST_F(PanelAmongWindows, ARightClickAnywhereOnTheOpenRightPanelOpensTheMenu) {
    ASSERT_NO_FATAL_FAILURE(start(NotchPlacement::right));
    // A window under the open panel's lower part, to see where clicks go.
    const Window below = otherWindow(1400, 800, 400, 120, ButtonPressMask);
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::history));
    ASSERT_EQ(open, (Frame{1568, 220, 352, 640}));
    XSync(x11.display(), False);
    XEvent event;
    while (XCheckTypedWindowEvent(x11.display(), below, ButtonPress, &event)) {
    }
    // The outline's body spans y 260 to 819 away from the screen edge; its
    // last row, the rounded inner corners, the grip, the tab column and the
    // flare at the screen edge count.
    const std::vector<QPoint> inside = {{1700, 500}, {1700, 819}, {1700, 261}, {1577, 540}, {1600, 300},
                                        {1888, 400}, {1888, 800}, {1916, 830}, {1600, 815}};
    for (const QPoint point : inside) {
        SCOPED_TRACE(std::to_string(point.x()) + "," + std::to_string(point.y()));
        ASSERT_TRUE(clickAt(point.x(), point.y(), 3));
        EXPECT_TRUE(waitUntil([&] { return x11.popupMenus().size() == 1; }, 3s)) << "no menu opened";
        if (point == QPoint(1700, 819)) x11.screenshot(artefacts + "right-click-menu");
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        ASSERT_TRUE(waitUntil([&] { return x11.popupMenus().empty(); }, 3s));
        EXPECT_EQ(x11.frame(panel), open);
    }
    // One row lower at x 1700 is outside the outline: the click goes to the
    // window below.
    ASSERT_TRUE(clickAt(1700, 820, 3));
    EXPECT_TRUE(waitUntil([&] { return XCheckTypedWindowEvent(x11.display(), below, ButtonPress, &event); }, 3s))
        << "the click below the outline did not reach the window below";
    EXPECT_TRUE(x11.popupMenus().empty());
}

TEST_F(PanelAmongWindows, ATabOpensAtItsTop) {
    // A library long enough to scroll.
    test::ModelHarness harness;
    auto design = harness.make();
    std::vector<DesignRecipe> recipes;
    for (int i = 0; i < 15; ++i) {  // the scripted ids repeat after sixteen
        design->setPaletteIndex(i % 8);
        recipes.push_back(design->makeRecipe("Saved " + std::to_string(i), false));
    }
    const auto library = recipeHistoryURL(std::filesystem::path(std::getenv("XDG_DATA_HOME")));
    ASSERT_TRUE(library);
    std::filesystem::create_directories(library->parent_path());
    test::writeFile(*library, encodeRecipeHistory(recipes).value());

    ASSERT_NO_FATAL_FAILURE(start(NotchPlacement::right));
    ASSERT_NO_FATAL_FAILURE(openPanel());
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::history));
    const QRect name = control(NotchTab::history, QStringLiteral("Name this design"));
    ASSERT_FALSE(name.isEmpty());
    const QRect content(open.x + 10, open.y + 40, open.width - 64 - 10, open.height - 80);
    const QImage top = x11.image(0, content.x(), content.y(), content.width(), content.height());
    x11.screenshot(artefacts + "tab-1-history-top");

    // Scrolled down with the wheel, it shows other rows...
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(content.center().x()), std::to_string(content.center().y()),
                         "click", "--repeat", "8", "--delay", "40", "5"}));
    const auto differingRows = [&](const QImage& now) {
        int rows = 0;
        for (int y = 0; y < now.height(); ++y)
            for (int x = 0; x < now.width(); x += 2)
                if (now.pixel(x, y) != top.pixel(x, y)) {
                    ++rows;
                    break;
                }
        return rows;
    };
    EXPECT_TRUE(waitUntil([&] {
        return differingRows(x11.image(0, content.x(), content.y(), content.width(), content.height())) >
               content.height() / 2;
    }, 5s)) << "the wheel did not scroll the history";
    x11.screenshot(artefacts + "tab-2-history-scrolled");

    // ...another tab and History again: it opens at its top, where a click
    // on the name field lets the name be typed and saved.
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::shape));
    ASSERT_NO_FATAL_FAILURE(selectTab(NotchTab::history));
    x11.screenshot(artefacts + "tab-3-history-again");
    ASSERT_NO_FATAL_FAILURE(clickPanel(name.center()));
    ASSERT_TRUE(xdotool({"type", "--delay", "30", "Dusk Rows"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return readFile(*library).find("Dusk Rows") != std::string::npos; }, 5s))
        << "the click did not reach the name field";
    EXPECT_TRUE(x11.windowsNamed("Open a Ombriq recipe to restore its exact design.").empty())
        << "the click pressed Import .ombriq";
}

}  // namespace
}  // namespace glimora
