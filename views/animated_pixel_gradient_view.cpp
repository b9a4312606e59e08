#include "views/animated_pixel_gradient_view.hpp"

#include "state/desktop_canvas_frame.hpp"
#include "state/wallpaper_snapshot.hpp"

namespace glimora {

AnimatedPixelGradientView::AnimatedPixelGradientView(NotchViewModel& model, QWidget* parent)
    : LiveFrameView(parent), model_(model) {}

ShaderArguments AnimatedPixelGradientView::shaderArguments(double time) const {
    return animatedPixelGradientArguments(makeExportSettings(model_, std::nullopt, time), double(width()),
                                          double(height()), model_.animationProgress(time));
}

std::span<const WallpaperRenderer::PixelRect> AnimatedPixelGradientView::drawFrame(
    const WallpaperRenderer::CanvasContext& context, double width, double height) {
    return drawDesktopCanvasFrame(model_, CanvasContent::animatedGradient, model_.services().clock->now(), context,
                                  width, height, frames());
}

}  // namespace glimora
