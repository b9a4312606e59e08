// The material's formulas one point at a time, as they were before the batch
// rewrite: the slow reference the processor path must equal to the bit.
#pragma once

#include "render/shader_patterns.hpp"

namespace glimora::reference {

ShaderColor materialColor(const ShaderMaterialUniforms& uniforms, float x, float y);
ShaderColor imageColor(const ShaderMaterialUniforms& uniforms, float x, float y, ShaderColor picture);
// The whole material into RGBA bytes, pixel by pixel.
void render(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture,
            const WallpaperRenderer::CanvasPixels& pixels, double scale);

}  // namespace glimora::reference
