// The argument lists of the four shader functions: what a view hands its
// shader, in order, after the position (and, for "shaderImage", the picture's
// colour) that the drawing supplies. The lists are the contract every
// implementation of the functions meets, the GLSL programs and their CPU
// twins alike.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/design_options.hpp"
#include "model/palette.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora {

inline constexpr std::string_view animatedPixelGradientFunction = "animatedPixelGradient";
inline constexpr std::string_view grainGradientFunction = "grainGradient";
inline constexpr std::string_view shaderMaterialFunction = "shaderMaterial";
inline constexpr std::string_view shaderImageFunction = "shaderImage";

// A colour as the shader sees it: red, green, blue, opacity in 0...1.
using ShaderColor = std::array<float, 4>;

struct ShaderArgument {
    enum class Kind { float1, float2, color, colorArray };

    Kind kind = Kind::float1;
    // float1 uses value[0]; float2 value[0] and value[1]; color all four.
    std::array<float, 4> value{};
    std::vector<ShaderColor> colors;  // colorArray only

    static ShaderArgument scalar(float x) { return {Kind::float1, {x, 0, 0, 0}, {}}; }
    static ShaderArgument pair(float x, float y) { return {Kind::float2, {x, y, 0, 0}, {}}; }
    static ShaderArgument color(ShaderColor c) { return {Kind::color, c, {}}; }
    static ShaderArgument colorArray(std::vector<ShaderColor> c) {
        return {Kind::colorArray, {}, std::move(c)};
    }

    friend bool operator==(const ShaderArgument&, const ShaderArgument&) = default;
};

using ShaderArguments = std::vector<ShaderArgument>;

// The shape as the shaders know it: a code 0...14 (smoothGradient shares 0
// with linear, ribbonBands 4 with sunsetStrip, glowDots 13 with topography).
float shaderShapeCode(NotchShape shape);

// (seed mod 1 000 000) / 1 000 000 in single precision.
float shaderSeedFraction(std::uint64_t seed);

// Enumerations go by their index in declaration order, booleans as 1 or 0.
template <class E>
float shaderIndex(E value) {
    return float(static_cast<int>(value));
}
inline float shaderFlag(bool value) { return value ? 1.0f : 0.0f; }

ShaderColor shaderColor(RGB color);
// Components pass as they are (a non-number becomes 0), opacity 1.
ShaderColor shaderColor(const Color& color);

// The material's time is wrapped to one period before it becomes a float, so
// the material neither stutters nor freezes however long the clock has run.
// Every time term of the material is periodic over exactly this many material
// seconds, which makes the wrap seamless.
inline constexpr double shaderMaterialPeriod = 600;
// Wraps into 0...period; a value that is not finite gives 0.
float wrapShaderMaterialTime(double materialTime);

// "animatedPixelGradient": 28 arguments for a rectangle of width x height
// points at the animation's loop progress (0...1).
ShaderArguments animatedPixelGradientArguments(const WallpaperExportSettings& settings, double width,
                                               double height, double progress);

// "grainGradient": 16 arguments; the grain preset is not passed.
ShaderArguments grainGradientArguments(const WallpaperExportSettings& settings, double width, double height);

// What "shaderMaterial" and "shaderImage" read of the editor, as set.
struct ShaderMaterialInputs {
    double width = 0;
    double height = 0;
    double materialTime = 0;  // seconds of material time, before wrapping
    ShaderPattern pattern = ShaderPattern::flow;
    double scale = 1;
    double distortion = 42;
    double relief = 62;
    double colorShift = 18;
    double intensity = 86;
    std::uint64_t seed = 0;
    NotchShape shape = NotchShape::linear;
    double angle = 135;
    double spread = 140;
    double centerX = 50;
    double centerY = 50;
    double phase = 0;
    double frequencyX = 4;
    double frequencyY = 2;
    Color baseColor;
    Color midColor;
    Color highlightColor;
};

// The 20 arguments shared by "shaderMaterial" and "shaderImage".
ShaderArguments shaderMaterialArguments(const ShaderMaterialInputs& inputs);

}  // namespace glimora
