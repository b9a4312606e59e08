// The desktop window's first frame, drawn ahead while the window is hidden,
// reaches the screen when the window is shown, and the window says so only
// once the X server shows it: read back from the root window at that moment,
// the screen equals the frame. Run by ctest inside `xvfb-run` at 1920x1080.
#include <QElapsedTimer>
#include <QWindow>

#include "tests/state/model_harness.hpp"
#include "views/live_canvas_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;

TEST(DesktopFirstFrame, IsOnTheScreenWhenTheWindowSaysSo) {
    application();
    X11 x11;
    ASSERT_NE(x11.display(), nullptr) << "this test runs under xvfb-run";

    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model = harness.make();
    model->setShape(NotchShape::conic);
    model->setVignette(false);
    WallpaperWindowController controller(model);
    auto* canvas = dynamic_cast<WallpaperCanvasView*>(controller.contentView());
    ASSERT_NE(canvas, nullptr);

    controller.drawAhead();
    while (controller.prepareSurface()) {
    }
    EXPECT_EQ(canvas->canvasView()->framesDrawn(), 1);
    const QImage blank = grabWindow(x11.display());
    ASSERT_FALSE(blank.isNull());
    keepScreenshot(blank, "desktop_first_frame_x11_test/1-before-show");

    bool told = false;
    QImage shown;  // the screen at the moment the window says its frame is on it
    controller.show();
    controller.whenFrameShown([&] {
        told = true;
        shown = grabWindow(x11.display());
    });
    EXPECT_FALSE(told);  // told from the loop, later
    ASSERT_TRUE(processEventsUntil([&] { return told; }, 10000));
    keepScreenshot(shown, "desktop_first_frame_x11_test/2-told-shown");
    EXPECT_TRUE(controller.window()->windowHandle()->isExposed());
    EXPECT_EQ(canvas->canvasView()->framesDrawn(), 1);  // drawn ahead, not again

    // The screen shows the window's frame, pixel for pixel where sampled.
    const QImage frame = controller.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), shown.size());
    int differing = 0, differentFromBlank = 0;
    for (int y = 5; y < shown.height(); y += 97)
        for (int x = 3; x < shown.width(); x += 89) {
            differing += shown.pixel(x, y) != frame.pixel(x, y);
            differentFromBlank += shown.pixel(x, y) != blank.pixel(x, y);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(differentFromBlank, 0);  // the design is no plain screen
}

TEST(DesktopFirstFrame, AWindowNeverShownNeverSays) {
    application();
    test::ModelHarness harness;
    bool told = false;
    {
        WallpaperWindowController controller(harness.make());
        controller.whenFrameShown([&] { told = true; });
        runEventLoopFor(300);
        EXPECT_FALSE(told);
    }
    runEventLoopFor(100);
    EXPECT_FALSE(told);
}

}  // namespace
}  // namespace glimora
