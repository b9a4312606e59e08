#include "state/desktop_canvas_frame.hpp"

#include "state/wallpaper_snapshot.hpp"

namespace glimora {

namespace {

// Whether `content` shows the animation at the clock's time.
bool timed(CanvasContent content) {
    switch (content) {
    case CanvasContent::animatedGradient:
    case CanvasContent::timelineCanvas:
        return true;
    case CanvasContent::grainGradient:
    case CanvasContent::shaderMaterial:
    case CanvasContent::stillCanvas:
        break;
    }
    return false;
}

WallpaperExportSettings frameSettings(const NotchViewModel& model, CanvasContent content, double now) {
    return timed(content) ? makeExportSettings(model, std::nullopt, now) : makeExportSettings(model);
}

}  // namespace

void drawDesktopCanvasFrame(const NotchViewModel& model, CanvasContent content, double now,
                            const WallpaperRenderer::CanvasContext& context, double width, double height) {
    const WallpaperExportSettings settings = frameSettings(model, content, now);
    if (content == CanvasContent::grainGradient)
        WallpaperRenderer::drawLiveGrainGradient(context, settings, width, height);
    else
        WallpaperRenderer::draw(settings, context, width, height);
}

std::span<const WallpaperRenderer::PixelRect> drawDesktopCanvasFrame(
    const NotchViewModel& model, CanvasContent content, double now, const WallpaperRenderer::CanvasContext& context,
    double width, double height, WallpaperRenderer::LiveCanvasFrames& frames) {
    WallpaperExportSettings& settings = frames.frameSettings();
    fillExportSettings(model, std::nullopt, timed(content) ? std::optional<double>(now) : std::nullopt, settings);
    if (content == CanvasContent::grainGradient) {
        WallpaperRenderer::drawLiveGrainGradient(context, settings, width, height);
        return frames.drewWhole(context);
    }
    return frames.draw(settings, context, width, height);
}

}  // namespace glimora
