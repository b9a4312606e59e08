// One frame of the desktop canvas drawn on the processor: the drawing the
// desktop's views paint and the screen saver pushes to its window, so both
// show the same pixels for the same design.
#pragma once

#include "render/canvas_content.hpp"
#include "render/live_canvas.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// The design of `model` as `content` draws it at clock time `now`, on a
// canvas of width x height points. The material has no processor drawing
// here: it shows the design as set.
void drawDesktopCanvasFrame(const NotchViewModel& model, CanvasContent content, double now,
                            const WallpaperRenderer::CanvasContext& context, double width, double height);

}  // namespace glimora
