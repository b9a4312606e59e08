#include "render/shader_arguments.hpp"

#include <cmath>
#include <limits>

namespace glimora {

namespace {

// A double beyond the float range would be undefined to convert; it becomes
// the largest float of its sign instead.
float toFloat(double value) {
    constexpr double largest = double(std::numeric_limits<float>::max());
    if (value > largest && value != std::numeric_limits<double>::infinity()) return float(largest);
    if (value < -largest && value != -std::numeric_limits<double>::infinity()) return -float(largest);
    return float(value);
}

float component(double value) { return std::isnan(value) ? 0.0f : toFloat(value); }

std::vector<ShaderColor> palette(const std::vector<RGB>& colors) {
    std::vector<ShaderColor> result;
    result.reserve(colors.size());
    for (const RGB& color : colors) result.push_back(shaderColor(color));
    return result;
}

}  // namespace

float shaderShapeCode(NotchShape shape) {
    switch (shape) {
    case NotchShape::linear: return 0;
    case NotchShape::radial: return 1;
    case NotchShape::smoothGradient: return 0;
    case NotchShape::ribbonBands: return 4;
    case NotchShape::glowDots: return 13;
    case NotchShape::conic: return 2;
    case NotchShape::sine: return 3;
    case NotchShape::sunsetStrip: return 4;
    case NotchShape::diamond: return 5;
    case NotchShape::fractal: return 6;
    case NotchShape::tree: return 7;
    case NotchShape::landscape: return 8;
    case NotchShape::petals: return 9;
    case NotchShape::crystal: return 10;
    case NotchShape::spiral: return 11;
    case NotchShape::kaleidoscope: return 12;
    case NotchShape::topography: return 13;
    case NotchShape::orbit: return 14;
    }
    return 0;
}

float shaderSeedFraction(std::uint64_t seed) { return float(std::uint32_t(seed % 1000000)) / 1000000.0f; }

ShaderColor shaderColor(RGB color) {
    return {float(color.red) / 255.0f, float(color.green) / 255.0f, float(color.blue) / 255.0f, 1.0f};
}

ShaderColor shaderColor(const Color& color) {
    return {component(color.red), component(color.green), component(color.blue), 1.0f};
}

float wrapShaderMaterialTime(double materialTime) {
    if (!std::isfinite(materialTime)) return 0;
    double wrapped = std::fmod(materialTime, shaderMaterialPeriod);
    if (wrapped < 0) wrapped += shaderMaterialPeriod;
    const float result = float(wrapped);
    // A value just below the period may round up to it; that instant is 0.
    return result < float(shaderMaterialPeriod) ? result : 0.0f;
}

ShaderArguments animatedPixelGradientArguments(const WallpaperExportSettings& s, double width, double height,
                                               double progress) {
    // The loop angle is formed in single precision exactly as the shaders
    // expect it: progress times the truncated pi, then doubled.
    const float halfTurn = toFloat(progress) * 3.1415925f;
    const float loopAngle = halfTurn * 2.0f;
    return {
        ShaderArgument::pair(toFloat(width), toFloat(height)),
        ShaderArgument::scalar(loopAngle),
        ShaderArgument::scalar(toFloat(s.angle)),
        ShaderArgument::scalar(toFloat(s.spread)),
        ShaderArgument::scalar(toFloat(s.centerX)),
        ShaderArgument::scalar(toFloat(s.centerY)),
        ShaderArgument::scalar(toFloat(s.phase)),
        ShaderArgument::scalar(toFloat(s.frequencyX)),
        ShaderArgument::scalar(toFloat(s.frequencyY)),
        ShaderArgument::scalar(toFloat(s.pixelScale)),
        ShaderArgument::scalar(toFloat(s.quantization)),
        ShaderArgument::scalar(toFloat(s.warp)),
        ShaderArgument::scalar(toFloat(s.noise)),
        ShaderArgument::scalar(toFloat(s.chroma)),
        ShaderArgument::scalar(toFloat(s.hue)),
        ShaderArgument::scalar(toFloat(s.brightness)),
        ShaderArgument::scalar(toFloat(s.contrast)),
        ShaderArgument::scalar(shaderShapeCode(s.shape)),
        ShaderArgument::scalar(shaderIndex(s.dither)),
        ShaderArgument::scalar(shaderFlag(s.mirror)),
        ShaderArgument::scalar(shaderFlag(s.invert)),
        ShaderArgument::scalar(shaderFlag(s.vignette)),
        ShaderArgument::scalar(shaderFlag(s.scanlines)),
        ShaderArgument::scalar(shaderFlag(s.rgbSplit)),
        ShaderArgument::scalar(shaderIndex(s.channel)),
        ShaderArgument::scalar(shaderSeedFraction(s.seed)),
        ShaderArgument::scalar(shaderFlag(s.okLab)),
        ShaderArgument::colorArray(palette(s.colors)),
    };
}

ShaderArguments grainGradientArguments(const WallpaperExportSettings& s, double width, double height) {
    return {
        ShaderArgument::pair(toFloat(width), toFloat(height)),
        ShaderArgument::scalar(shaderIndex(s.grainGradientMode)),
        ShaderArgument::scalar(toFloat(s.grainGradientScale / 100)),
        ShaderArgument::scalar(toFloat(s.grainGradientWarp / 100)),
        ShaderArgument::scalar(toFloat(s.grainGradientFlow / 100)),
        ShaderArgument::scalar(toFloat(s.grainGradientGlow / 100)),
        ShaderArgument::scalar(shaderSeedFraction(s.seed)),
        ShaderArgument::scalar(toFloat(s.hue)),
        ShaderArgument::scalar(toFloat(s.brightness / 100)),
        ShaderArgument::scalar(toFloat(s.contrast / 100)),
        ShaderArgument::scalar(toFloat(s.noise / 100)),
        ShaderArgument::scalar(shaderFlag(s.invert)),
        ShaderArgument::scalar(shaderIndex(s.channel)),
        ShaderArgument::scalar(shaderFlag(s.vignette)),
        ShaderArgument::scalar(shaderFlag(s.scanlines)),
        ShaderArgument::colorArray(palette(s.colors)),
    };
}

ShaderArguments shaderMaterialArguments(const ShaderMaterialInputs& in) {
    return {
        ShaderArgument::pair(toFloat(in.width), toFloat(in.height)),
        ShaderArgument::scalar(wrapShaderMaterialTime(in.materialTime)),
        ShaderArgument::scalar(shaderIndex(in.pattern)),
        ShaderArgument::scalar(toFloat(in.scale)),
        ShaderArgument::scalar(toFloat(in.distortion / 100)),
        ShaderArgument::scalar(toFloat(in.relief / 100)),
        ShaderArgument::scalar(toFloat(in.colorShift / 100)),
        ShaderArgument::scalar(toFloat(in.intensity / 100)),
        ShaderArgument::scalar(shaderSeedFraction(in.seed)),
        ShaderArgument::scalar(shaderShapeCode(in.shape)),
        ShaderArgument::scalar(toFloat(in.angle)),
        ShaderArgument::scalar(toFloat(in.spread)),
        ShaderArgument::scalar(toFloat(in.centerX)),
        ShaderArgument::scalar(toFloat(in.centerY)),
        ShaderArgument::scalar(toFloat(in.phase)),
        ShaderArgument::scalar(toFloat(in.frequencyX)),
        ShaderArgument::scalar(toFloat(in.frequencyY)),
        ShaderArgument::color(shaderColor(in.baseColor)),
        ShaderArgument::color(shaderColor(in.midColor)),
        ShaderArgument::color(shaderColor(in.highlightColor)),
    };
}

}  // namespace glimora
