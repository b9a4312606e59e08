// The current design on the desktop: the view that the desktop window and
// the screen saver fill themselves with. It shows, by the editor's state, the
// shader material, the grain gradient, the running shape animation or the
// live canvas (with or without the clock), and takes no mouse events.
//
// Redrawing: at most every 1/30 s while the drawing changes with the clock
// (a playing animation or material, reduced motion off); otherwise only when
// the editor changes something it draws. An idle desktop costs no CPU, and
// neither does a covered one: nothing is drawn while nobody can see it, and
// the frame at the clock's time is drawn at once when it shows again.
#pragma once

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"
#include "render/canvas_content.hpp"

class QStackedLayout;
class QTimer;

namespace glimora {

class AnimatedPixelGradientView;
class LiveCanvasView;
class ProceduralGradientView;
class ShaderMaterialView;

class WallpaperCanvasView : public QWidget {
    Q_OBJECT

public:
    // Follows the desktop's reduce-motion setting. The model must outlive the view.
    explicit WallpaperCanvasView(NotchViewModel& model, QWidget* parent = nullptr);
    // With a fixed reduce-motion value instead of the desktop's.
    WallpaperCanvasView(NotchViewModel& model, bool reduceMotion, QWidget* parent = nullptr);
    ~WallpaperCanvasView() override;

    CanvasContent content() const { return content_; }
    bool reduceMotion() const { return reduceMotion_; }
    // Stops following the desktop's setting.
    void setReduceMotion(bool reduceMotion);

    // Lays the view out at its size and draws the current drawing's frame now,
    // before its window first shows (the material draws only once shown).
    void drawAhead();

    // Whether frames are being drawn on the clock.
    bool isAnimating() const;

    // Whether nothing of the view can be seen (its window is covered).
    void setCovered(bool covered);
    bool covered() const { return covered_; }

    // The view on screen now, and the drawings it chooses from (the material
    // exists only while shown).
    QWidget* currentView() const;
    LiveCanvasView* canvasView() const { return canvas_; }
    ProceduralGradientView* gradientView() const { return gradient_; }
    AnimatedPixelGradientView* animationView() const { return animation_; }
    ShaderMaterialView* materialView() const { return material_; }

private:
    WallpaperCanvasView(NotchViewModel& model, bool reduceMotion, bool followDesktop, QWidget* parent);
    void modelChanged(const NotchViewModelBridge::PropSet& props);
    void choose(bool redrawAnyway);
    void redrawCurrent();
    void tick();

    NotchViewModel& model_;
    NotchViewModelBridge* bridge_;
    QStackedLayout* stack_;
    LiveCanvasView* canvas_;
    ProceduralGradientView* gradient_;
    AnimatedPixelGradientView* animation_;
    ShaderMaterialView* material_ = nullptr;
    QTimer* frameTimer_;
    CanvasContent content_ = CanvasContent::stillCanvas;
    bool reduceMotion_ = false;
    bool followsDesktop_ = false;
    bool covered_ = false;
    bool redrawWhenShown_ = false;
};

}  // namespace glimora
