// A change made through a control of each design tab, with real X input,
// shows on the desktop window: its pixels become those of the same design
// exported by the glimora-render program. Each editor is shown by the panel's
// tab routing, in a plain top-level window over the desktop window.
#include <QScreen>
#include <QWindow>

#include <iostream>
#include <memory>

#include "panel/selected_tab_content.hpp"
#include "tests/state/model_harness.hpp"
#include "views/live_frame_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;

// A real click on a slider's track at a share of its usable width (its knob
// band is the top 8 pixels of the track).
void xClickTrack(QWidget* track, double share) {
    ASSERT_TRUE(clickWidget(track, QPoint(int(4 + (track->width() - 8) * share), 4)));
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

    // Selects the tab and shows its editor through the panel's tab routing,
    // laid out as the top panel lays it out, in a window of its own.
    QWidget* host(NotchTab tab) {
        model->setSelectedTab(tab);
        panel = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        panel->setAttribute(Qt::WA_StyledBackground);
        panel->setStyleSheet(QStringLiteral("background: black;"));
        auto* content = new SelectedTabContent(*bridge, {480, 5, false}, panel.get());
        content->setGeometry(10, 10, 480, 540);
        panel->setGeometry(0, 0, 500, 560);
        panel->show();
        QWidget* editor = content->editor();
        EXPECT_TRUE(processEventsUntil([&] { return panel->isVisible() && editor->isVisible(); }, 5000));
        // Exposed, it is mapped on the X server: real clicks reach it.
        EXPECT_TRUE(processEventsUntil([&] { return panel->windowHandle()->isExposed(); }, 10000));
        return editor;
    }

    // Exports the design with glimora-render at the screen's size and waits
    // for the desktop's cell centres outside the editor's window to equal it.
    // `tolerance`: the largest difference of a channel taken as equal (the
    // smooth gradient is drawn by its own filter on the desktop).
    QImage expectDesktopShows(const DesignRecipe& recipe, const std::string& step, int tolerance = 0) {
        const PixelImageBuffer image = exportWithRenderer(recipe, folder.path(), step);
        if (image.width != 1920 || image.height != 1080) {
            ADD_FAILURE() << "the export is " << image.width << "x" << image.height;
            return {};
        }
        const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(*model), 1920, 1080);
        const QRect covered = panel ? panel->frameGeometry().adjusted(-2, -2, 2, 2) : QRect();
        CellComparison comparison;
        QImage shot;
        processEventsUntil(
            [&] {
                shot = x11.image();
                comparison = compareCellCentres(shot, image, grid, tolerance, covered);
                return comparison.differing == 0;
            },
            10000);
        keepScreenshot(shot, "design_tabs_x11_test/" + step);
        if (comparison.differing > 0) {
            const auto exportCopy = artefactPath("design_tabs_x11_test/" + step + "-export.png");
            std::filesystem::copy_file(folder.path() / (step + ".png"), exportCopy,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        std::cout << step << ": " << comparison.compared << " cell centres, largest difference " << comparison.largest
                  << ", " << comparison.differing << " beyond " << tolerance << std::endl;
        EXPECT_EQ(comparison.differing, 0) << step << ": of " << comparison.compared << " cell centres, largest difference "
                                           << comparison.largest << "; first:\n"
                                           << comparison.firstDifferences;
        EXPECT_GT(comparison.compared, 10000);
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

    // Shows the tab, checks the desktop, clicks the named control (a slider's
    // track at a share of its width), waits for the model to take the change
    // and checks that the desktop shows the new design, visibly changed.
    void clickAndCompare(NotchTab tab, const char* control, std::optional<double> trackShare,
                         const std::function<bool()>& changed, int tolerance = 0) {
        const std::string step(rawValue(tab));
        QWidget* editor = host(tab);
        const QImage before = expectDesktopShows(current(), step + "-before", tolerance);
        QWidget* target = visibleNamed(editor, QString::fromUtf8(control));
        ASSERT_NE(target, nullptr) << control;
        if (trackShare)
            xClickTrack(target, *trackShare);
        else
            ASSERT_TRUE(clickWidget(target));
        ASSERT_TRUE(processEventsUntil(changed, 5000)) << control;
        const QImage after = expectDesktopShows(current(), step + "-after", tolerance);
        EXPECT_GT(changedPoints(before, after), 100) << "the change shows";
    }

    DesignRecipe current() const { return model->makeRecipe("Desktop", false); }

    test::ModelHarness harness;
    std::shared_ptr<NotchViewModel> model;
    std::unique_ptr<NotchViewModelBridge> bridge;
    std::unique_ptr<WallpaperWindowController> desktop;
    std::unique_ptr<QWidget> panel;
    test::TempDir folder;
    X11 x11;
};

TEST_F(DesignTabsOnTheDesktop, AShapeTileChangesTheDesktop) {
    clickAndCompare(NotchTab::shape, "Sweep", std::nullopt, [&] { return model->shape() == NotchShape::conic; });
}

TEST_F(DesignTabsOnTheDesktop, AGrainTileChangesTheDesktop) {
    // The grain gradient's desktop view grains the colours its own way: a
    // few levels of difference are its grain, not another design.
    clickAndCompare(NotchTab::gradients, "Radiance", std::nullopt,
                    [&] { return model->grainGradientMode() == GrainGradientMode::bloom; }, 16);
    EXPECT_TRUE(model->grainGradientActive()) << "the tab shows the grain gradient";
}

TEST_F(DesignTabsOnTheDesktop, APaletteTileChangesTheDesktop) {
    clickAndCompare(NotchTab::color, "Retro", std::nullopt, [&] { return model->paletteIndex() == 9; });
}

TEST_F(DesignTabsOnTheDesktop, ATuningSliderChangesTheDesktop) {
    model->selectShape(NotchShape::diamond);
    clickAndCompare(NotchTab::adjust, "Anchor X", 0.2, [&] { return model->centerX() == 20; });
}

TEST_F(DesignTabsOnTheDesktop, AChannelChipChangesTheDesktop) {
    clickAndCompare(NotchTab::style, "R", std::nullopt, [&] { return model->channel() == StyleChannel::red; });
}

TEST_F(DesignTabsOnTheDesktop, ThePlayButtonAnimatesTheDesktop) {
    // A shape the desktop animates on its live canvas, on a clock that stands
    // still, so that the frame on show is known.
    model->selectShape(NotchShape::ribbonBands);
    auto* editor = host(NotchTab::animation);
    const QImage before = expectDesktopShows(current(), "animation-before");
    QWidget* play = visibleNamed(editor, QStringLiteral("Play animation"));
    ASSERT_NE(play, nullptr);
    ASSERT_TRUE(clickWidget(play));
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
