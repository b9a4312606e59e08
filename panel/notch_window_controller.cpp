#include "panel/notch_window_controller.hpp"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <cmath>

#include "panel/dialog_close_watch.hpp"
#include "panel/notch_root_view.hpp"

namespace glimora {

namespace {

PanelRect panelRect(const QRect& rect) { return {double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())}; }

}  // namespace


NotchWindowController::NotchWindowController(std::shared_ptr<NotchViewModel> model)
    : model_(model ? std::move(model) : std::make_shared<NotchViewModel>()),
      bridge_(std::make_unique<NotchViewModelBridge>(*model_)),
      panel_(std::make_unique<NotchPanel>()),
      frameTimer_(std::make_unique<QTimer>()) {
    auto* surface = panel_->surfaceView();
    surface->setPlacement(model_->notchPlacement());
    surface->setAttachedCornerRadius(0);
    surface->setInnerCornerRadius(19);
    surface->setStrokeOpacity(0.07);
    panel_->setContentView(new NotchRootView(*bridge_));

    frameTimer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(frameTimer_.get(), &QTimer::timeout, frameTimer_.get(), [this] { stepSpring(frameInterval_); });

    model_->setOnLayoutChange([this] { handleLayoutChange(); });
    model_->setOnSideWidthChange([this] { handleSideWidthChange(); });

    auto* application = qGuiApp;
    QObject::connect(application, &QGuiApplication::focusWindowChanged, panel_.get(),
                     [this](QWindow* window) { handleFocusWindowChange(window); });
    QObject::connect(application, &QGuiApplication::primaryScreenChanged, panel_.get(),
                     [this] { handleScreenParametersChange(); });
    QObject::connect(application, &QGuiApplication::screenAdded, panel_.get(), [this](QScreen* added) {
        observeScreen(added);
        handleScreenParametersChange();
    });
    QObject::connect(application, &QGuiApplication::screenRemoved, panel_.get(),
                     [this] { handleScreenParametersChange(); });
    for (QScreen* each : QGuiApplication::screens()) observeScreen(each);
    new DialogCloseWatch(panel_.get(), [this](QWidget* dialog) { handleDialogClosed(dialog); });
    // A new window manager may have moved the panel before it came back.
    QObject::connect(panel_->layering(), &X11WindowLayering::switched, panel_.get(),
                     [this] { applyLayout(false, false); });
    // A window manager that does not manage the panel may keep the focus
    // when a dialog of the panel's closes: the open panel then closes on the
    // click into another program that would have taken the focus from it.
    QObject::connect(panel_->layering(), &X11WindowLayering::clickedElsewhere, panel_.get(), [this] {
        if (!QGuiApplication::focusWindow()) handleResignKey();
    });
}

NotchWindowController::~NotchWindowController() {
    frameTimer_->stop();
    // The model may outlive the controller: it must not call back into it.
    model_->setOnLayoutChange({});
    model_->setOnSideWidthChange({});
}

void NotchWindowController::observeScreen(QScreen* screen) {
    const auto changed = [this] { handleScreenParametersChange(); };
    QObject::connect(screen, &QScreen::geometryChanged, panel_.get(), changed);
    QObject::connect(screen, &QScreen::availableGeometryChanged, panel_.get(), changed);
    QObject::connect(screen, &QScreen::refreshRateChanged, panel_.get(), changed);
}

QScreen* NotchWindowController::qtScreen() const {
    if (const QWindow* window = panel_->windowHandle(); window && window->screen()) return window->screen();
    if (QScreen* primary = QGuiApplication::primaryScreen()) return primary;
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.front();
}

std::optional<ScreenDescription> NotchWindowController::currentScreen() const {
    if (screenOverride_) return screenOverride_;
    const QScreen* screen = qtScreen();
    if (!screen) return std::nullopt;
    // No camera housing on this desktop: no top inset, no areas beside one.
    ScreenDescription description;
    description.frame = panelRect(screen->geometry());
    description.visibleFrame = panelRect(screen->availableGeometry());
    return description;
}

void NotchWindowController::bringNotchToFront() {
    updateMetrics(false);
    if (model_->expanded()) {
        activatePanel();
    } else {
        panel_->show();
        panel_->layering()->raise();
    }
}

void NotchWindowController::activatePanel() {
    panel_->show();
    panel_->layering()->raise();
    panel_->activateWindow();
}

void NotchWindowController::updateMetrics(bool animated) {
    model_->setMetrics(measureNotchMetrics(currentScreen()));
    applyLayout(animated, false);
}

void NotchWindowController::applyLayout(bool animated, bool expansionChanged) {
    const auto screen = currentScreen();
    if (!screen) return;
    const PanelLayout layout = panelLayout(panelLayoutInputs(*model_));

    panel_->windowContentView()->setHostingInsets(QMarginsF(layout.hostingInset, 0, layout.hostingInset, 0));
    auto* surface = panel_->surfaceView();
    surface->setPlacement(model_->notchPlacement());
    surface->setAttachedCornerRadius(layout.attachedCornerRadius);
    surface->setInnerCornerRadius(layout.innerCornerRadius);
    surface->setStrokeOpacity(layout.strokeOpacity);

    const PanelRect target =
        panelFrame(screen->frame, screen->visibleFrame, model_->notchPlacement(), layout.width, layout.height);
    spring_.setTarget(target, expansionChanged ? PanelSpring::expansionResponse : PanelSpring::layoutResponse);

    if (animated && panel_->isVisible()) {
        if (!isDisplayLinkRunning()) spring_.seed(panelRect(panel_->geometry()));
        startDisplayLink();
    } else {
        finishSpring();
    }
}

void NotchWindowController::handleLayoutChange() {
    const bool wasExpanded = lastExpandedState_;
    lastExpandedState_ = model_->expanded();
    applyLayout(true, wasExpanded != lastExpandedState_);
    if (model_->expanded() && !wasExpanded) activatePanel();
}

void NotchWindowController::handleSideWidthChange() { applyLayout(false, false); }

void NotchWindowController::handleFocusWindowChange(QWindow* window) {
    if (window) return;
    // Focus passing between two of our own windows can go through "none" for
    // a moment: decide once the event loop has settled.
    QMetaObject::invokeMethod(
        panel_.get(),
        [this] {
            if (!QGuiApplication::focusWindow()) handleResignKey();
        },
        Qt::QueuedConnection);
}

bool NotchWindowController::hasOpenDialog() const {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == panel_.get() || !window->isVisible()) continue;
        for (const QWidget* parent = window->parentWidget(); parent; parent = parent->parentWidget())
            if (parent == panel_.get()) return true;
    }
    return QApplication::activeModalWidget() != nullptr;
}

void NotchWindowController::handleResignKey() {
    if (!model_->expanded() || model_->isPresentingPhotoPicker() || hasOpenDialog()) return;
    model_->setExpanded(false);
}

void NotchWindowController::handleDialogClosed(QWidget* dialog) {
    // The panel is still open only when the focus was with us or with a
    // dialog of the panel's; a dialog closed by the program (the colour
    // dialog when its well goes) hands the focus back the same way.
    if (dialog == panel_.get()) return;
    // A dialog opened from another of the application's windows (a file
    // dialog's own message) leaves the focus to that window.
    const QWidget* opener = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    if (opener && opener != panel_.get() && opener->isVisible()) return;
    // After the toolkit is done with the hidden window, which may still move
    // its own idea of the active window, and after the window manager is
    // done with it, which may give the focus to another program of its
    // choosing. The focus stays with another window of ours that has it
    // (another dialog, the settings window); held by a hidden one, by a
    // popup (of the closed dialog, which goes with it) or by none, it would
    // stay with whatever the window manager picked.
    panel_->layering()->takeFocusAfterClose(*dialog, [this] {
        const QWindow* focus = QGuiApplication::focusWindow();
        if (focus && focus->isVisible() && focus->type() != Qt::Popup) return false;
        return model_->expanded();
    });
}

std::optional<PanelRect> NotchWindowController::panelReach(NotchPlacement placement) const {
    const auto described = currentScreen();
    if (!described) return std::nullopt;
    return glimora::panelReach(panelReachInputs(*model_, placement), described->frame, described->visibleFrame,
                               placement);
}

void NotchWindowController::handleScreenParametersChange() {
    if (screenChangePending_) return;
    screenChangePending_ = true;
    // Queued on the panel: a controller gone by then takes the call with it.
    QMetaObject::invokeMethod(
        panel_.get(),
        [this] {
            screenChangePending_ = false;
            updateMetrics(false);
        },
        Qt::QueuedConnection);
}

void NotchWindowController::startDisplayLink() {
    if (isDisplayLinkRunning()) return;
    const QScreen* screen = qtScreen();
    const double rate = screen ? screen->refreshRate() : 0;
    // A rate the screen does not know ticks at 60 Hz and steps the spring by
    // the smallest step.
    frameInterval_ = std::isfinite(rate) && rate > 0 ? 1.0 / rate : 0;
    const double tickSeconds = frameInterval_ > 0 ? frameInterval_ : 1.0 / 60;
    frameTimer_->setInterval(std::max(1, int(std::lround(tickSeconds * 1000))));
    frameTimer_->start();
}

bool NotchWindowController::isDisplayLinkRunning() const { return frameTimer_->isActive(); }

void NotchWindowController::stepSpring(double interval) {
    if (spring_.step(interval)) {
        finishSpring();
        return;
    }
    setPanelFrame(spring_.frame());
}

void NotchWindowController::finishSpring() {
    frameTimer_->stop();
    spring_.finish();
    setPanelFrame(spring_.target());
}

void NotchWindowController::setPanelFrame(const PanelRect& frame) {
    const PixelRect pixels = wholePixels(frame);
    panel_->setFrame(QRect(pixels.x, pixels.y, pixels.width, pixels.height));
}

}  // namespace glimora
