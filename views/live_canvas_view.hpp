// The canvas layer of the desktop: the design drawn by the live canvas from
// a snapshot taken at every frame, either as set or at the clock's time.
#pragma once

#include "views/live_frame_view.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

class LiveCanvasView : public LiveFrameView {
    Q_OBJECT

public:
    // The model must outlive the view.
    explicit LiveCanvasView(NotchViewModel& model, QWidget* parent = nullptr);

    // Timed: each frame shows the animation at the clock's time; otherwise
    // the animated values as set.
    void setTimed(bool timed);
    bool timed() const { return timed_; }

protected:
    std::span<const WallpaperRenderer::PixelRect> drawFrame(const WallpaperRenderer::CanvasContext& context,
                                                            double width, double height) override;

private:
    NotchViewModel& model_;
    bool timed_ = false;
};

}  // namespace glimora
