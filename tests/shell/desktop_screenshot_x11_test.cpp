// What the desktop shows, read back from the X server's root window, against
// the same design exported by the glimora-render program at the screen's size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "model/recipe_json.hpp"
#include "render/cell_grid.hpp"
#include "render/pixel_image_buffer.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros (Bool, Status) break Qt headers that follow them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace glimora {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "desktop_screenshot_x11_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *qobject_cast<QApplication*>(QApplication::instance());
}

void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct CellComparison {
    int compared = 0;
    int differing = 0;
    std::string firstDifferences;
};

// The root window's pixel at every cell centre against the exported image.
CellComparison compareCellCentres(XImage* shot, const PixelImageBuffer& image, const WallpaperRenderer::CellGrid& grid) {
    CellComparison result;
    for (std::int64_t row = 0; row < grid.rows; ++row) {
        for (std::int64_t column = 0; column < grid.columns; ++column) {
            const int x = int((double(column) + 0.5) * grid.cellWidth);
            const int y = int((double(row) + 0.5) * grid.cellHeight);
            if (x >= image.width || y >= image.height) continue;
            const unsigned long pixel = XGetPixel(shot, x, y);
            const int red = int((pixel >> 16) & 0xFF), green = int((pixel >> 8) & 0xFF), blue = int(pixel & 0xFF);
            const std::uint8_t* want = image.bytes().data() + (std::size_t(y) * std::size_t(image.width) + x) * 4;
            ++result.compared;
            if (red != want[0] || green != want[1] || blue != want[2]) {
                if (++result.differing <= 5)
                    result.firstDifferences += "cell " + std::to_string(column) + "," + std::to_string(row) +
                                               " at " + std::to_string(x) + "," + std::to_string(y) + ": desktop (" +
                                               std::to_string(red) + "," + std::to_string(green) + "," +
                                               std::to_string(blue) + ") export (" + std::to_string(want[0]) + "," +
                                               std::to_string(want[1]) + "," + std::to_string(want[2]) + ")\n";
            }
        }
    }
    return result;
}

TEST(DesktopScreenshot, CellCentresEqualTheExportedWallpaper) {
    application();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "this test runs under xvfb-run";
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
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
    const auto recipeFile = folder.path() / "design.ombriq";
    std::ofstream(recipeFile) << encodeRecipeDocument(model->makeRecipe("Desktop", false));

    const auto exported = folder.path() / "export.png";
    const std::string command = std::string(GLIMORA_RENDER_BINARY) + " '" + recipeFile.string() + "' -o '" +
                                exported.string() + "' --format png --resolution hd";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto bytes = test::readFile(exported);
    const PixelImageBuffer image = PixelImageBuffer::load({bytes.data(), bytes.size()}, 4096);
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*model), width, height);

    // Reads the screen until the window's frame is there (every cell centre
    // as exported), or for at most 20 seconds on a loaded machine.
    WallpaperWindowController controller(model);
    controller.show();
    CellComparison comparison;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        runEventLoopFor(50);
        XImage* shot = XGetImage(display, DefaultRootWindow(display), 0, 0, unsigned(width), unsigned(height),
                                 AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        comparison = compareCellCentres(shot, image, grid);
        XDestroyImage(shot);
    } while (comparison.differing > 0 && std::chrono::steady_clock::now() < deadline);

    EXPECT_EQ(comparison.differing, 0) << "of " << comparison.compared << " cell centres; first:\n"
                                       << comparison.firstDifferences;
    EXPECT_GT(comparison.compared, 10000);
    XCloseDisplay(display);
}

}  // namespace
}  // namespace glimora
