#include "windows/wallpaper_window_controller.hpp"

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPainter>
#include <QScreen>
#include <QVersionNumber>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

#include "platform/memory_pages.hpp"
#include "platform/qt/x11_window_layering.hpp"
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
    // window managers read it only then. Where the window manager has no such
    // type, the window is one it does not manage, kept at the bottom.
    window_->winId();
    auto* layering = new X11WindowLayering(*window_, X11WindowLayering::Layer::bottom,
                                           [this] { prepareDesktopWindow(*window_); });
    watchCover();
    QObject::connect(layering, &X11WindowLayering::switched, window_.get(), [this] {
        watchCover();
        fitToPrimaryScreen();
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

void WallpaperWindowController::watchCover() {
    // A new native window starts seen, until its watch says otherwise.
    delete coverWatch_;
    covered_ = false;
    applyCover();
    coverWatch_ = watchDesktopWindowCover(*window_, [this](bool covered) {
        covered_ = covered;
        applyCover();
    });
}

void WallpaperWindowController::applyCover() {
    if (auto* canvas = qobject_cast<WallpaperCanvasView*>(content_)) canvas->setCovered(covered_);
}

void WallpaperWindowController::fitToPrimaryScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) window_->setGeometry(screen->geometry());
}

void WallpaperWindowController::drawAhead() {
    fitToPrimaryScreen();
    window_->layout()->activate();
    if (auto* canvas = qobject_cast<WallpaperCanvasView*>(content_)) canvas->drawAhead();
}

bool WallpaperWindowController::surfacePreparationProven() {
    // Preparing the window's backing store ahead reaches past what Qt
    // documents: it counts on the widget repaint manager painting the first
    // frame into the store as it was prepared outside a paint event, and on
    // showing posting updates that, taken after the expose, would paint the
    // screen a second time. desktop_first_frame_x11_test shows both with
    // Qt 6.4 on X11; elsewhere the window takes the plain path, until that
    // test shows them there too.
    const QVersionNumber qt = QLibraryInfo::version();
    return qt.majorVersion() == 6 && qt.minorVersion() == 4 &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

bool WallpaperWindowController::prepareSurface() {
    // The first paint copies a whole screen of pixels into the backing
    // store's fresh shared memory, and the first touch of each of its pages
    // is dear (twice the copy's own time, far more in a virtual machine, and
    // from 20 to 200 ms for a screen on a busy one). The store is made and
    // its pages made present ahead, a band of rows per call, so that the turn that
    // shows the window only copies; the paint keeps a store of the window's size.
    if (!preparesSurface_) return false;
    if (surfaceBandsDone_ == 0) fitToPrimaryScreen();
    QBackingStore* store = window_->backingStore();
    if (!store || surfaceBandsDone_ >= surfaceBands) return false;
    const QRect area(QPoint(), window_->size());
    if (store->size() != area.size()) {
        store->resize(area.size());
        surfaceBandsDone_ = 0;
    }
    const int top = area.height() * surfaceBandsDone_ / surfaceBands;
    const int bottom = area.height() * (surfaceBandsDone_ + 1) / surfaceBands;
    const QRect band(0, top, area.width(), bottom - top);
    store->beginPaint(band);
    if (QPaintDevice* device = store->paintDevice()) {
        bool present = false;
        if (device->devType() == QInternal::Image) {
            // Asks the kernel for the band's pages, and touches them for a
            // virtual machine's host: nothing is written.
            const auto& image = *static_cast<const QImage*>(device);
            const qreal ratio = image.devicePixelRatio();
            const int firstRow = std::clamp(qRound(band.top() * ratio), 0, image.height());
            const int endRow = std::clamp(qRound((band.bottom() + 1) * ratio), firstRow, image.height());
            uchar* first = const_cast<uchar*>(image.constScanLine(0)) + std::size_t(firstRow) * image.bytesPerLine();
            const std::size_t bytes = std::size_t(endRow - firstRow) * image.bytesPerLine();
            present = makePagesPresent(first, bytes);
            if (present) touchPages(first, bytes);
        }
        // Where the kernel could not, writing the band touches its pages;
        // the first paint covers every pixel either way.
        if (!present) QPainter(device).fillRect(band, Qt::black);
    }
    store->endPaint();
    return ++surfaceBandsDone_ < surfaceBands;
}

void WallpaperWindowController::show() {
    fitToPrimaryScreen();
    window_->show();
    if (!preparesSurface_) return;
    // Showing posts every child an update for later. Taken now, before the
    // server exposes the window, they join its first paint; taken after it,
    // they would paint the whole screen a second time, and that paint waits
    // for the server to finish reading the first.
    for (QWidget* child : window_->findChildren<QWidget*>())
        QCoreApplication::sendPostedEvents(child, QEvent::UpdateLater);
    QCoreApplication::sendPostedEvents(window_.get(), QEvent::UpdateLater);
}

void WallpaperWindowController::whenFrameShown(std::function<void()> then) {
    QWindow* native = window_->windowHandle();
    if (!native || native->isExposed()) {
        whenX11ServerCaughtUp(*window_, std::move(then));
        return;
    }
    // Told on the first expose, whose handling paints the frame and sends it.
    class ExposeWatch final : public QObject {
    public:
        ExposeWatch(QWindow* window, QWidget& widget, std::function<void()> then)
            : QObject(window), widget_(widget), then_(std::move(then)) {
            window->installEventFilter(this);
        }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && then_) {
                QMetaObject::invokeMethod(this, [this, then = std::exchange(then_, nullptr)]() mutable {
                    whenX11ServerCaughtUp(widget_, std::move(then));
                    deleteLater();
                }, Qt::QueuedConnection);
            }
            return false;
        }

    private:
        QWidget& widget_;
        std::function<void()> then_;
    };
    new ExposeWatch(native, *window_, std::move(then));
}

void WallpaperWindowController::handleScreenParametersChange() {
    // Queued on the window: a controller gone by then takes the call with it.
    QMetaObject::invokeMethod(window_.get(), [this] { fitToPrimaryScreen(); }, Qt::QueuedConnection);
}

}  // namespace glimora
