#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

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
    auto controller = std::make_unique<WallpaperWindowController>(makeModel(harness));
    controller->handleScreenParametersChange();
    controller.reset();
    test::processEventsFor(20);  // would touch freed memory under the sanitizers otherwise
    SUCCEED();
}

TEST(WallpaperWindow, PlaceholderShowsTheFirstPaletteColourUntilContentArrives) {
    test::ModelHarness harness;
    auto model = makeModel(harness);
    WallpaperWindowController controller(model);
    auto* placeholder = dynamic_cast<DesktopPlaceholderView*>(controller.contentView());
    ASSERT_NE(placeholder, nullptr);
    const auto colourOf = [](const Color& color) {
        return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue)).toRgb();
    };
    const QColor first = colourOf(model->activePalette().colors.front());
    EXPECT_LE(std::abs(placeholder->fillColor().red() - first.red()), 1);
    EXPECT_LE(std::abs(placeholder->fillColor().green() - first.green()), 1);
    EXPECT_LE(std::abs(placeholder->fillColor().blue() - first.blue()), 1);

    // Painted, the whole window is that colour.
    controller.show();
    const QImage shot = controller.window()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2).rgb(), placeholder->fillColor().rgb());
    EXPECT_EQ(shot.pixelColor(0, 0).rgb(), placeholder->fillColor().rgb());

    model->setCustomPaletteStops({CustomPaletteStop{1, 0, 0}});
    model->setPaletteIndex(static_cast<int>(builtInPalettes().size()));
    EXPECT_EQ(placeholder->fillColor(), QColor(255, 0, 0));
    model->setCustomPaletteStops({});
    EXPECT_EQ(placeholder->fillColor(), QColor(Qt::black));  // an empty custom palette

    QPointer<QWidget> old = controller.contentView();
    auto* content = new QWidget;
    controller.setContentView(content);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(controller.contentView(), content);
    EXPECT_EQ(content->window(), controller.window());
}

}  // namespace
}  // namespace glimora
