#include "views/live_canvas_view.hpp"

#include "state/desktop_canvas_frame.hpp"

namespace glimora {

LiveCanvasView::LiveCanvasView(NotchViewModel& model, QWidget* parent)
    : LiveFrameView(parent), model_(model) {}

void LiveCanvasView::setTimed(bool timed) {
    if (timed == timed_) return;
    timed_ = timed;
    invalidate();
}

void LiveCanvasView::drawFrame(const WallpaperRenderer::CanvasContext& context, double width, double height) {
    drawDesktopCanvasFrame(model_, timed_ ? CanvasContent::timelineCanvas : CanvasContent::stillCanvas,
                           model_.services().clock->now(), context, width, height);
}

}  // namespace glimora
