// What the desktop canvas reads of the editor: the inputs of its choice of
// drawing, the material's argument values, and which changes it must redraw for.
#pragma once

#include "render/canvas_content.hpp"
#include "render/shader_arguments.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

CanvasInputs canvasInputs(const NotchViewModel& model, bool reduceMotion);

// The material's values at the clock time `now` for an offered size of
// width x height points, read straight from the editor (never animated).
ShaderMaterialInputs shaderMaterialInputs(const NotchViewModel& model, double now, double width,
                                          double height);

// Whether a change of `prop` can change what `content` draws. Panel, status,
// library and export settings never do; the material reads its own settings
// and the few design values it shares, the other drawings everything else.
bool affectsCanvasContent(CanvasContent content, NotchViewModel::Prop prop);

}  // namespace glimora
