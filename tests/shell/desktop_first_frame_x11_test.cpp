// The desktop window's first frame, drawn ahead while the window is hidden,
// reaches the screen when the window is shown, and the window says so only
// once the X server shows it: read back from the root window at that moment,
// the screen equals the frame. So on both paths: with the backing store
// prepared ahead (then the first paint only copies, and is the only one) and
// without. Run by ctest inside `xvfb-run` at 1920x1080.
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>

#include "tests/shell/event_counter.hpp"
#include "tests/state/model_harness.hpp"
#include "views/live_canvas_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/desktop_window_x11.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

#if defined(__has_feature)
#define GLIMORA_HAS_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define GLIMORA_HAS_ADDRESS_SANITIZER 0
#endif

namespace glimora {
namespace {

using namespace x11test;

// Minor page faults the main thread has taken: the first write to each page
// of fresh memory takes one.
long threadPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

struct FirstShow {
    long faults = 0;   // the main thread's, from show() until the window says its frame is shown
    int paints = 0;    // of the canvas, until the server has caught up once more after that
    int framesDrawn = 0;
    long storePages = 0;
};

// Shows the desktop window as the start-up does, by either path, and checks
// that the screen, read at the moment the window says its frame is shown,
// equals the frame.
FirstShow showFirstFrame(X11& x11, bool prepareSurface, const std::string& shots) {
    FirstShow result;
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model = harness.make();
    model->setShape(NotchShape::conic);
    model->setVignette(false);
    WallpaperWindowController controller(model);
    controller.setPreparesSurface(prepareSurface);
    auto* canvas = dynamic_cast<WallpaperCanvasView*>(controller.contentView());
    EXPECT_NE(canvas, nullptr);
    if (!canvas) return result;

    controller.drawAhead();
    int bands = 0;
    while (controller.prepareSurface()) ++bands;
    EXPECT_EQ(bands, prepareSurface ? WallpaperWindowController::surfaceBands - 1 : 0);
    EXPECT_EQ(canvas->canvasView()->framesDrawn(), 1);
    const QImage blank = grabWindow(x11.display());
    EXPECT_FALSE(blank.isNull());
    keepScreenshot(blank, shots + "/1-before-show");

    test::EventCounter paints(canvas->canvasView(), QEvent::Paint);
    bool told = false;
    QImage shown;  // the screen at the moment the window says its frame is on it
    long faultsWhenTold = 0;
    const long faultsBefore = threadPageFaults();
    // Shown on a turn of its own, as the start-up does, and the thread held
    // until the server has mapped the window, as a busy machine holds it:
    // the expose then waits beside the updates that showing posted.
    QTimer::singleShot(0, [&] {
        controller.show();
        controller.whenFrameShown([&] {
            faultsWhenTold = threadPageFaults();
            told = true;
            shown = grabWindow(x11.display());
        });
        EXPECT_FALSE(told);  // told from the loop, later
        EXPECT_TRUE(waitUntil([&] { return x11.isViewable(Window(controller.window()->winId())); },
                              std::chrono::seconds(10)));
        XSync(x11.display(), False);
    });
    EXPECT_TRUE(processEventsUntil([&] { return told; }, 10000));
    if (!told) return result;
    result.faults = faultsWhenTold - faultsBefore;
    keepScreenshot(shown, shots + "/2-told-shown");
    EXPECT_TRUE(controller.window()->windowHandle()->isExposed());
    result.framesDrawn = canvas->canvasView()->framesDrawn();
    // A second paint would follow from what showing posted before the
    // server answers again (grab() below paints too: counted before it).
    bool caughtUp = false;
    whenX11ServerCaughtUp(*controller.window(), [&] { caughtUp = true; });
    EXPECT_TRUE(processEventsUntil([&] { return caughtUp; }, 10000));
    result.paints = paints.count;

    // The screen shows the window's frame, pixel for pixel where sampled.
    const QImage frame = controller.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(frame.size(), shown.size());
    if (frame.size() != shown.size()) return result;
    int differing = 0, differentFromBlank = 0;
    for (int y = 5; y < shown.height(); y += 97)
        for (int x = 3; x < shown.width(); x += 89) {
            differing += shown.pixel(x, y) != frame.pixel(x, y);
            differentFromBlank += shown.pixel(x, y) != blank.pixel(x, y);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(differentFromBlank, 0);  // the design is no plain screen
    result.storePages = long(frame.sizeInBytes() / ::sysconf(_SC_PAGESIZE));
    return result;
}

TEST(DesktopFirstFrame, IsOnTheScreenWhenTheWindowSaysSo) {
    // The check reads the platform: the application comes first.
    application();
    // Elsewhere the program takes the plain path, the test below.
    if (!WallpaperWindowController::surfacePreparationProven())
        GTEST_SKIP() << "the store is prepared ahead only on the Qt versions where this test was seen to pass: to add "
                        "this one, run it with the check above removed";
    X11 x11;
    ASSERT_NE(x11.display(), nullptr) << "this test runs under xvfb-run";
    const FirstShow first = showFirstFrame(x11, true, "desktop_first_frame_x11_test");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(first.framesDrawn, 1);  // drawn ahead, not again
    // The first paint only copied into memory prepared ahead: it took next
    // to no page of the store afresh, and it was the only paint.
    long allowedFaults = first.storePages / 8;
#if defined(__SANITIZE_ADDRESS__) || GLIMORA_HAS_ADDRESS_SANITIZER
    // The address sanitizer takes pages afresh too: the shadow of what the
    // paint reads and writes (an eighth of the frame and of the store) and
    // the fresh memory its allocator hands out where ours would reuse freed
    // pages. Seen: 320 to 345 more than without it, of a 2025-page store; the
    // shadow of one of the two alone, 253, was too few.
    allowedFaults += 2 * (first.storePages / 8);
#endif
    EXPECT_LT(first.faults, allowedFaults) << "of " << first.storePages << " pages";
    EXPECT_EQ(first.paints, 1);
}

TEST(DesktopFirstFrame, ThePlainPathShowsItToo) {
    // Where preparing the backing store ahead is not known to work, the
    // window makes its store at the first paint: later, the same frame.
    application();
    X11 x11;
    ASSERT_NE(x11.display(), nullptr) << "this test runs under xvfb-run";
    const FirstShow first = showFirstFrame(x11, false, "desktop_first_frame_x11_test/plain");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(first.framesDrawn, 1);
    // The store's pages were first touched by that paint: the count above
    // tells a prepared store from a fresh one.
    EXPECT_GT(first.faults, first.storePages / 2) << "of " << first.storePages << " pages";
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
