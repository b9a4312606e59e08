// What the desktop shows, read back from the X server's root window, against
// the same design exported by the glimora-render program at the screen's size.
#include <chrono>

#include "tests/state/model_harness.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;

TEST(DesktopScreenshot, CellCentresEqualTheExportedWallpaper) {
    application();
    X11 x11;
    ASSERT_NE(x11.display(), nullptr) << "this test runs under xvfb-run";
    const int width = DisplayWidth(x11.display(), DefaultScreen(x11.display()));
    const int height = DisplayHeight(x11.display(), DefaultScreen(x11.display()));
    ASSERT_EQ(width, 1920) << "the screen must have an export size";
    ASSERT_EQ(height, 1080);

    // A design whose cells carry no overlay: no vignette, scanlines or split.
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model = harness.make();
    model->setShape(NotchShape::conic);
    model->setPaletteIndex(9);  // "Retro"
    model->setVignette(false);
    model->setScanlines(false);
    model->setRgbSplit(false);
    model->setPixelScale(4);

    test::TempDir folder;
    const PixelImageBuffer image = exportWithRenderer(model->makeRecipe("Desktop", false), folder.path(), "export");
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*model), width, height);

    // Reads the screen until the window's frame is there (every cell centre
    // as exported), or for at most 20 seconds on a loaded machine.
    WallpaperWindowController controller(model);
    controller.show();
    CellComparison comparison;
    QImage shot;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        runEventLoopFor(50);
        shot = x11.image();
        ASSERT_FALSE(shot.isNull());
        comparison = compareCellCentres(shot, image, grid);
    } while (comparison.differing > 0 && std::chrono::steady_clock::now() < deadline);
    keepScreenshot(shot, "desktop_screenshot_x11_test-desktop");

    EXPECT_EQ(comparison.differing, 0) << "of " << comparison.compared << " cell centres; first:\n"
                                       << comparison.firstDifferences;
    EXPECT_GT(comparison.compared, 10000);
}

}  // namespace
}  // namespace glimora
