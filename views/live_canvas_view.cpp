#include "views/live_canvas_view.hpp"

#include "state/wallpaper_snapshot.hpp"

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
    std::optional<double> time;
    if (timed_) time = model_.services().clock->now();
    return frames().draw(makeExportSettings(model_, std::nullopt, time), context, width, height);
}

}  // namespace glimora
