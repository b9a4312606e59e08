#include "views/wallpaper_canvas_view.hpp"

#include <QStackedLayout>
#include <QTimer>

#include <cmath>

#include "platform/qt/desktop_motion_setting.hpp"
#include "views/animated_pixel_gradient_view.hpp"
#include "views/live_canvas_view.hpp"
#include "views/procedural_gradient_view.hpp"
#include "views/shader_material_view.hpp"
#include "state/desktop_canvas_inputs.hpp"

namespace glimora {

namespace {

// Whole milliseconds, rounded up: never sooner than one frame interval.
const int frameIntervalMs = int(std::ceil(canvasFrameInterval * 1000));

}  // namespace

WallpaperCanvasView::WallpaperCanvasView(NotchViewModel& model, QWidget* parent)
    : WallpaperCanvasView(model, DesktopMotionSetting::shared().reduceMotion(), true, parent) {}

WallpaperCanvasView::WallpaperCanvasView(NotchViewModel& model, bool reduceMotion, QWidget* parent)
    : WallpaperCanvasView(model, reduceMotion, false, parent) {}

WallpaperCanvasView::WallpaperCanvasView(NotchViewModel& model, bool reduceMotion, bool followDesktop,
                                         QWidget* parent)
    : QWidget(parent),
      model_(model),
      bridge_(new NotchViewModelBridge(model, this)),
      stack_(new QStackedLayout(this)),
      canvas_(new LiveCanvasView(model, this)),
      gradient_(new ProceduralGradientView(model, this)),
      animation_(new AnimatedPixelGradientView(model, this)),
      frameTimer_(new QTimer(this)),
      reduceMotion_(reduceMotion),
      followsDesktop_(followDesktop) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(canvas_);
    stack_->addWidget(gradient_);
    stack_->addWidget(animation_);
    frameTimer_->setTimerType(Qt::PreciseTimer);
    frameTimer_->setInterval(frameIntervalMs);
    connect(frameTimer_, &QTimer::timeout, this, &WallpaperCanvasView::tick);
    connect(bridge_, &NotchViewModelBridge::changed, this, &WallpaperCanvasView::modelChanged);
    if (followDesktop) {
        connect(&DesktopMotionSetting::shared(), &DesktopMotionSetting::changed, this, [this](bool reduce) {
            if (!followsDesktop_ || reduce == reduceMotion_) return;
            reduceMotion_ = reduce;
            choose(false);
        });
    }
    choose(true);
}

WallpaperCanvasView::~WallpaperCanvasView() = default;

void WallpaperCanvasView::setReduceMotion(bool reduceMotion) {
    followsDesktop_ = false;
    if (reduceMotion == reduceMotion_) return;
    reduceMotion_ = reduceMotion;
    choose(false);
}

bool WallpaperCanvasView::isAnimating() const { return frameTimer_->isActive(); }

void WallpaperCanvasView::setCovered(bool covered) {
    if (covered == covered_) return;
    covered_ = covered;
    for (LiveFrameView* view : {static_cast<LiveFrameView*>(canvas_), static_cast<LiveFrameView*>(gradient_),
                                static_cast<LiveFrameView*>(animation_)})
        view->setSuspended(covered_);
    if (covered_) {
        frameTimer_->stop();
        return;
    }
    // Whatever ran on the clock moved on meanwhile: its current frame now.
    const bool animate = canvasRedrawsWithClock(canvasInputs(model_, reduceMotion_));
    if (animate || redrawWhenShown_) redrawCurrent();
    if (animate) frameTimer_->start();
}

void WallpaperCanvasView::drawAhead() {
    stack_->activate();
    if (auto* view = qobject_cast<LiveFrameView*>(currentView())) view->drawAhead();
}

QWidget* WallpaperCanvasView::currentView() const { return stack_->currentWidget(); }

void WallpaperCanvasView::modelChanged(const NotchViewModelBridge::PropSet& props) {
    const CanvasContent before = content_;
    bool relevant = false;
    for (std::size_t i = 0; i < props.size() && !relevant; ++i) {
        relevant = props.test(i) && affectsCanvasContent(before, static_cast<NotchViewModel::Prop>(i));
    }
    choose(relevant);
}

void WallpaperCanvasView::choose(bool redrawAnyway) {
    const CanvasInputs inputs = canvasInputs(model_, reduceMotion_);
    const CanvasContent content = canvasContent(inputs);
    const bool switched = content != content_ || currentView() == nullptr;
    content_ = content;

    if (content == CanvasContent::shaderMaterial && !material_) {
        material_ = new ShaderMaterialView(model_, this);
        stack_->addWidget(material_);
    }
    canvas_->setTimed(content == CanvasContent::timelineCanvas);
    QWidget* next = canvas_;
    switch (content) {
    case CanvasContent::shaderMaterial: next = material_; break;
    case CanvasContent::grainGradient: next = gradient_; break;
    case CanvasContent::animatedGradient: next = animation_; break;
    case CanvasContent::timelineCanvas:
    case CanvasContent::stillCanvas: next = canvas_; break;
    }
    if (stack_->currentWidget() != next) stack_->setCurrentWidget(next);
    // The material holds a GL context only while it shows.
    if (material_ && content != CanvasContent::shaderMaterial) {
        stack_->removeWidget(material_);
        material_->deleteLater();
        material_ = nullptr;
    }
    if (switched || redrawAnyway) redrawCurrent();

    const bool animate = canvasRedrawsWithClock(inputs);
    if (animate && !covered_ && !frameTimer_->isActive()) frameTimer_->start();
    if (!animate) frameTimer_->stop();
}

void WallpaperCanvasView::redrawCurrent() {
    if (covered_) {
        redrawWhenShown_ = true;
        return;
    }
    redrawWhenShown_ = false;
    switch (content_) {
    case CanvasContent::shaderMaterial:
        if (material_) material_->refresh();
        break;
    case CanvasContent::grainGradient: gradient_->invalidate(); break;
    case CanvasContent::animatedGradient: animation_->invalidate(); break;
    case CanvasContent::timelineCanvas:
    case CanvasContent::stillCanvas: canvas_->invalidate(); break;
    }
}

void WallpaperCanvasView::tick() {
    if (content_ == CanvasContent::shaderMaterial && material_) {
        material_->advance();
        return;
    }
    redrawCurrent();
}

}  // namespace glimora
