// Importing through the running application's panel, seen only from outside
// it: the built glimora under openbox, its panel opened and a tab chosen by
// real clicks, an import button clicked, and the files chosen in the file
// dialog by typing their names. Photos: while the dialog has the focus the
// panel stays open (mapped at the open frame, with the open outline), and
// afterwards the first picture covers the desktop window. A recipe document:
// it is stored in the library and the desktop shows its design.
#include "geometry/notch_outline.hpp"
#include "geometry/panel_frame.hpp"
#include "panel/notch_panel.hpp"
#include "panel/notch_panel_views.hpp"
#include "panel/notch_root_view.hpp"
#include "panel/notch_window_controller.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "tests/state/model_harness.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

#include <X11/extensions/shape.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

namespace glimora {
namespace {

using namespace x11test;
using namespace std::chrono_literals;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

constexpr Frame collapsedFrame{800, 0, 320, 28};
// The open panel is this wide at the top of the screen; its height follows
// the selected tab's content.
constexpr int openX = 580;
constexpr int openWidth = 760;
const std::string artefacts = "app_panel_import_x11_test/";

// Where the open top panel puts its controls, in its window's coordinates:
// the application's own panel views, laid out in this process at the open
// panel's size as the window controller lays them out, never shown on screen.
class OpenPanelLayout {
public:
    OpenPanelLayout() : model_(harness_.make()) {
        model_->setNotchPlacement(NotchPlacement::top);
        model_->setExpanded(true);
        bridge_ = std::make_unique<NotchViewModelBridge>(*model_);
        panel_ = std::make_unique<NotchPanel>();
        panel_->setContentView(new NotchRootView(*bridge_));
        const double inset = panelLayout(panelLayoutInputs(*model_)).hostingInset;
        panel_->windowContentView()->setHostingInsets(QMarginsF(inset, 0, inset, 0));
        panel_->setAttribute(Qt::WA_DontShowOnScreen);
        panel_->resize(openWidth, 300);
        panel_->show();
        runEventLoopFor(50);
    }

    // The control of this accessible name with `tab` selected, in a panel of
    // this size; empty when that tab shows no such control.
    QRect control(NotchTab tab, const QString& name, QSize size) {
        model_->setSelectedTab(tab);
        panel_->resize(size);
        runEventLoopFor(50);
        const QWidget* widget = visibleNamed(panel_.get(), name);
        if (!widget) return {};
        return QRect(widget->mapTo(panel_.get(), QPoint(0, 0)), widget->size());
    }

private:
    test::ModelHarness harness_;
    std::shared_ptr<NotchViewModel> model_;
    std::unique_ptr<NotchViewModelBridge> bridge_;
    std::unique_ptr<NotchPanel> panel_;
};

void writePicture(const std::filesystem::path& file, QColor color) {
    // A little texture, as a photo has.
    QImage image(640, 400, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, y, color.lighter(100 + (x + y) % 7));
    ASSERT_TRUE(image.save(QString::fromStdString(file.string())));
}

// The red picture's colour, through the pixel look and the design's overlays
// (scanlines and vignette darken it, none turns it another colour).
bool isReddish(QRgb pixel) { return qRed(pixel) >= 90 && qRed(pixel) > 2 * qGreen(pixel) && qRed(pixel) > 2 * qBlue(pixel); }

int channel(unsigned long rgb, int shift) { return int((rgb >> shift) & 0xFF); }

// Points of the desktop that neither the panel nor the dialog covers for long.
constexpr std::array<std::pair<int, int>, 6> desktopPoints{
    {{200, 200}, {300, 600}, {960, 700}, {1600, 900}, {1700, 200}, {500, 950}}};

int reddishPoints(const QImage& desktop) {
    int count = 0;
    for (const auto& [x, y] : desktopPoints) count += isReddish(desktop.pixel(x, y));
    return count;
}

class ImportThroughTheAppPanel : public ::testing::Test {
protected:
    void SetUp() override {
        application();  // for the panel's layout in this process
        ASSERT_NE(x11.display(), nullptr) << "run under xvfb-run";
        const QImage screen = x11.image();
        ASSERT_EQ(screen.size(), QSize(1920, 1080)) << "this test runs under xvfb-run at 1920x1080";
        const std::filesystem::path home = std::getenv("HOME");
        pictures = home / "Pictures";
        std::filesystem::create_directories(pictures);
        ::setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
        ASSERT_NO_FATAL_FAILURE(writePicture(pictures / "1-red.png", QColor(220, 30, 30)));
        ASSERT_NO_FATAL_FAILURE(writePicture(pictures / "2-blue.png", QColor(30, 40, 220)));
        const auto preferences = std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
        std::filesystem::create_directories(preferences.parent_path());
        std::ofstream(preferences) << R"({"launchAtLogin": false, "notchPlacement": "top"})";
    }

    void TearDown() override { stop(glimora); }

    void start() {
        glimora = spawn({GLIMORA_BINARY}, artefactPath(artefacts + "glimora-output.txt"));
        ASSERT_GT(glimora, 0);
        panel = x11.waitForWindowNamed("Glimora Notch");
        ASSERT_NE(panel, 0u) << "no notch panel appeared";
        ASSERT_TRUE(waitUntil([&] {
            const auto found = x11.desktopWindows();
            if (found.empty() || !x11.isViewable(found.front())) return false;
            desktop = found.front();
            return true;
        })) << "no desktop window appeared";
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel) == collapsedFrame; })) << x11.frame(panel);
    }

    // The open panel's frame once its spring has come to rest.
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

    // Opens the panel from its capsule, selects the tab by its button and
    // keeps the open frame it comes to rest at in `open`.
    void openTab(NotchTab tab) {
        ASSERT_TRUE(clickAt(collapsedFrame.x + collapsedFrame.width / 2, collapsedFrame.height / 2));
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel).width == openWidth; })) << x11.frame(panel);
        open = settledFrame();
        const QRect button = tabButton(tab);
        ASSERT_FALSE(button.isEmpty()) << "no tab button " << title(tab);
        ASSERT_NO_FATAL_FAILURE(clickPanel(button.center()));
        // Settled at the new tab's height.
        std::this_thread::sleep_for(200ms);
        open = settledFrame();
        EXPECT_EQ(open.x, openX);
        EXPECT_EQ(open.y, 0);
        EXPECT_EQ(open.width, openWidth);
        EXPECT_GT(open.height, 100) << "the panel is not open";
    }

    // The tab's button in the open panel's header.
    QRect tabButton(NotchTab tab) {
        const std::string_view name = title(tab);
        return control(tab, QString::fromUtf8(name.data(), qsizetype(name.size())));
    }

    // Where the open panel, at its present size, shows this control of `tab`.
    QRect control(NotchTab tab, const QString& name) {
        const Frame now = x11.frame(panel);
        return layout().control(tab, name, QSize(now.width, now.height));
    }

    // The dialog of this title once it is up and has the focus.
    Window dialogNamed(const std::string& title) {
        const Window dialog = x11.waitForWindowNamed(title);
        EXPECT_NE(dialog, 0u) << "no dialog \"" << title << "\" opened";
        if (dialog) EXPECT_TRUE(waitUntil([&] { return x11.activeWindow() == dialog; }, 5s)) << "the dialog did not take the focus";
        return dialog;
    }

    OpenPanelLayout& layout() {
        if (!layout_) layout_ = std::make_unique<OpenPanelLayout>();
        return *layout_;
    }

    // A click at a point of the panel's window.
    void clickPanel(QPoint at) { ASSERT_TRUE(clickAt(x11.frame(panel).x + at.x(), x11.frame(panel).y + at.y())); }

    // The panel's window shape: the outline of the open panel, band by band.
    void expectOpenOutline() {
        int count = 0, ordering = 0;
        XRectangle* rectangles = XShapeGetRectangles(x11.display(), panel, ShapeBounding, &count, &ordering);
        const auto outline =
            notchOutline(NotchPlacement::top, open.width, open.height, 30, 25).pixelRectangles(open.width, open.height);
        EXPECT_EQ(std::size_t(count), outline.size());
        for (int i = 0; i < count; ++i) {
            const PixelRect r{rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height};
            EXPECT_NE(std::find(outline.begin(), outline.end(), r), outline.end()) << r.x << "," << r.y;
        }
        if (rectangles) XFree(rectangles);
    }

    X11 x11;
    std::unique_ptr<OpenPanelLayout> layout_;
    std::filesystem::path pictures;
    pid_t glimora = -1;
    Window panel = 0;
    Window desktop = 0;
    Frame open;
};

TEST_F(ImportThroughTheAppPanel, PicturesChosenInTheDialogShowTheFirstOnTheDesktopWhileThePanelStaysOpen) {
    ASSERT_NO_FATAL_FAILURE(start());
    std::this_thread::sleep_for(500ms);  // the desktop's first frame painted
    const QImage before = x11.screenshot(artefacts + "1-collapsed");
    ASSERT_LT(reddishPoints(before), int(desktopPoints.size())) << "the design before is already the picture's red";

    // The capsule opens the panel; the Image tab's button takes the selected
    // tab's grey fill, beside its label.
    ASSERT_NO_FATAL_FAILURE(openTab(NotchTab::image));
    const QRect imageTab = tabButton(NotchTab::image);
    ASSERT_FALSE(imageTab.isEmpty());
    const QPoint fillPoint(open.x + imageTab.left() + 8, open.y + imageTab.center().y());
    EXPECT_TRUE(waitUntil([&] { return channel(x11.pixel(fillPoint.x(), fillPoint.y()), 8) >= 14; }, 5s))
        << "the Image tab did not become selected: " << std::hex << x11.pixel(fillPoint.x(), fillPoint.y());
    const QRect shapeTab = tabButton(NotchTab::shape);
    ASSERT_FALSE(shapeTab.isEmpty());
    EXPECT_LT(channel(x11.pixel(open.x + shapeTab.left() + 8, open.y + shapeTab.center().y()), 8), 12)
        << "the first selected tab is still selected";
    x11.screenshot(artefacts + "2-image-tab");

    // "Photos" opens the picture dialog on the Pictures folder.
    const QRect photos = control(NotchTab::image, QStringLiteral("Photos"));
    ASSERT_FALSE(photos.isEmpty()) << "no Photos button on the Image tab";
    ASSERT_TRUE(QRect(0, 0, open.width, open.height).contains(photos.center()));
    ASSERT_NO_FATAL_FAILURE(clickPanel(photos.center()));
    const Window dialog = dialogNamed("Choose photos from your Pictures folder.");
    ASSERT_NE(dialog, 0u);

    // The panel lost the focus to its own dialog and stays open.
    std::this_thread::sleep_for(800ms);
    EXPECT_TRUE(x11.isViewable(panel));
    EXPECT_EQ(x11.frame(panel), open);
    expectOpenOutline();
    x11.screenshot(artefacts + "3-dialog-open");

    // The file name field has the focus: both pictures by name, then Return.
    ASSERT_TRUE(xdotool({"type", "--delay", "30", "\"1-red.png\" \"2-blue.png\""}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 10s)) << "the dialog stayed open";

    // The first picture covers the desktop window, away from the panel.
    QImage shown;
    const bool red = waitUntil(
        [&] {
            shown = x11.image(desktop);
            return !shown.isNull() && reddishPoints(shown) == int(desktopPoints.size());
        },
        20s);
    x11.screenshot(artefacts + "4-imported");
    ASSERT_FALSE(shown.isNull());
    for (const auto& [x, y] : desktopPoints)
        EXPECT_TRUE(isReddish(shown.pixel(x, y))) << "desktop at " << x << "," << y << ": " << std::hex
                                                  << shown.pixel(x, y);
    EXPECT_TRUE(red);
    int changed = 0;
    for (const auto& [x, y] : desktopPoints) changed += shown.pixel(x, y) != before.pixel(x, y);
    EXPECT_EQ(changed, int(desktopPoints.size())) << "the desktop shows the design of before";
}

TEST_F(ImportThroughTheAppPanel, ARecipeImportedFromTheHistoryTabIsStoredAndShowsOnTheDesktop) {
    // A shared recipe in the Downloads folder, with cells that carry no
    // overlay, so that each cell centre is the cell's colour.
    test::ModelHarness harness;
    auto design = harness.make();
    design->setShape(NotchShape::conic);
    design->setPaletteIndex(9);
    design->setVignette(false);
    design->setScanlines(false);
    design->setRgbSplit(false);
    design->setPixelScale(4);
    const DesignRecipe recipe = design->makeRecipe("Shared Dusk", false);
    const std::filesystem::path downloads = std::filesystem::path(std::getenv("HOME")) / "Downloads";
    std::filesystem::create_directories(downloads);
    ::setenv("XDG_DOWNLOAD_DIR", downloads.c_str(), 1);
    test::writeFile(downloads / "shared-dusk.ombriq", encodeRecipeDocument(recipe));
    const PixelImageBuffer exported = exportWithRenderer(recipe, downloads, "expected");
    ASSERT_EQ(exported.width, 1920);
    const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*design), 1920, 1080);

    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(openTab(NotchTab::history));
    std::this_thread::sleep_for(400ms);
    x11.screenshot(artefacts + "recipe-1-history-tab");

    const QRect import = control(NotchTab::history, QStringLiteral("Import .ombriq"));
    ASSERT_FALSE(import.isEmpty()) << "no Import .ombriq on the History tab";
    ASSERT_NO_FATAL_FAILURE(clickPanel(import.center()));
    const Window dialog = dialogNamed("Open a Ombriq recipe to restore its exact design.");
    ASSERT_NE(dialog, 0u);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(x11.frame(panel), open) << "the panel closed behind its dialog";
    expectOpenOutline();
    x11.screenshot(artefacts + "recipe-2-dialog-open");
    ASSERT_TRUE(xdotool({"type", "--delay", "30", "shared-dusk.ombriq"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return !x11.isViewable(dialog); }, 10s)) << "the dialog stayed open";

    // Stored in the library file...
    const auto library = std::filesystem::path(std::getenv("XDG_DATA_HOME")) / "Ombriq" / "recipes.json";
    const auto stored = [&] {
        if (!std::filesystem::exists(library)) return std::string();
        const auto bytes = test::readFile(library);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_TRUE(waitUntil([&] { return stored().find(recipe.id.toString()) != std::string::npos; }, 10s))
        << "the library does not hold the imported recipe";
    EXPECT_NE(stored().find("Shared Dusk"), std::string::npos);

    // ...and on the desktop, cell for cell as glimora-render exports it,
    // outside the open panel.
    CellComparison comparison;
    QImage shot;
    waitUntil(
        [&] {
            const Frame now = x11.frame(panel);
            const QRect covered(now.x - 2, now.y - 2, now.width + 4, now.height + 4);
            shot = x11.image(desktop);
            comparison = compareCellCentres(shot, exported, grid, 0, covered);
            return comparison.differing == 0;
        },
        15s);
    keepScreenshot(shot, artefacts + "recipe-3-imported-desktop");
    EXPECT_EQ(comparison.differing, 0) << "of " << comparison.compared << " cell centres; first:\n"
                                       << comparison.firstDifferences;
    EXPECT_GT(comparison.compared, 10000);
}

}  // namespace
}  // namespace glimora
