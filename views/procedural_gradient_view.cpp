#include "views/procedural_gradient_view.hpp"

#include "state/desktop_canvas_frame.hpp"
#include "state/wallpaper_snapshot.hpp"

namespace glimora {

ProceduralGradientView::ProceduralGradientView(NotchViewModel& model, QWidget* parent)
    : LiveFrameView(parent), model_(model) {}

ShaderArguments ProceduralGradientView::shaderArguments() const {
    return grainGradientArguments(makeExportSettings(model_), double(width()), double(height()));
}

std::span<const WallpaperRenderer::PixelRect> ProceduralGradientView::drawFrame(
    const WallpaperRenderer::CanvasContext& context, double width, double height) {
    return drawDesktopCanvasFrame(model_, CanvasContent::grainGradient, model_.services().clock->now(), context,
                                  width, height, frames());
}

}  // namespace glimora
