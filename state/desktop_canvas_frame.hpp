// One frame of the desktop canvas drawn on the processor: the drawing the
// desktop's views paint and the screen saver pushes to its window, so both
// show the same pixels for the same design.
#pragma once

#include <span>

#include "render/canvas_content.hpp"
#include "render/live_canvas.hpp"
#include "render/live_canvas_frames.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// The design of `model` as `content` draws it at clock time `now`, on a
// canvas of width x height points. The material has no processor drawing
// here: it shows the design as set.
void drawDesktopCanvasFrame(const NotchViewModel& model, CanvasContent content, double now,
                            const WallpaperRenderer::CanvasContext& context, double width, double height);

// The same pixels, drawn into a context holding `frames`' previous frame and
// repainted only where they changed; returns the rectangles that may have.
std::span<const WallpaperRenderer::PixelRect> drawDesktopCanvasFrame(
    const NotchViewModel& model, CanvasContent content, double now, const WallpaperRenderer::CanvasContext& context,
    double width, double height, WallpaperRenderer::LiveCanvasFrames& frames);

}  // namespace glimora
