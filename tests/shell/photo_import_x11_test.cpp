// Importing photos through the "Photos" button with real X input, under
// openbox: the picture dialog opens on the Pictures folder, the model keeps
// isPresentingPhotoPicker true while it is up (the flag that keeps the
// expanded panel from collapsing when the dialog takes the focus), and the
// first chosen picture shows on the desktop window. The image editor is
// hosted in a plain top-level window beside the desktop window, so that the
// dialog and the model can be looked at from inside; app_panel_import_x11_test
// does the same through the running application's panel.
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>

#include <memory>
#include <string>

#include "editors/image_editor.hpp"
#include "platform/qt/qt_file_dialogs.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "platform/qt/qt_scheduler.hpp"
#include "tests/state/model_harness.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros break the Qt headers that follow it.
#include "tests/shell/desktop_frames_x11.hpp"
#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

QFileDialog* openFileDialog() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

bool isReddish(QRgb pixel) { return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90; }

// Points of the desktop away from the editor's window.
const QPoint desktopPoints[] = {{300, 500}, {900, 800}, {100, 100}};

TEST(PhotoImportOnTheDesktop, PhotosChosenInTheDialogShowTheFirstOnTheDesktop) {
    application();
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->geometry().size(), QSize(1920, 1080)) << "this test runs under xvfb-run at 1920x1080";

    test::TempDir home;
    const auto pictures = home.path() / "Pictures";
    std::filesystem::create_directories(pictures);
    // Two photos with a little texture: red first, blue second.
    for (const auto& [name, color] : {std::pair{"1-red.png", QColor(220, 30, 30)}, std::pair{"2-blue.png", QColor(30, 40, 220)}}) {
        QImage image(640, 400, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixelColor(x, y, color.lighter(100 + (x + y) % 7));
        ASSERT_TRUE(image.save(QString::fromStdString((pictures / name).string())));
    }

    test::ModelHarness harness;
    NotchViewModel::Services services = harness.services();
    services.scheduler = std::make_shared<QtScheduler>();
    services.fileDialogs = std::make_shared<QtFileDialogs>(false);  // Qt's own dialog, driven by xdotool
    services.paths = std::make_shared<FixedPaths>(home.path());
    services.decodeImage = decodePictureWithQtFallback;
    auto model = std::make_shared<NotchViewModel>(services);
    model->setVignette(false);
    model->setScanlines(false);
    model->setExpanded(true);
    model->setSelectedTab(NotchTab::image);
    NotchViewModelBridge bridge(*model);
    WallpaperWindowController desktop(model);
    desktop.show();

    QWidget panel(nullptr, Qt::Window | Qt::FramelessWindowHint);
    panel.setAttribute(Qt::WA_StyledBackground);
    panel.setStyleSheet(QStringLiteral("background: black;"));
    auto* editor = new ImageEditor(bridge, EditorInputs{480, false, 5, 7}, &panel);
    editor->move(10, 10);
    panel.setGeometry(1400, 40, 500, 700);
    panel.show();
    ASSERT_TRUE(processEventsUntil([&] { return editor->isVisible(); }, 5000));
    // The desktop shows the design before a picture is chosen.
    X11 x11;
    const std::vector<std::uint8_t> design = desktoptest::wholeFrame(*model, harness.clock->now(), 1920, 1080);
    const auto designPoints = [&](const QImage& screen) {
        int count = 0;
        for (const QPoint& point : desktopPoints) {
            const std::uint8_t* want = design.data() + (std::size_t(point.y()) * 1920 + std::size_t(point.x())) * 4;
            count += screen.pixel(point) == qRgb(want[0], want[1], want[2]);
        }
        return count;
    };
    QImage before;
    EXPECT_TRUE(processEventsUntil(
        [&] {
            before = x11.image();
            return designPoints(before) == int(std::size(desktopPoints));
        },
        10000))
        << "the desktop does not show the design";
    x11.screenshot("photo_import_x11_test/1-before");
    for (const QPoint& point : desktopPoints) EXPECT_FALSE(isReddish(before.pixel(point))) << "the design is red already";

    QWidget* photos = nullptr;
    for (QWidget* child : editor->findChildren<QWidget*>())
        if (child->accessibleName() == "Photos") photos = child;
    ASSERT_NE(photos, nullptr);
    ASSERT_TRUE(clickWidget(photos));
    ASSERT_TRUE(processEventsUntil([] { return openFileDialog() != nullptr; }, 10000)) << "no picture dialog";
    QFileDialog* dialog = openFileDialog();
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
              QDir(QString::fromStdString(pictures.string())).canonicalPath());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    // While the dialog is up the panel's flag holds, and the panel stays expanded.
    EXPECT_TRUE(model->isPresentingPhotoPicker());
    processEventsUntil([&] { return dialog->isActiveWindow(); }, 5000);
    processEventsUntil([] { return false; }, 300);
    x11.screenshot("photo_import_x11_test/2-dialog");
    EXPECT_TRUE(model->isPresentingPhotoPicker());
    EXPECT_TRUE(model->expanded());

    auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    ASSERT_TRUE(clickWidget(nameField));
    ASSERT_TRUE(xdotool({"type", "--delay", "30", "\"1-red.png\" \"2-blue.png\""}));
    ASSERT_TRUE(xdotool({"key", "Return"}));

    ASSERT_TRUE(processEventsUntil([&] { return model->imageAssets().size() == 2; }, 20000))
        << "imported " << model->imageAssets().size();
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->currentImageIndex(), 0);
    // The first picture shows: red over the desktop away from the editor's window.
    QImage after;
    const bool red = processEventsUntil(
        [&] {
            after = x11.image();
            return std::all_of(std::begin(desktopPoints), std::end(desktopPoints),
                               [&](const QPoint& point) { return isReddish(after.pixel(point)); });
        },
        15000);
    x11.screenshot("photo_import_x11_test/3-imported");
    EXPECT_TRUE(red) << "desktop at (300, 500): " << std::hex << after.pixel(300, 500);
    // And the editor lists it.
    bool listed = false;
    for (QWidget* child : editor->findChildren<QWidget*>())
        if (child->accessibleName() == "Add Images" && child->isVisible()) listed = true;
    EXPECT_TRUE(listed);
}

}  // namespace
}  // namespace glimora
