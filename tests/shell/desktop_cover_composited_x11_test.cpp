// The covered desktop under a compositing manager (xcompmgr), where the X
// server calls every window unobscured: a full-screen window of another
// client still stops the desktop's frames (how soon is printed), taking it away
// (unmapped or minimised) draws the animation's current frame at once, and a
// window over part of the screen leaves the desktop animating. Run by ctest
// inside `xvfb-run` at 1920x1080, with an openbox and an xcompmgr of its own.
#include <gtest/gtest.h>

// Qt before Xlib: Xlib's macros break Qt's headers.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <memory>
#include <optional>

#include "render/live_canvas.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"
#include "views/animated_pixel_gradient_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

#include "tests/shell/desktop_frames_x11.hpp"
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace desktoptest;

constexpr const char* program = "desktop_cover_composited_x11_test";

// Whether the X server calls a window that lies under another one
// unobscured, as it does once a compositing manager draws every window off
// screen; nothing when it says nothing within the deadline.
std::optional<bool> windowsDrawnOffScreen(Display* display, std::chrono::milliseconds timeout) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const auto make = [&](long events) {
        attributes.event_mask = events;
        return XCreateWindow(display, DefaultRootWindow(display), 0, 0, 64, 64, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    };
    const Window above = make(0);
    XMapRaised(display, above);
    // Made below the other before it is mapped: its first notice says how it is seen.
    const Window below = make(VisibilityChangeMask);
    XLowerWindow(display, below);
    XMapWindow(display, below);
    XSync(display, False);
    std::optional<bool> unobscured;
    XEvent event{};
    x11test::waitUntil(
        [&] {
            if (XCheckTypedWindowEvent(display, below, VisibilityNotify, &event))
                unobscured = event.xvisibility.state == VisibilityUnobscured;
            return unobscured.has_value();
        },
        timeout);
    XDestroyWindow(display, below);
    XDestroyWindow(display, above);
    XSync(display, False);
    return unobscured;
}

class ComposedDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        application();
        x11 = new x11test::X11;
        ASSERT_NE(x11->display(), nullptr) << "this test runs under xvfb-run";
        windowManager = x11test::spawn({"openbox", "--sm-disable"});
        ASSERT_GT(windowManager, 0) << "openbox could not be started";
        ASSERT_TRUE(processEventsUntil([] { return x11->hasWindowManager(); }, 10000)) << "openbox did not come up";
        ASSERT_TRUE(x11->managesNewWindows()) << "openbox manages no window";
        compositor = x11test::spawn({"xcompmgr"});
        ASSERT_GT(compositor, 0) << "xcompmgr could not be started";
        // A compositing manager owns the screen's _NET_WM_CM_S0 selection.
        const Atom selection = x11->atom("_NET_WM_CM_S0");
        ASSERT_TRUE(processEventsUntil([&] { return XGetSelectionOwner(x11->display(), selection) != 0; }, 10000))
            << "xcompmgr did not come up";
        // It takes the selection before it draws the windows off screen.
        ASSERT_TRUE(x11test::waitUntil(
            [] { return windowsDrawnOffScreen(x11->display(), std::chrono::seconds(2)).value_or(false); }))
            << "xcompmgr does not draw the windows off screen";
    }
    static void TearDownTestSuite() {
        x11test::stop(compositor);
        x11test::stop(windowManager);
        delete x11;
        x11 = nullptr;
    }

    void SetUp() override {
        display = x11->display();
        width = DisplayWidth(display, DefaultScreen(display));
        height = DisplayHeight(display, DefaultScreen(display));
        ASSERT_EQ(width, 1920);
        ASSERT_EQ(height, 1080);
        model = harness.make();
        model->setShape(NotchShape::linear);
        model->setChroma(12);
        model->setScanlines(true);
        model->setVignette(true);
        start = harness.clock->now();
        running.start();
        // The clock runs with real time, so that every frame has something to draw.
        QObject::connect(&clockDriver, &QTimer::timeout,
                         [this] { harness.clock->set(start + double(running.nsecsElapsed()) / 1e9); });
        clockDriver.start(5);
    }

    void TearDown() override {
        for (const Window window : windows) XDestroyWindow(display, window);
        XSync(display, False);
    }

    AnimatedPixelGradientView& showAnimating(WallpaperWindowController& controller) {
        AnimatedPixelGradientView& view = desktoptest::showAnimating(controller, *model, display);
        EXPECT_FALSE(controller.covered());
        return view;
    }

    Window mapWindow(int x, int y, int w, int h, bool fullScreen) {
        windows.push_back(mapClientWindow(display, x, y, w, h, fullScreen));
        return windows.back();
    }

    // Frames drawn while the event loop runs for `milliseconds`.
    static int framesOver(const AnimatedPixelGradientView& view, int milliseconds) {
        const int before = view.framesDrawn();
        runEventLoopFor(milliseconds);
        return view.framesDrawn() - before;
    }

    // Frames drawn from now until `count` more have come; false when they
    // stop before (on a loaded machine they come more slowly, not fewer).
    static bool framesKeepComing(const AnimatedPixelGradientView& view, int count) {
        const int before = view.framesDrawn();
        return processEventsUntil([&] { return view.framesDrawn() - before >= count; }, 10000);
    }

    // Covers the desktop with a full-screen window and checks that it stops
    // drawing once that is noticed (how soon is printed); returns the window.
    Window coverAndExpectNoFrames(WallpaperWindowController& controller, AnimatedPixelGradientView& view,
                                  const std::string& state) {
        QElapsedTimer noticed;
        noticed.start();
        const Window cover = mapWindow(0, 0, width, height, true);
        EXPECT_TRUE(processEventsUntil([&] { return controller.covered(); }, 10000))
            << "the full-screen window was never noticed";
        std::printf("cover noticed after %lld ms\n", static_cast<long long>(noticed.elapsed()));
        // Frames are drawn on this thread and the cover suspends them at once.
        EXPECT_EQ(framesOver(view, 1300), 0) << "frames were drawn while nobody could see them";
        EXPECT_TRUE(controller.covered());
        keep(state);
        return cover;
    }

    // After the cover went: a frame comes at once and it is the animation's
    // current one (the clock is stopped first so that it can be compared).
    void expectCurrentFrameAfter(WallpaperWindowController& controller, AnimatedPixelGradientView& view,
                                 const std::function<void()>& uncover, const std::string& state) {
        clockDriver.stop();
        const double now = harness.clock->now();
        const int drawn = view.framesDrawn();
        QElapsedTimer showing;
        showing.start();
        uncover();
        XSync(display, False);
        EXPECT_TRUE(processEventsUntil([&] { return !controller.covered() && view.framesDrawn() > drawn; }, 10000))
            << "no frame after the desktop showed again";
        std::printf("a frame %lld ms after the desktop showed again\n", static_cast<long long>(showing.elapsed()));
        const auto expected = wholeFrame(*model, now, width, height);
        // The compositor repaints the screen a moment after the window did.
        const bool shows = processEventsUntil(
            [&] { return differingPixels(screenBytes(display, width, height), expected) == 0; }, 5000);
        const auto shown = screenBytes(display, width, height);
        desktoptest::keepScreenshot(shown, width, height, program, state);
        EXPECT_TRUE(shows) << differingPixels(shown, expected) << " pixels differ from the frame at the clock's time";
        // The animation moved on while covered: not the first frame again.
        EXPECT_GT(differingPixels(shown, wholeFrame(*model, start, width, height)), 0);
    }

    void keep(const std::string& state) {
        desktoptest::keepScreenshot(screenBytes(display, width, height), width, height, program, state);
    }

    static inline x11test::X11* x11 = nullptr;
    static inline pid_t windowManager = -1;
    static inline pid_t compositor = -1;
    Display* display = nullptr;
    int width = 0;
    int height = 0;
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model;
    double start = 0;
    QElapsedTimer running;
    QTimer clockDriver;
    std::vector<Window> windows;
};

TEST_F(ComposedDesktop, AFullScreenWindowStopsTheFramesAndUnmappingItShowsTheCurrentOne) {
    WallpaperWindowController controller(model);
    AnimatedPixelGradientView& view = showAnimating(controller);
    EXPECT_TRUE(framesKeepComing(view, 5));
    keep("animating");
    const Window cover = coverAndExpectNoFrames(controller, view, "covered");
    expectCurrentFrameAfter(controller, view, [&] { XUnmapWindow(display, cover); }, "unmapped");
}

TEST_F(ComposedDesktop, MinimisingTheFullScreenWindowShowsTheCurrentFrame) {
    WallpaperWindowController controller(model);
    AnimatedPixelGradientView& view = showAnimating(controller);
    const Window cover = coverAndExpectNoFrames(controller, view, "covered-before-minimising");
    expectCurrentFrameAfter(
        controller, view, [&] { XIconifyWindow(display, cover, DefaultScreen(display)); }, "minimised");
    // Minimised, not gone: the window manager says so.
    const auto states = x11->property(cover, "_NET_WM_STATE", XA_ATOM);
    EXPECT_NE(std::find(states.begin(), states.end(), x11->atom("_NET_WM_STATE_HIDDEN")), states.end());
}

TEST_F(ComposedDesktop, AWindowOverPartOfTheScreenKeepsTheDesktopAnimating) {
    WallpaperWindowController controller(model);
    AnimatedPixelGradientView& view = showAnimating(controller);
    // Large, but a strip of the desktop still shows beside and below it.
    const Window partial = mapWindow(0, 0, width - 200, height - 150, false);
    ASSERT_TRUE(processEventsUntil([&] { return x11->isViewable(partial); }, 5000));
    runEventLoopFor(500);
    EXPECT_FALSE(controller.covered());
    EXPECT_TRUE(framesKeepComing(view, 5)) << "the desktop stopped although part of it shows";
    keep("partly-covered");
    // Made full screen by the window manager on request, it covers after all.
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = partial;
    request.xclient.message_type = x11->atom("_NET_WM_STATE");
    request.xclient.format = 32;
    request.xclient.data.l[0] = 1;  // add
    request.xclient.data.l[1] = long(x11->atom("_NET_WM_STATE_FULLSCREEN"));
    request.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &request);
    XSync(display, False);
    EXPECT_TRUE(processEventsUntil([&] { return controller.covered(); }, 10000));
    EXPECT_EQ(framesOver(view, 1300), 0);
}

}  // namespace
}  // namespace glimora
