#include "state/desktop_canvas_frame.hpp"

#include "state/wallpaper_snapshot.hpp"

namespace glimora {

void drawDesktopCanvasFrame(const NotchViewModel& model, CanvasContent content, double now,
                            const WallpaperRenderer::CanvasContext& context, double width, double height) {
    switch (content) {
    case CanvasContent::grainGradient:
        WallpaperRenderer::drawLiveGrainGradient(context, makeExportSettings(model), width, height);
        return;
    case CanvasContent::animatedGradient:
    case CanvasContent::timelineCanvas:
        WallpaperRenderer::draw(makeExportSettings(model, std::nullopt, now), context, width, height);
        return;
    case CanvasContent::shaderMaterial:
    case CanvasContent::stillCanvas:
        WallpaperRenderer::draw(makeExportSettings(model), context, width, height);
        return;
    }
}

}  // namespace glimora
