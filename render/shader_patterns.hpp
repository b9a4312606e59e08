// The shader material's six patterns on the CPU: the twin of the GLSL
// programs "shaderMaterial" and "shaderImage" (views/shader_material.frag),
// formula for formula and in single precision, so the two agree to within a
// few levels per channel. Used by the tests and wherever no OpenGL context
// can be made.
//
//   flow   "Liquid drift"    marbled noise that folds into itself
//   waves  "Soft movement"   slow interfering sine waves
//   rings  "Radial depth"    rings around the anchor, fading with distance
//   bands  "Graphic stripes" crisp drifting stripes with thin accents
//   cells  "Organic facets"  soft-edged cells that drift and change tone
//   noise  "Cloud texture"   billowing layered noise
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "render/canvas_painter.hpp"
#include "render/pixel_image_buffer.hpp"
#include "render/shader_arguments.hpp"

namespace glimora {

// The 20 arguments of "shaderMaterial" and "shaderImage", by name.
struct ShaderMaterialUniforms {
    float width = 1;
    float height = 1;
    float time = 0;
    float pattern = 0;
    float scale = 1;
    float distortion = 0;
    float relief = 0;
    float colorShift = 0;
    float intensity = 0;
    float seed = 0;
    float shape = 0;
    float angle = 0;
    float spread = 100;
    float centerX = 50;
    float centerY = 50;
    float phase = 0;
    float frequencyX = 4;
    float frequencyY = 2;
    ShaderColor base{};
    ShaderColor mid{};
    ShaderColor highlight{};

    // Nothing when the list is not the material's 20 arguments of the right kinds.
    static std::optional<ShaderMaterialUniforms> fromArguments(const ShaderArguments& arguments);
};

// "shaderMaterial" at the position (x, y) in points: an opaque colour, 0...1.
ShaderColor shaderMaterialColor(const ShaderMaterialUniforms& uniforms, float x, float y);

// "shaderImage" at (x, y) over the picture's colour there (premultiplied):
// the material carried by the picture's tones, at the picture's coverage.
ShaderColor shaderImageColor(const ShaderMaterialUniforms& uniforms, float x, float y, ShaderColor picture);

// The picture's colour at (x, y) points when it is scaled to fit the offered
// size, centred; nothing outside the picture, where the black ground shows.
// Bilinear between pixel centres, edges clamped.
std::optional<ShaderColor> fittedPictureColor(const PixelImageBuffer& picture, float width, float height,
                                              float x, float y);

// The order of a pixel's four bytes in memory. `bgra` is the 32-bit xRGB
// word of a little-endian processor, which the toolkit scales on its fast path.
enum class ShaderPixelOrder { rgba, bgra };

// The whole material as the view shows it, into `pixels` at `scale` pixels per
// point: the black ground, then the material over all of it, or, with a
// picture, the picture fitted and coloured by "shaderImage". Rows are shared
// by up to `threadCount` threads (0: one per core) with identical results.
// Alpha is always opaque.
void renderShaderMaterial(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture,
                          const WallpaperRenderer::CanvasPixels& pixels, double scale, int threadCount = 1,
                          ShaderPixelOrder order = ShaderPixelOrder::rgba);

}  // namespace glimora
