// Importing photos through the "Photos" button with real X input, under
// openbox: the picture dialog opens on the Pictures folder, the model keeps
// isPresentingPhotoPicker true while it is up (the flag that keeps the
// expanded panel from collapsing when the dialog takes the focus), and the
// first chosen picture shows on the desktop window. The image editor is
// hosted in a plain top-level window beside the desktop window, as the panel
// would host it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "editors/image_editor.hpp"
#include "platform/qt/qt_file_dialogs.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "platform/qt/qt_scheduler.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"
#include "windows/wallpaper_window_controller.hpp"

namespace glimora {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "photo_import_x11_test";
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

QString artefact(const QString& name) {
    const QString folder = QStringLiteral(GLIMORA_ARTEFACT_DIR "/photo_import_x11_test");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/") + name;
}

QImage screenshot(const QString& name) {
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = artefact(name);
    shot.save(path);
    std::cout << "screenshot: " << path.toStdString() << std::endl;
    return shot;
}

void run(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

void xClick(QWidget* widget) {
    const QPoint at = widget->mapToGlobal(QPoint(widget->width() / 2, widget->height() / 2));
    run("xdotool mousemove --sync " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
}

class WindowManager final : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        char program[] = "openbox";
        char option[] = "--sm-disable";
        char* argv[] = {program, option, nullptr};
        ASSERT_EQ(posix_spawnp(&pid_, "openbox", nullptr, nullptr, argv, environ), 0) << "openbox could not be started";
        // Give it a moment to take the screen; the test waits for its windows anyway.
        for (int i = 0; i < 100 && std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window") != 0;
             ++i)
            QThread::msleep(50);
    }
    void TearDown() override {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }

private:
    pid_t pid_ = -1;
};

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

QFileDialog* openFileDialog() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

bool isReddish(QRgb pixel) { return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90; }

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
    processEventsUntil([] { return false; }, 500);
    const QImage before = screenshot(QStringLiteral("1-before.png"));
    EXPECT_FALSE(isReddish(before.pixel(300, 500)));

    QWidget* photos = nullptr;
    for (QWidget* child : editor->findChildren<QWidget*>())
        if (child->accessibleName() == "Photos") photos = child;
    ASSERT_NE(photos, nullptr);
    xClick(photos);
    ASSERT_TRUE(processEventsUntil([] { return openFileDialog() != nullptr; }, 10000)) << "no picture dialog";
    QFileDialog* dialog = openFileDialog();
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
              QDir(QString::fromStdString(pictures.string())).canonicalPath());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    // While the dialog is up the panel's flag holds, and the panel stays expanded.
    EXPECT_TRUE(model->isPresentingPhotoPicker());
    processEventsUntil([&] { return dialog->isActiveWindow(); }, 5000);
    processEventsUntil([] { return false; }, 300);
    screenshot(QStringLiteral("2-dialog.png"));
    EXPECT_TRUE(model->isPresentingPhotoPicker());
    EXPECT_TRUE(model->expanded());

    auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    xClick(nameField);
    run("xdotool type --delay 30 '\"1-red.png\" \"2-blue.png\"'");
    run("xdotool key Return");

    ASSERT_TRUE(processEventsUntil([&] { return model->imageAssets().size() == 2; }, 20000))
        << "imported " << model->imageAssets().size();
    EXPECT_FALSE(model->isPresentingPhotoPicker());
    EXPECT_EQ(model->wallpaperSource(), WallpaperSource::image);
    EXPECT_EQ(model->currentImageIndex(), 0);
    // The first picture shows: red over the desktop away from the editor's window.
    QImage after;
    const bool red = processEventsUntil(
        [&] {
            after = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            return isReddish(after.pixel(300, 500)) && isReddish(after.pixel(900, 800)) && isReddish(after.pixel(100, 100));
        },
        15000);
    screenshot(QStringLiteral("3-imported.png"));
    EXPECT_TRUE(red) << "desktop at (300, 500): " << std::hex << after.pixel(300, 500);
    // And the editor lists it.
    bool listed = false;
    for (QWidget* child : editor->findChildren<QWidget*>())
        if (child->accessibleName() == "Add Images" && child->isVisible()) listed = true;
    EXPECT_TRUE(listed);
}

}  // namespace
}  // namespace glimora
