// The notch panel and the desktop on a screen of two device pixels per
// point (QT_SCALE_FACTOR=2 on a 3840x2160 screen, a 1920x1080 one in
// points): the panel takes clicks on its whole outline and nowhere else at
// every edge, with and without a compositing manager (xcompmgr), and the
// desktop and the saver show the design of the 1920x1080 screen drawn at the
// device pixels. Run by ctest inside `xvfb-run` at 3840x2160, with an openbox
// and an xcompmgr of its own.
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "geometry/notch_outline.hpp"
#include "model/recipe_library.hpp"
#include "panel/notch_panel_views.hpp"
#include "tests/state/model_harness.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;
using namespace std::chrono_literals;

constexpr double ratio = 2;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);
constexpr unsigned long backdropColor = 0x2A7F62;

// Before anything reads it: the glimora started here and this program's own
// application both run at two device pixels per point.
[[maybe_unused]] const bool scaled = setenv("QT_SCALE_FACTOR", "2", 1) == 0;

// A frame in points, as the panel's layout gives it on a 1920x1080 screen.
struct Layout {
    Frame frame;
    double attachedCornerRadius = 0, innerCornerRadius = 0;
};

struct Edge {
    NotchPlacement placement;
    Layout collapsed, expanded;
    QPoint chevron;  // the Expand button of the closed panel, in points on the screen
};

const std::vector<Edge>& edges() {
    static const std::vector<Edge> all{
        {NotchPlacement::top, {{800, 0, 320, 28}, 0, 19}, {{580, 0, 760, 300}, 30, 25}, {1100, 14}},
        {NotchPlacement::bottom, {{800, 1052, 320, 28}, 0, 19}, {{580, 780, 760, 300}, 30, 25}, {1100, 1066}},
        {NotchPlacement::left, {{0, 430, 68, 220}, 40, 34}, {{0, 220, 322, 640}, 40, 34}, {34, 604}},
        {NotchPlacement::right, {{1852, 430, 68, 220}, 40, 34}, {{1598, 220, 322, 640}, 40, 34}, {1886, 604}},
    };
    return all;
}

int inPixels(int points) { return int(std::lround(points * ratio)); }
Frame inPixels(const Frame& f) { return {inPixels(f.x), inPixels(f.y), inPixels(f.width), inPixels(f.height)}; }

// The panel's outline at this layout, in the device pixels of its window.
NotchOutline deviceOutline(NotchPlacement placement, const Layout& layout) {
    return notchOutline(placement, layout.frame.width * ratio, layout.frame.height * ratio,
                        layout.attachedCornerRadius * ratio, layout.innerCornerRadius * ratio);
}

// The device pixels the outline touches at all (rounded outward), as Qt's
// antialiasing rasteriser covers them.
QRegion touchedPixels(const NotchOutline& outline, int width, int height) {
    QImage coverage(width, height, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(painterPath(outline), Qt::black);
    painter.end();
    QRegion region;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(coverage.constScanLine(y));
        for (int x = 0; x < width;) {
            if (qAlpha(line[x]) == 0) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < width && qAlpha(line[x]) > 0) ++x;
            region += QRect(from, y, x - from, 1);
        }
    }
    return region;
}

// The region and every pixel next to it (diagonals too), and the part of it
// whose every neighbour is in it.
QRegion grown(const QRegion& region) {
    QRegion result = region;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) result += region.translated(dx, dy);
    return result;
}

QRegion shrunk(const QRegion& region) {
    QRegion result = region;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) result &= region.translated(dx, dy);
    return result;
}

int pixelCount(const QRegion& region) {
    int count = 0;
    for (const QRect& r : region) count += r.width() * r.height();
    return count;
}

// A point of the window 4 device pixels outside the outline: from the middle
// of a rounded free corner (the third segment) out toward its control point.
QPoint outsideCorner(const NotchOutline& outline) {
    const auto& corner = outline.segments.at(2);
    const OutlinePoint from = outline.segments.at(1).end;
    const double mx = 0.25 * from.x + 0.5 * corner.control.x + 0.25 * corner.end.x;
    const double my = 0.25 * from.y + 0.5 * corner.control.y + 0.25 * corner.end.y;
    const double dx = corner.control.x - mx, dy = corner.control.y - my;
    const double length = std::hypot(dx, dy);
    return {int(std::floor(mx + 4 * dx / length)), int(std::floor(my + 4 * dy / length))};
}

class ScaledPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        x11 = new X11;
        ASSERT_NE(x11->display(), nullptr) << "this test runs under xvfb-run";
        ASSERT_EQ(DisplayWidth(x11->display(), 0), 3840) << "the screen must be 3840x2160";
        compositor = new Compositor(*x11);
    }
    static void TearDownTestSuite() {
        delete compositor;
        compositor = nullptr;
        delete x11;
        x11 = nullptr;
    }

    void SetUp() override {
        backdrop = x11->mapOtherWindow({0, 0, 3840, 2160, backdropColor, false, ButtonPressMask});
        focusHolder = x11->mapOtherWindow({200, 1200, 400, 200, backdropColor, false});
    }
    void TearDown() override {
        stopGlimora();
        XDestroyWindow(x11->display(), focusHolder);
        XDestroyWindow(x11->display(), backdrop);
        XSync(x11->display(), False);
    }

    void startGlimora(NotchPlacement placement) {
        ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
        ASSERT_NO_FATAL_FAILURE(glimora.start(*x11, std::string(rawValue(placement))));
        panel = glimora.panel;
    }
    void stopGlimora() { glimora.stop(*x11); }

    bool settlesAt(const Frame& frame) {
        const bool settled = waitUntil([&] { return x11->frame(panel) == frame; });
        EXPECT_TRUE(settled) << "the panel is at " << x11->frame(panel) << ", not " << frame;
        return settled;
    }

    // Whether a click reaches the window below the panel within 3 s.
    bool backdropPressed() {
        return waitUntil([&] {
            XEvent event;
            return XCheckTypedWindowEvent(x11->display(), backdrop, ButtonPress, &event) == True;
        }, 3s);
    }
    void forgetBackdropPresses() {
        XSync(x11->display(), False);
        XEvent event;
        while (XCheckTypedWindowEvent(x11->display(), backdrop, ButtonPress, &event)) {
        }
    }

    // Where the settled panel takes input (its input shape within its
    // bounding shape) against its outline at ratio 2 rounded outward, within
    // a device pixel; a click 4 px outside the outline reaches the window below.
    void checkInputAndClickOutside(const Edge& edge, const Layout& layout, const std::string& state) {
        const Frame frame = inPixels(layout.frame);
        const NotchOutline outline = deviceOutline(edge.placement, layout);
        const QRegion touched = touchedPixels(outline, frame.width, frame.height);
        const QRegion input = windowShape(x11->display(), panel, ShapeInput) &
                              windowShape(x11->display(), panel, ShapeBounding);
        const QRegion beyond = input - grown(touched), missing = shrunk(touched) - input;
        EXPECT_TRUE(beyond.isEmpty()) << state << ": " << pixelCount(beyond) << " pixels of input beyond the outline, within "
                                      << beyond.boundingRect().x() << "," << beyond.boundingRect().y() << " "
                                      << beyond.boundingRect().width() << "x" << beyond.boundingRect().height();
        EXPECT_TRUE(missing.isEmpty()) << state << ": " << pixelCount(missing) << " pixels of the outline without input, within "
                                       << missing.boundingRect().x() << "," << missing.boundingRect().y() << " "
                                       << missing.boundingRect().width() << "x" << missing.boundingRect().height();

        const QPoint outside = outsideCorner(outline);
        ASSERT_TRUE(QRect(0, 0, frame.width, frame.height).contains(outside)) << state;
        ASSERT_FALSE(grown(grown(touched)).contains(outside)) << state;
        // The window manager copies our shape onto its frame when it gets to
        // it; a click is only meaningful once the server passes the point on.
        const QPoint point(frame.x + outside.x(), frame.y + outside.y());
        const Window below = x11->topLevelOf(backdrop);
        EXPECT_TRUE(waitUntil([&] { return x11->topLevelAt(point.x(), point.y()) == below; }, 3s))
            << state << ": the point 4 px outside the outline still belongs to window "
            << x11->topLevelAt(point.x(), point.y()) << ", the panel's is " << x11->topLevelOf(panel);
        forgetBackdropPresses();
        ASSERT_TRUE(clickAt(point.x(), point.y()));
        EXPECT_TRUE(backdropPressed()) << state << ": the click 4 px outside the outline did not pass through";
    }

    static X11* x11;
    static Compositor* compositor;
    Window backdrop = 0;
    Window focusHolder = 0;
    GlimoraProcess glimora;
    Window panel = 0;
};

X11* ScaledPanel::x11 = nullptr;
Compositor* ScaledPanel::compositor = nullptr;

TEST_F(ScaledPanel, TakesClicksOnItsWholeOutlineAtEveryEdgeWithAndWithoutACompositor) {
    ASSERT_NO_FATAL_FAILURE(compositor->start());
    for (const std::string mode : {"composited", "plain"}) {
        if (mode == "plain") compositor->stop();
        for (const Edge& edge : edges()) {
            const std::string name = mode + " " + std::string(rawValue(edge.placement));
            SCOPED_TRACE(name);
            stopGlimora();  // the last edge's, when it went wrong
            ASSERT_NO_FATAL_FAILURE(startGlimora(edge.placement));
            if (!settlesAt(inPixels(edge.collapsed.frame))) continue;
            checkInputAndClickOutside(edge, edge.collapsed, "collapsed");
            EXPECT_EQ(x11->frame(panel), inPixels(edge.collapsed.frame)) << "a click outside opened the panel";

            // (Focused, the full-screen window would be raised above the panel.)
            ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
            ASSERT_TRUE(clickAt(inPixels(edge.chevron.x()), inPixels(edge.chevron.y())));
            if (!settlesAt(inPixels(edge.expanded.frame))) continue;
            if (edge.placement == NotchPlacement::top) {
                std::this_thread::sleep_for(500ms);  // it paints its new size after the frame has it
                const Frame shown = inPixels(edge.expanded.frame);
                keepScreenshot(x11->image(0, shown.x, shown.y, shown.width, shown.height),
                               "scaled-ratio2-" + mode + "-top-expanded");
            }
            // The click outside goes to another program: the panel closes.
            checkInputAndClickOutside(edge, edge.expanded, "expanded");
            settlesAt(inPixels(edge.collapsed.frame));
            stopGlimora();
        }
    }
}

TEST_F(ScaledPanel, AtOtherRatiosTheSameScreenHoldsThePanelWhole) {
    // At 1: the other half of a pair of pictures for people to compare with
    // the one of the test above.
    ASSERT_NO_FATAL_FAILURE(compositor->start());
    setenv("QT_SCALE_FACTOR", "1", 1);
    startGlimora(NotchPlacement::top);
    setenv("QT_SCALE_FACTOR", "2", 1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settlesAt({1760, 0, 320, 28}));
    ASSERT_TRUE(clickAt(1760 + 300, 14));
    ASSERT_TRUE(settlesAt({1540, 0, 760, 300}));
    std::this_thread::sleep_for(500ms);
    keepScreenshot(x11->image(0, 1540, 0, 760, 300), "scaled-ratio1-composited-top-expanded");
    compositor->stop();
    stopGlimora();

    // At 1.5 (2560x1440 points) the open right panel is 322 points, 483
    // pixels wide, and still meets the screen's right edge: no window
    // manager rounds it to an even width.
    setenv("QT_SCALE_FACTOR", "1.5", 1);
    startGlimora(NotchPlacement::right);
    setenv("QT_SCALE_FACTOR", "2", 1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settlesAt({3840 - 102, 1080 - 165, 102, 330}));
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
    ASSERT_TRUE(clickAt(3840 - 51, 1080 - 165 + 261));
    EXPECT_TRUE(settlesAt({3840 - 483, 1080 - 480, 483, 960}));
}

// A design of cells with no overlay (no vignette, scanlines or split), its
// export at 1920x1080 by glimora-render, and its grid there.
class ScaledDesign : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        ASSERT_NE(x11.display(), nullptr);
        model->setShape(NotchShape::conic);
        model->setPaletteIndex(9);
        model->setVignette(false);
        model->setScanlines(false);
        model->setRgbSplit(false);
        // 91 columns of 21.1 points: cell edges between whole points.
        model->setPixelScale(7);
        image = exportWithRenderer(model->makeRecipe("Scaled", false), folder.path(), "export");
        ASSERT_EQ(image.width, 1920);
        grid = WallpaperRenderer::cellGrid(makeExportSettings(*model), 1920, 1080);
    }

    // The screen once every cell centre shows the export's colour at twice
    // its place (or after 20 s), kept as `name`.
    QImage waitForTheDesign(const std::string& name) {
        CellComparison comparison;
        QImage shot;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        do {
            runEventLoopFor(50);
            shot = x11.image();
            if (shot.isNull()) break;
            comparison = compareCellCentres(shot, image, grid, 0, {}, ratio);
        } while (comparison.differing > 0 && std::chrono::steady_clock::now() < deadline);
        keepScreenshot(shot, name);
        EXPECT_EQ(comparison.differing, 0) << "of " << comparison.compared << " cell centres; first:\n"
                                           << comparison.firstDifferences;
        EXPECT_EQ(comparison.compared, grid.columns * grid.rows);
        return shot;
    }

    // Across the middle row of cells and down the middle column: the pixel
    // wholly before a cell edge has the colour of the cell before it, the
    // pixel wholly after it the next cell's. Counted where the edge falls in
    // another pixel than in a 1920x1080 frame scaled up, whose edges lie on
    // whole points.
    void expectEdgesSharpToTheDevicePixel(const QImage& shot) {
        const auto centre = [&](std::int64_t column, std::int64_t row) {
            return shot.pixel(int((double(column) + 0.5) * grid.cellWidth * ratio),
                              int((double(row) + 0.5) * grid.cellHeight * ratio));
        };
        int edges = 0, telling = 0, blurred = 0;
        const auto checkEdge = [&](double at, QRgb before, QRgb after, const std::function<QRgb(int)>& pixel) {
            if (before == after) return;
            ++edges;
            if (std::floor(at) != std::floor(ratio * std::floor(at / ratio))) ++telling;
            if (pixel(int(std::floor(at)) - 1) != before || pixel(int(std::ceil(at))) != after) ++blurred;
        };
        const std::int64_t row = grid.rows / 2, column = grid.columns / 2;
        const int rowY = int((double(row) + 0.5) * grid.cellHeight * ratio);
        const int columnX = int((double(column) + 0.5) * grid.cellWidth * ratio);
        for (std::int64_t k = 1; k < grid.columns; ++k)
            checkEdge(double(k) * grid.cellWidth * ratio, centre(k - 1, row), centre(k, row),
                      [&](int x) { return shot.pixel(x, rowY); });
        for (std::int64_t k = 1; k < grid.rows; ++k)
            checkEdge(double(k) * grid.cellHeight * ratio, centre(column, k - 1), centre(column, k),
                      [&](int y) { return shot.pixel(columnX, y); });
        EXPECT_GT(telling, 10) << "of " << edges << " edges: the grid tells no scaled-up frame apart";
        EXPECT_EQ(blurred, 0) << "of " << edges << " edges";
    }

    X11 x11;
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model = harness.make();
    test::TempDir folder;
    PixelImageBuffer image;
    WallpaperRenderer::CellGrid grid;
};

TEST_F(ScaledDesign, TheDesktopShowsTheDesignOfItsSizeInPointsAtTheDevicePixels) {
    WallpaperWindowController controller(model);
    controller.show();
    expectEdgesSharpToTheDevicePixel(waitForTheDesign("scaled-ratio2-desktop"));
}

// Scaled as most desktops scale: by the X resource Xft.dpi of 192, which
// Qt takes for a ratio of 2, rather than by the variable.
TEST_F(ScaledDesign, TheSaverShowsTheSameDesignAsTheDesktop) {
    const std::filesystem::path data = std::getenv("XDG_DATA_HOME");
    const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
    const auto library = data / "Ombriq" / "recipes.json";
    const auto settings = config / "ombriq" / "com.kestrune.app.murmel.glimora.screensaver.json";
    test::writeFile(library, *encodeRecipeHistory({model->makeRecipe("Scaled", false)}));
    test::writeFile(settings, R"({"animateArtwork": false})");
    const std::string resources = "Xft.dpi:\t192\n";
    XChangeProperty(x11.display(), x11.root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), int(resources.size()));
    XSync(x11.display(), False);
    unsetenv("QT_SCALE_FACTOR");
    const pid_t saver = spawn({GLIMORA_SAVER_BINARY, "--root"});
    setenv("QT_SCALE_FACTOR", "2", 1);
    ASSERT_GT(saver, 0);
    expectEdgesSharpToTheDevicePixel(waitForTheDesign("scaled-ratio2-saver"));
    stop(saver);
    XDeleteProperty(x11.display(), x11.root(), XA_RESOURCE_MANAGER);
    std::filesystem::remove(library);
    std::filesystem::remove(settings);
}

}  // namespace
}  // namespace glimora
