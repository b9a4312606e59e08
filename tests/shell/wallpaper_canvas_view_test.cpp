#include "views/wallpaper_canvas_view.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <cstdio>

#include "model/palette.hpp"
#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "views/animated_pixel_gradient_view.hpp"
#include "views/live_canvas_view.hpp"
#include "views/procedural_gradient_view.hpp"
#include "views/shader_material_view.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

// Runs the event loop for a while: queued change signals, paints, timers.
void settle(int milliseconds = 0) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    QApplication::processEvents();
}

class WallpaperCanvasViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness.random->queueRaw({0x5eed5eed5eedULL});  // the design seed
        model = harness.make();
        model->setVignette(false);
    }

    std::unique_ptr<WallpaperCanvasView> makeView(bool reduceMotion = false) {
        auto view = std::make_unique<WallpaperCanvasView>(*model, reduceMotion);
        view->resize(320, 180);
        view->show();
        settle();
        return view;
    }

    static QImage grab(WallpaperCanvasView& view) {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model;
};

TEST_F(WallpaperCanvasViewTest, TheStillDesignShowsItsCellColoursAtCellCentres) {
    auto view = makeView();
    EXPECT_EQ(view->content(), CanvasContent::stillCanvas);
    EXPECT_EQ(view->currentView(), view->canvasView());
    const QImage image = grab(*view);
    const WallpaperExportSettings settings = makeExportSettings(*model);
    const WallpaperRenderer::CellGrid grid = WallpaperRenderer::cellGrid(settings, 320, 180);
    std::vector<RGB> colors(std::size_t(grid.columns * grid.rows));
    WallpaperRenderer::CellColorer(settings).fillRows(grid, 0, grid.rows, colors,
                                                      WallpaperRenderer::CellFinish::live);
    for (std::int64_t r = 0; r < grid.rows; r += 5) {
        for (std::int64_t c = 0; c < grid.columns; c += 9) {
            const QColor pixel = image.pixelColor(int(grid.cellWidth * (double(c) + 0.5)),
                                                  int(grid.cellHeight * (double(r) + 0.5)));
            const RGB expected = colors[std::size_t(r * grid.columns + c)];
            ASSERT_EQ(pixel, QColor(expected.red, expected.green, expected.blue)) << r << "," << c;
        }
    }
}

TEST_F(WallpaperCanvasViewTest, TheViewFollowsTheEditorsChoice) {
    auto view = makeView();
    EXPECT_FALSE(view->isAnimating());

    model->toggleAnimation();
    settle();
    EXPECT_EQ(view->content(), CanvasContent::animatedGradient);
    EXPECT_EQ(view->currentView(), view->animationView());
    EXPECT_TRUE(view->isAnimating());

    view->setReduceMotion(true);
    EXPECT_EQ(view->content(), CanvasContent::stillCanvas);
    EXPECT_FALSE(view->isAnimating());
    view->setReduceMotion(false);

    model->selectSmoothGradient();  // still playing, now a CPU shape: the timeline canvas
    settle();
    ASSERT_TRUE(model->animationPlaying());
    EXPECT_EQ(view->content(), CanvasContent::timelineCanvas);
    EXPECT_TRUE(view->canvasView()->timed());
    EXPECT_TRUE(view->isAnimating());

    model->selectGrainGradientMode(GrainGradientMode::ribbon);
    settle();
    EXPECT_EQ(view->content(), CanvasContent::grainGradient);
    EXPECT_EQ(view->currentView(), view->gradientView());
    EXPECT_FALSE(view->isAnimating());

    model->selectShaderPattern(ShaderPattern::bands);
    settle();
    EXPECT_EQ(view->content(), CanvasContent::shaderMaterial);
    ASSERT_NE(view->materialView(), nullptr);
    EXPECT_EQ(view->currentView(), view->materialView());
    EXPECT_TRUE(view->isAnimating());

    model->turnOffShaderMaterial();
    settle();
    EXPECT_EQ(view->content(), CanvasContent::grainGradient);
    EXPECT_EQ(view->materialView(), nullptr);  // the material is let go
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(WallpaperCanvasViewTest, ChangesAreGatheredIntoOneFrameAndIrrelevantOnesDrawNothing) {
    auto view = makeView();
    grab(*view);
    const int before = view->canvasView()->framesDrawn();
    model->setHue(40);
    model->setContrast(130);
    model->setAngle(20);
    settle();
    grab(*view);
    EXPECT_EQ(view->canvasView()->framesDrawn(), before + 1);

    model->setExportStatus("Exported");
    model->setSelectedTab(NotchTab::color);
    model->setExpanded(true);
    settle();
    grab(*view);
    EXPECT_EQ(view->canvasView()->framesDrawn(), before + 1);
}

TEST_F(WallpaperCanvasViewTest, AnIdleDesktopDrawsNoFramesAndARunningOneDrawsOnTheClock) {
    auto view = makeView();
    grab(*view);
    const int idle = view->canvasView()->framesDrawn();
    settle(150);
    EXPECT_EQ(view->canvasView()->framesDrawn(), idle);

    model->toggleAnimation();
    settle();
    const QImage first = grab(*view);
    const int start = view->animationView()->framesDrawn();
    harness.clock->advance(2.0);  // a quarter of the loop
    QElapsedTimer running;
    running.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return view->animationView()->framesDrawn() > start; }))
        << "no frame came on the clock";
    EXPECT_NE(grab(*view), first);
    // How often frames come depends on the machine's load: a figure, not a check.
    settle(300);
    std::printf("%d frames in %lld ms on a clock of 1/30 s\n", view->animationView()->framesDrawn() - start,
                static_cast<long long>(running.elapsed()));
}

TEST_F(WallpaperCanvasViewTest, ViewsOfferTheirShaderArgumentLists) {
    auto view = makeView();
    const double now = harness.clock->now();
    const ShaderArguments animated = view->animationView()->shaderArguments(now);
    ASSERT_EQ(animated.size(), 28u);
    view->animationView()->resize(320, 180);
    const ShaderArguments grain = view->gradientView()->shaderArguments();
    ASSERT_EQ(grain.size(), 16u);
    EXPECT_EQ(grain.back().colors.size(), model->activePalette().colors.size());
}

TEST_F(WallpaperCanvasViewTest, TheMaterialNeverLeavesTheDesktopBlack) {
    model->selectShaderPattern(ShaderPattern::cells);
    model->toggleShaderPlayback();  // a still frame
    auto view = makeView();
    ASSERT_NE(view->materialView(), nullptr);
    const QImage image = grab(*view);
    int lit = 0;
    for (int y = 0; y < image.height(); y += 9)
        for (int x = 0; x < image.width(); x += 9) lit += qGray(image.pixel(x, y)) > 10;
    EXPECT_GT(lit, 50);
    if (!view->materialView()->usesOpenGL()) {
        EXPECT_GE(view->materialView()->cpuFramesDrawn(), 1);
        int lines = 0;
        for (const std::string& line : harness.logger->lines)
            lines += line.rfind("Glimora shader material is drawn on the CPU", 0) == 0;
        EXPECT_LE(lines, 1);  // once per process
    }
}

}  // namespace
}  // namespace glimora
