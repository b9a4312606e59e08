// What the moving desktop sends to the X server and what it costs: frames
// without a changed cell send nothing, partly changed ones only their
// rectangles (and the screen equals a whole frame), and a covered desktop
// draws nothing until it shows again at the animation's current time. Run by
// ctest inside `xvfb-run` at 1920x1080, with an openbox of the test's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "render/cell_grid.hpp"
#include "render/live_canvas.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/shell/desktop_frames_x11.hpp"
#include "tests/state/model_harness.hpp"
#include "views/animated_pixel_gradient_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros (Bool, Status) break Qt headers that follow them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace glimora {
namespace {

using namespace desktoptest;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new x11test::WindowManager);

void keepCoverScreenshot(const std::vector<std::uint8_t>& bytes, int width, int height, const std::string& state) {
    desktoptest::keepScreenshot(bytes, width, height, "desktop_cover_x11_test", state);
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The share of one core this process uses while the event loop runs.
double coreShareOver(int milliseconds) {
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(milliseconds);
    return (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

// Requests this process sent to the X server on Qt's connection meanwhile:
// the sequence numbers of two requests of our own, less one.
class RequestCounter {
public:
    RequestCounter() : connection_(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection()) {}
    void start() { first_ = mark(); }
    unsigned sent() { return mark() - first_ - 1; }

private:
    unsigned mark() {
        const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(connection_);
        std::free(xcb_get_input_focus_reply(connection_, cookie, nullptr));
        return cookie.sequence;
    }
    xcb_connection_t* connection_;
    unsigned first_ = 0;
};

class DesktopCover : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        application();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "this test runs under xvfb-run";
    }
    static void TearDownTestSuite() {
        if (display) XCloseDisplay(display);
    }

    void SetUp() override {
        width = DisplayWidth(display, DefaultScreen(display));
        height = DisplayHeight(display, DefaultScreen(display));
        ASSERT_EQ(width, 1920);
        ASSERT_EQ(height, 1080);
        model = harness.make();
        model->setShape(NotchShape::linear);
        model->setChroma(12);
        model->setRgbSplit(true);
        model->setScanlines(true);
        model->setVignette(true);
    }

    AnimatedPixelGradientView& showAnimating(WallpaperWindowController& controller) {
        return desktoptest::showAnimating(controller, *model, display);
    }

    static inline Display* display = nullptr;
    int width = 0;
    int height = 0;
    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model;
};

TEST_F(DesktopCover, FramesSendOnlyWhatChangedAndTheScreenEqualsAWholeFrame) {
    WallpaperWindowController controller(model);
    AnimatedPixelGradientView& view = showAnimating(controller);

    // The clock stands still: once the design shows, frames go on, none
    // changes a cell, and nothing is sent.
    const auto shows = [&] {
        return differingPixels(screenBytes(display, width, height),
                               wholeFrame(*model, harness.clock->now(), width, height)) == 0;
    };
    ASSERT_TRUE(processEventsUntil(shows, 10000)) << "the design never showed";
    RequestCounter requests;
    const int drawn = view.framesDrawn();
    const int unchanged = view.unchangedFrames();
    requests.start();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() - drawn >= 5; }, 10000))
        << "frames stopped coming";
    EXPECT_EQ(requests.sent(), 0u);
    EXPECT_EQ(view.unchangedFrames() - unchanged, view.framesDrawn() - drawn);
    const auto still = screenBytes(display, width, height);
    EXPECT_EQ(differingPixels(still, wholeFrame(*model, harness.clock->now(), width, height)), 0);

    // A moment later some cells changed (the first moment that changes any):
    // only their rectangles are repainted and sent.
    const double before = harness.clock->now();
    const auto cellsAt = [&](double time) {
        const WallpaperExportSettings settings = makeExportSettings(*model, std::nullopt, time);
        const auto grid = WallpaperRenderer::cellGrid(settings, width, height);
        std::vector<RGB> colors(std::size_t(grid.columns * grid.rows));
        WallpaperRenderer::fillLiveCellColors(settings, grid, 1, colors);
        return colors;
    };
    const std::vector<RGB> was = cellsAt(before);
    double step = 1.0 / 30;
    while (step < 4 && cellsAt(before + step) == was) step *= 2;
    view.forgetChangedRegion();
    harness.clock->advance(step);
    const double now = harness.clock->now();
    const std::vector<RGB> is = cellsAt(now);
    const int next = view.framesDrawn() + 1;
    requests.start();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() >= next; }, 10000));
    const auto expected = wholeFrame(*model, now, width, height);
    std::vector<std::uint8_t> moved;
    const bool showsNow = processEventsUntil(
        [&] {
            moved = screenBytes(display, width, height);
            return differingPixels(moved, expected) == 0;
        },
        10000);
    EXPECT_GT(requests.sent(), 0u);
    const QRegion changed = view.changedRegion();
    ASSERT_FALSE(changed.isEmpty());

    // Which cells changed, from the colours alone.
    const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*model, std::nullopt, now), width, height);
    std::vector<QRect> changedCells;
    // A cell's paint with its split bands reaches a few points past its edges.
    const int reach = int(std::ceil(std::max(0.08 * grid.cellWidth, 0.8))) + 2;
    for (std::int64_t r = 0; r < grid.rows; ++r)
        for (std::int64_t c = 0; c < grid.columns; ++c)
            if (was[std::size_t(r * grid.columns + c)] != is[std::size_t(r * grid.columns + c)])
                changedCells.push_back(QRect(int(grid.cellWidth * double(c)), int(grid.cellHeight * double(r)),
                                             int(std::ceil(grid.cellWidth)), int(std::ceil(grid.cellHeight)))
                                           .adjusted(-reach, -1, reach, 1));
    ASSERT_FALSE(changedCells.empty());
    std::printf("%zu of %zu cells changed after %.3f s\n", changedCells.size(), is.size(), step);
    for (const QRect& cell : changedCells) EXPECT_TRUE(changed.contains(cell.center()));
    std::int64_t area = 0;
    for (const QRect& rect : changed) {
        area += std::int64_t(rect.width()) * rect.height();
        const bool nearAChange = std::any_of(changedCells.begin(), changedCells.end(),
                                             [&](const QRect& cell) { return cell.intersects(rect); });
        EXPECT_TRUE(nearAChange) << "repainted " << rect.x() << "," << rect.y() << " " << rect.width() << "x"
                                 << rect.height() << " where no cell changed";
    }
    EXPECT_LT(double(area), 0.4 * width * height);
    keepCoverScreenshot(moved, width, height, "partly-changed");
    EXPECT_GT(differingPixels(moved, still), 0);
    EXPECT_TRUE(showsNow) << differingPixels(moved, expected) << " pixels differ from the frame at the clock's time";
}

TEST_F(DesktopCover, ACoveredDesktopCostsWhatAnIdleOneDoesAndShowsTheCurrentFrameWhenUncovered) {
    WallpaperWindowController controller(model);
    // The clock runs with real time, so that every frame has something to draw.
    QElapsedTimer running;
    running.start();
    const double start = harness.clock->now();
    QTimer clockDriver;
    QObject::connect(&clockDriver, &QTimer::timeout,
                     [&] { harness.clock->set(start + double(running.nsecsElapsed()) / 1e9); });
    clockDriver.start(5);
    controller.show();
    runEventLoopFor(300);
    const double idle = coreShareOver(1000);  // the still design, the clock running
    AnimatedPixelGradientView& view = showAnimating(controller);
    const double animating = coreShareOver(1000);
    const auto moving = screenBytes(display, width, height);
    keepCoverScreenshot(moving, width, height, "animating");
    std::printf("share of a core: idle %.3f, animating %.3f\n", idle, animating);

    // A full-screen window of another client covers the desktop.
    QElapsedTimer noticing;
    noticing.start();
    const Window cover = mapClientWindow(display, 0, 0, width, height, true);
    ASSERT_TRUE(processEventsUntil([&] { return controller.covered(); }, 10000)) << "the cover was never noticed";
    std::printf("cover noticed after %lld ms\n", static_cast<long long>(noticing.elapsed()));
    // Frames are drawn on this thread, and the cover suspends them at once:
    // none may come from here on.
    const int drawn = view.framesDrawn();
    runEventLoopFor(300);
    // The shares depend on the machine's load: figures, not checks. Covered,
    // the share should be the idle one's plus what the test's clock timer costs.
    const double covered = coreShareOver(1000);
    std::printf("share of a core while covered: %.3f\n", covered);
    EXPECT_EQ(view.framesDrawn(), drawn) << "frames were drawn while nobody could see them";
    keepCoverScreenshot(screenBytes(display, width, height), width, height, "covered");

    // The clock stops so that the frame shown can be checked; the animation
    // moved on while covered, and the desktop shows where it is now.
    clockDriver.stop();
    const double now = harness.clock->now();
    XUnmapWindow(display, cover);
    XSync(display, False);
    ASSERT_TRUE(processEventsUntil([&] { return !controller.covered() && view.framesDrawn() > drawn; }, 10000));
    const auto current = wholeFrame(*model, now, width, height);
    std::vector<std::uint8_t> shown;
    const bool showsCurrent = processEventsUntil(
        [&] {
            shown = screenBytes(display, width, height);
            return differingPixels(shown, current) == 0;
        },
        10000);
    keepCoverScreenshot(shown, width, height, "uncovered");
    EXPECT_TRUE(showsCurrent) << differingPixels(shown, current) << " pixels differ from the frame at the clock's time";
    EXPECT_GT(differingPixels(shown, moving), 0);
    XDestroyWindow(display, cover);
    XSync(display, False);
}

}  // namespace
}  // namespace glimora
