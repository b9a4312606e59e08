#include "windows/wallpaper_window_controller.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "views/wallpaper_canvas_view.hpp"
#include "windows/desktop_content.hpp"
#include "windows/desktop_window_x11.hpp"

namespace glimora {

WallpaperWindowController::WallpaperWindowController(std::shared_ptr<NotchViewModel> model)
    : model_(std::move(model)) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                                                     Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                                                     Qt::NoDropShadowWindowHint);
    window_->setObjectName(QStringLiteral("GlimoraDesktopWindow"));
    window_->setWindowTitle(QStringLiteral("Glimora Desktop"));
    window_->setGeometry(screen ? screen->geometry() : fallbackFrame);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    window_->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setContentView(makeDesktopContentView(model_));

    // The desktop type must be on the native window before it is first mapped:
    // window managers read it only then.
    window_->winId();
    prepareDesktopWindow(*window_);
    watchDesktopWindowCover(*window_, [this](bool covered) {
        covered_ = covered;
        applyCover();
    });

    auto* application = qGuiApp;
    QObject::connect(application, &QGuiApplication::primaryScreenChanged, window_.get(),
                     [this] { handleScreenParametersChange(); });
    QObject::connect(application, &QGuiApplication::screenAdded, window_.get(), [this](QScreen* added) {
        observeScreen(added);
        handleScreenParametersChange();
    });
    QObject::connect(application, &QGuiApplication::screenRemoved, window_.get(),
                     [this] { handleScreenParametersChange(); });
    for (QScreen* each : QGuiApplication::screens()) observeScreen(each);
}

WallpaperWindowController::~WallpaperWindowController() = default;

void WallpaperWindowController::observeScreen(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, window_.get(), [this] { handleScreenParametersChange(); });
}

void WallpaperWindowController::setContentView(QWidget* content) {
    if (content_ == content) return;
    delete content_;
    content_ = content;
    if (content_) window_->layout()->addWidget(content_);
    applyCover();
}

void WallpaperWindowController::applyCover() {
    if (auto* canvas = qobject_cast<WallpaperCanvasView*>(content_)) canvas->setCovered(covered_);
}

void WallpaperWindowController::fitToPrimaryScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) window_->setGeometry(screen->geometry());
}

void WallpaperWindowController::show() {
    fitToPrimaryScreen();
    window_->show();
}

void WallpaperWindowController::handleScreenParametersChange() {
    // Queued on the window: a controller gone by then takes the call with it.
    QMetaObject::invokeMethod(window_.get(), [this] { fitToPrimaryScreen(); }, Qt::QueuedConnection);
}

}  // namespace glimora
