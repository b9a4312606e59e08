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

std::span<const WallpaperRenderer::PixelRect> LiveCanvasView::drawFrame(
    const WallpaperRenderer::CanvasContext& context, double width, double height) {
    return drawDesktopCanvasFrame(model_, timed_ ? CanvasContent::timelineCanvas : CanvasContent::stillCanvas,
                                  model_.services().clock->now(), context, width, height, frames());
}

}  // namespace glimora
