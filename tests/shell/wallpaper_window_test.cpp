#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QBackingStore>
#include <QScreen>
#include <QWidget>

#include "render/live_canvas.hpp"
#include "views/live_canvas_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/shell/event_counter.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"
#include "windows/desktop_content.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace glimora {
namespace {

std::shared_ptr<NotchViewModel> makeModel(test::ModelHarness& harness) { return harness.make(); }

TEST(WallpaperWindow, FramelessBelowEverythingAndTransparentToInput) {
    test::ModelHarness harness;
    WallpaperWindowController controller(makeModel(harness));
    const QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnBottomHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->testAttribute(Qt::WA_WState_Created));  // the native window exists before show()
    EXPECT_FALSE(window->isVisible());

    controller.show();
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    EXPECT_EQ(window->geometry(), QGuiApplication::primaryScreen()->geometry());
}

TEST(WallpaperWindow, ScreenChangesRefitTheWindowOneLoopTurnLater) {
    test::ModelHarness harness;
    WallpaperWindowController controller(makeModel(harness));
    controller.show();
    QWidget* window = controller.window();
    window->setGeometry(40, 30, 200, 100);
    controller.handleScreenParametersChange();
    EXPECT_EQ(window->geometry(), QRect(40, 30, 200, 100));
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return window->geometry() == QGuiApplication::primaryScreen()->geometry(); }));
}

TEST(WallpaperWindow, RefitQueuedBeforeTheControllerGoesDoesNothing) {
    test::ModelHarness harness;
    {
        // The refit is one call queued on the controller's window, delivered
        // while the controller lives.
        WallpaperWindowController controller(makeModel(harness));
        // Only the window's own queued calls: other parts of the application queue theirs.
        test::EventCounter counter(controller.window(), QEvent::MetaCall);
        controller.handleScreenParametersChange();
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.count, 1);
    }
    // The window goes with the controller and takes the queued call with it,
    // rather than run it on freed memory (the sanitizer build would say so).
    auto controller = std::make_unique<WallpaperWindowController>(makeModel(harness));
    controller->handleScreenParametersChange();
    const QPointer<QWidget> window = controller->window();
    controller.reset();
    EXPECT_TRUE(window.isNull()) << "the window outlived its controller";
    QCoreApplication::processEvents();
}

TEST(WallpaperWindow, ShowsTheLiveCanvasOfTheCurrentDesign) {
    test::ModelHarness harness;
    auto model = makeModel(harness);
    model->setVignette(false);  // cell interiors then carry the plain cell colour
    WallpaperWindowController controller(model);
    auto* canvas = dynamic_cast<WallpaperCanvasView*>(controller.contentView());
    ASSERT_NE(canvas, nullptr);
    controller.show();
    const QImage shot = controller.window()->grab().toImage().convertToFormat(QImage::Format_RGBA8888);
    ASSERT_FALSE(shot.isNull());

    // The same design drawn by the core at the window's size, pixel for pixel.
    std::vector<std::uint8_t> expected(std::size_t(shot.width()) * shot.height() * 4);
    WallpaperRenderer::CanvasContext context;
    context.pixels = {expected.data(), shot.width(), shot.height(), std::int64_t(shot.width()) * 4};
    WallpaperRenderer::draw(makeExportSettings(*model), context, shot.width(), shot.height());
    for (const QPoint point : {QPoint(shot.width() / 2, shot.height() / 2), QPoint(7, 7),
                               QPoint(shot.width() - 9, shot.height() - 9)}) {
        const std::uint8_t* want = expected.data() + (std::size_t(point.y()) * shot.width() + point.x()) * 4;
        const QColor got = shot.pixelColor(point);
        EXPECT_EQ(got, QColor(want[0], want[1], want[2])) << point.x() << "," << point.y();
    }

    QPointer<QWidget> old = controller.contentView();
    EXPECT_EQ(canvas->canvasView()->framesDrawn(), 1);
    auto* content = new QWidget;
    controller.setContentView(content);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(controller.contentView(), content);
    EXPECT_EQ(content->window(), controller.window());
}

void drawnAheadOnceAndShownAsDrawn(bool preparesSurface) {
    SCOPED_TRACE(preparesSurface ? "backing store prepared ahead" : "plain path");
    test::ModelHarness harness;
    auto model = makeModel(harness);
    WallpaperWindowController controller(model);
    controller.setPreparesSurface(preparesSurface);
    auto* canvas = dynamic_cast<WallpaperCanvasView*>(controller.contentView());
    ASSERT_NE(canvas, nullptr);
    LiveCanvasView* view = canvas->canvasView();
    ASSERT_EQ(canvas->currentView(), view);
    EXPECT_EQ(view->framesDrawn(), 0);

    controller.drawAhead();
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_EQ(controller.window()->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(view->size(), controller.window()->size());  // laid out at the window's size while hidden
    EXPECT_EQ(view->framesDrawn(), 1);
    controller.drawAhead();  // nothing changed: nothing to draw
    EXPECT_EQ(view->framesDrawn(), 1);

    // A band of the window's memory per call, then nothing more to do; on
    // the plain path nothing at all.
    if (preparesSurface) {
        for (int band = 1; band < WallpaperWindowController::surfaceBands; ++band)
            EXPECT_TRUE(controller.prepareSurface()) << band;
    }
    EXPECT_FALSE(controller.prepareSurface());
    EXPECT_FALSE(controller.prepareSurface());
    ASSERT_NE(controller.window()->backingStore(), nullptr);
    if (preparesSurface) {
        EXPECT_EQ(controller.window()->backingStore()->size(), controller.window()->size());
    }
    EXPECT_FALSE(controller.window()->isVisible());
    bool shown = false;
    controller.show();
    controller.whenFrameShown([&] { shown = true; });
    ASSERT_TRUE(test::processEventsUntil([&] { return shown; }));
    // Shown as drawn ahead, not drawn again.
    const QImage shot = controller.window()->grab().toImage();
    EXPECT_EQ(view->framesDrawn(), 1);
    const QColor middle = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_NE(middle, QColor(Qt::black));

    // A change after it is drawn as usual.
    model->setVignette(!model->vignette());
    ASSERT_TRUE(test::processEventsUntil([&] { return view->framesDrawn() == 2; }));
}

TEST(WallpaperWindow, TheFirstFrameIsDrawnAheadOnceAndShownAsDrawn) {
    drawnAheadOnceAndShownAsDrawn(true);
    drawnAheadOnceAndShownAsDrawn(false);
}

TEST(WallpaperWindow, AFrameShownCallbackDiesWithTheWindow) {
    test::ModelHarness harness;
    int gone = 0;
    {
        WallpaperWindowController controller(makeModel(harness));
        controller.whenFrameShown([&] { ++gone; });  // never shown
    }
    {
        // Shown, and gone before its expose (or the call after it) is handled.
        WallpaperWindowController controller(makeModel(harness));
        controller.show();
        controller.whenFrameShown([&] { ++gone; });
    }
    // A window kept, shown after them: its call does come (so the check of
    // theirs can fail), and once it has, theirs would have come too.
    int kept = 0;
    WallpaperWindowController controller(makeModel(harness));
    controller.show();
    controller.whenFrameShown([&] { ++kept; });
    ASSERT_TRUE(test::processEventsUntil([&] { return kept > 0; }));
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(gone, 0);
}

}  // namespace
}  // namespace glimora
