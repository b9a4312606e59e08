// A change made through a control of each design tab, with real X input,
// shows on the desktop window: its pixels become those of the same design
// exported by the glimora-render program. Each editor is hosted in a plain
// top-level window over the desktop window, as the panel would host it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "editors/adjust_editor.hpp"
#include "editors/animation_editor.hpp"
#include "editors/color_editor.hpp"
#include "editors/grain_gradient_editor.hpp"
#include "editors/shape_editor.hpp"
#include "editors/style_editor.hpp"
#include "model/recipe_json.hpp"
#include "render/cell_grid.hpp"
#include "render/pixel_image_buffer.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"
#include "views/live_frame_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace glimora {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "design_tabs_x11_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *qobject_cast<QApplication*>(QApplication::instance());
}

bool processEventsUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Where the screenshots of this test go (kept as artefacts of the run).
QString artefactFolder() {
    const QString folder = QDir::currentPath() + QStringLiteral("/design_tabs_x11_artefacts");
    QDir().mkpath(folder);
    return folder;
}

QImage screenshot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// A real click of the X server's pointer at the widget's centre, through
// xdotool.
void xClick(QWidget* widget) {
    const QPoint at = widget->mapToGlobal(QPoint(widget->width() / 2, widget->height() / 2));
    const std::string command = "xdotool mousemove --sync " + std::to_string(at.x()) + " " +
                                std::to_string(at.y()) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The same on a slider's track, at a share of its usable width (its knob
// band is the top 8 pixels of the track).
void xClickTrack(QWidget* track, double share) {
    const QPoint at = track->mapToGlobal(QPoint(int(4 + (track->width() - 8) * share), 4));
    const std::string command = "xdotool mousemove --sync " + std::to_string(at.x()) + " " +
                                std::to_string(at.y()) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

template <class T = QWidget>
T* named(QWidget* root, const QString& name) {
    T* found = nullptr;
    for (T* child : root->findChildren<T*>())
        if (child->accessibleName() == name && child->isVisible()) found = child;  // the innermost
    return found;
}

class DesignTabsOnTheDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(screen->geometry().size(), QSize(1920, 1080)) << "this test runs under xvfb-run at 1920x1080";
        model = std::shared_ptr<NotchViewModel>(harness.make());
        // Cells with no overlay, so that each cell centre is the cell's colour.
        model->setVignette(false);
        model->setScanlines(false);
        model->setRgbSplit(false);
        model->setPixelScale(4);
        bridge = std::make_unique<NotchViewModelBridge>(*model);
        desktop = std::make_unique<WallpaperWindowController>(model);
        desktop->show();
    }

    template <class Editor>
    Editor* host(const EditorInputs& inputs = {480, false, 5, 7}) {
        panel = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        panel->setAttribute(Qt::WA_StyledBackground);
        panel->setStyleSheet(QStringLiteral("background: black;"));
        auto* editor = new Editor(*bridge, inputs, panel.get());
        editor->move(10, 10);
        panel->setGeometry(0, 0, int(inputs.availableWidth) + 20, 560);
        panel->show();
        EXPECT_TRUE(processEventsUntil([&] { return panel->isVisible() && editor->isVisible(); }, 5000));
        processEventsUntil([] { return false; }, 300);  // mapped and painted
        return editor;
    }

    // Exports the design with glimora-render at the screen's size and waits
    // for the desktop's cell centres outside the editor's window to equal it.
    // `tolerance`: the largest difference of a channel taken as equal (the
    // smooth gradient is drawn by its own filter on the desktop).
    QImage expectDesktopShows(const DesignRecipe& recipe, const std::string& step, int tolerance = 0) {
        const auto recipeFile = folder.path() / (step + ".ombriq");
        std::ofstream(recipeFile) << encodeRecipeDocument(recipe);
        const auto exported = folder.path() / (step + ".png");
        const std::string command = std::string(GLIMORA_RENDER_BINARY) + " '" + recipeFile.string() + "' -o '" +
                                    exported.string() + "' --format png --resolution hd";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const auto bytes = test::readFile(exported);
        const PixelImageBuffer image = PixelImageBuffer::load({bytes.data(), bytes.size()}, 4096);
        if (image.width != 1920 || image.height != 1080) {
            ADD_FAILURE() << "the export is " << image.width << "x" << image.height;
            return {};
        }

        const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*model), 1920, 1080);
        const QRect covered = panel ? panel->frameGeometry().adjusted(-2, -2, 2, 2) : QRect();
        int compared = 0, differing = 0, largest = 0;
        QImage shot;
        auto compare = [&] {
            shot = screenshot();
            compared = differing = largest = 0;
            for (std::int64_t row = 0; row < grid.rows; ++row)
                for (std::int64_t column = 0; column < grid.columns; ++column) {
                    const int x = int((double(column) + 0.5) * grid.cellWidth);
                    const int y = int((double(row) + 0.5) * grid.cellHeight);
                    if (x >= 1920 || y >= 1080 || covered.contains(x, y)) continue;
                    const QRgb pixel = shot.pixel(x, y);
                    const std::uint8_t* want = image.bytes().data() + (std::size_t(y) * 1920 + x) * 4;
                    ++compared;
                    const int difference = std::max({std::abs(qRed(pixel) - want[0]), std::abs(qGreen(pixel) - want[1]),
                                                     std::abs(qBlue(pixel) - want[2])});
                    largest = std::max(largest, difference);
                    if (difference > tolerance) ++differing;
                }
            return differing == 0;
        };
        processEventsUntil(compare, 10000);
        const QString path = artefactFolder() + QStringLiteral("/") + QString::fromStdString(step) + ".png";
        shot.save(path);
        if (differing > 0) {
            const QString exportCopy = artefactFolder() + QStringLiteral("/") + QString::fromStdString(step) + "-export.png";
            QFile::remove(exportCopy);
            QFile::copy(QString::fromStdString(exported.string()), exportCopy);
        }
        std::cout << "screenshot: " << path.toStdString() << " (" << compared << " cell centres, largest difference "
                  << largest << ", " << differing << " beyond " << tolerance << ")" << std::endl;
        EXPECT_EQ(differing, 0) << step << ": of " << compared << " cell centres, largest difference " << largest;
        EXPECT_GT(compared, 10000);
        return shot;
    }

    // How many points of a 40-pixel lattice outside the editor's window
    // differ by more than `tolerance` between two screenshots.
    int changedPoints(const QImage& before, const QImage& after, int tolerance = 16) const {
        const QRect covered = panel->frameGeometry().adjusted(-2, -2, 2, 2);
        int changed = 0;
        for (int y = 20; y < 1080; y += 40)
            for (int x = 20; x < 1920; x += 40) {
                if (covered.contains(x, y)) continue;
                const QRgb a = before.pixel(x, y), b = after.pixel(x, y);
                if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))}) > tolerance)
                    ++changed;
            }
        return changed;
    }

    // The same check, for a design that must differ from the one before.
    DesignRecipe current() const { return model->makeRecipe("Desktop", false); }

    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model;
    std::unique_ptr<NotchViewModelBridge> bridge;
    std::unique_ptr<WallpaperWindowController> desktop;
    std::unique_ptr<QWidget> panel;
    test::TempDir folder;
};

TEST_F(DesignTabsOnTheDesktop, AShapeTileChangesTheDesktop) {
    auto* editor = host<ShapeEditor>();
    const QImage before = expectDesktopShows(current(), "shape-before");
    QWidget* sweep = named(editor, QStringLiteral("Sweep"));
    ASSERT_NE(sweep, nullptr);
    xClick(sweep);
    ASSERT_TRUE(processEventsUntil([&] { return model->shape() == NotchShape::conic; }, 5000));
    const QImage after = expectDesktopShows(current(), "shape-after");
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

TEST_F(DesignTabsOnTheDesktop, AGradientTileChangesTheDesktop) {
    auto* editor = host<GrainGradientEditor>();
    const QImage before = expectDesktopShows(current(), "gradients-before");
    QWidget* fluid = named(editor, QStringLiteral("Fluid"));
    ASSERT_NE(fluid, nullptr);
    xClick(fluid);
    ASSERT_TRUE(processEventsUntil([&] { return model->grainGradientActive(); }, 5000));
    // The grain gradient's desktop view grains the colours its own way: a
    // few levels of difference are its grain, not another design.
    const QImage after = expectDesktopShows(current(), "gradients-after", 16);
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

TEST_F(DesignTabsOnTheDesktop, APaletteTileChangesTheDesktop) {
    auto* editor = host<ColorEditor>();
    const QImage before = expectDesktopShows(current(), "color-before");
    QWidget* retro = named(editor, QStringLiteral("Retro"));
    ASSERT_NE(retro, nullptr);
    xClick(retro);
    ASSERT_TRUE(processEventsUntil([&] { return model->paletteIndex() == 9; }, 5000));
    const QImage after = expectDesktopShows(current(), "color-after");
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

TEST_F(DesignTabsOnTheDesktop, ATuningSliderChangesTheDesktop) {
    model->selectShape(NotchShape::diamond);
    auto* editor = host<AdjustEditor>();
    const QImage before = expectDesktopShows(current(), "adjust-before");
    QWidget* anchor = named(editor, QStringLiteral("Anchor X"));
    ASSERT_NE(anchor, nullptr);
    xClickTrack(anchor, 0.2);
    ASSERT_TRUE(processEventsUntil([&] { return model->centerX() != 50; }, 5000));
    const QImage after = expectDesktopShows(current(), "adjust-after");
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

TEST_F(DesignTabsOnTheDesktop, AChannelChipChangesTheDesktop) {
    auto* editor = host<StyleEditor>();
    const QImage before = expectDesktopShows(current(), "style-before");
    QWidget* red = named(editor, QStringLiteral("R"));
    ASSERT_NE(red, nullptr);
    xClick(red);
    ASSERT_TRUE(processEventsUntil([&] { return model->channel() == StyleChannel::red; }, 5000));
    const QImage after = expectDesktopShows(current(), "style-after");
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

TEST_F(DesignTabsOnTheDesktop, ThePlayButtonAnimatesTheDesktop) {
    // A shape the desktop animates on its live canvas, on a clock that stands
    // still, so that the frame on show is known.
    model->selectShape(NotchShape::ribbonBands);
    auto* editor = host<AnimationEditor>();
    const QImage before = expectDesktopShows(current(), "animation-before");
    QWidget* play = named(editor, QStringLiteral("Play animation"));
    ASSERT_NE(play, nullptr);
    xClick(play);
    ASSERT_TRUE(processEventsUntil([&] { return model->animationPlaying(); }, 5000));
    harness.clock->advance(2);  // a quarter of the 8-second loop
    const auto moved = model->animatedSnapshot(harness.clock->now());
    ASSERT_NE(moved.angle, model->angle());
    DesignRecipe frame = current();
    frame.angle = moved.angle;
    frame.animationPlaying = false;
    const QImage after = expectDesktopShows(frame, "animation-after");
    EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
}

}  // namespace
}  // namespace glimora
