#include "render/canvas_content.hpp"

namespace glimora {

CanvasContent canvasContent(const CanvasInputs& in) {
    if (in.shaderActive) return CanvasContent::shaderMaterial;
    if (in.grainGradientActive) return CanvasContent::grainGradient;
    const bool running = in.animationPlaying && !in.reduceMotion;
    if (running && in.wallpaperSource == WallpaperSource::gradient &&
        in.shape != NotchShape::smoothGradient && in.shape != NotchShape::ribbonBands &&
        in.shape != NotchShape::glowDots) {
        return CanvasContent::animatedGradient;
    }
    if (running) return CanvasContent::timelineCanvas;
    return CanvasContent::stillCanvas;
}

bool canvasRedrawsWithClock(const CanvasInputs& in) {
    switch (canvasContent(in)) {
    case CanvasContent::shaderMaterial: return in.shaderPlaying && !in.reduceMotion;
    case CanvasContent::grainGradient: return false;
    case CanvasContent::animatedGradient: return true;
    case CanvasContent::timelineCanvas: return in.wallpaperSource == WallpaperSource::gradient;
    case CanvasContent::stillCanvas: return false;
    }
    return false;
}

}  // namespace glimora
