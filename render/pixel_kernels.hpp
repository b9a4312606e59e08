// The per-pixel loops of the gradient bitmaps, four pixels at a time where
// the processor allows. Every kernel gives the same bytes with or without
// SIMD: the same single-precision operations in the same order.
#pragma once

#include <cstdint>

namespace glimora::WallpaperRenderer::kernels {

// A channel in 0...255 as a byte: clamped, then rounded half up.
inline std::uint8_t roundedByte(float value) {
    if (!(value > 0)) return 0;
    if (value >= 255) return 255;
    return std::uint8_t(value + 0.5f);
}

// factors[x] for x in [begin, end): 1 - slope * (d - clear) where the
// distance d from (cx, cy) to the pixel centre (x + 0.5, rowCenter) lies in
// (clear, outer], else 1.
void radialFactors(float* factors, std::int64_t begin, std::int64_t end, float cx, float dy, float clear,
                   float outer, float slope);

// A stretch of a linear gradient between two stops, for x in [begin, end):
// with f = fStart + fStep * x clamped to 0...1, each channel is
// from[k] + delta[k] * f.
void gradientRun(float* r, float* g, float* b, std::int64_t begin, std::int64_t end, float fStart, float fStep,
                 const float from[3], const float delta[3]);

// Screen blend of a glow over float channels (0...255) for x in [begin,
// end): the colour's premultiplied strength falls as (1 - d / radius)^2 from
// the centre (cx, rowCenter - dy) and is 0 from the radius on.
void screenGlow(float* r, float* g, float* b, std::int64_t begin, std::int64_t end, float cx, float dy,
                float inverseRadius, const float color[3]);

// Float channels times scale (and times factors[x] when given) into bytes
// red, green, blue, 255.
void channelsToRGBA(const float* r, const float* g, const float* b, const float* factors, float scale,
                    std::int64_t width, std::uint8_t* out);

// RGBA bytes with each pixel's colour channels times factors[x], alpha kept;
// `in` and `out` may be the same row.
void shadeRGBA(const std::uint8_t* in, const float* factors, std::int64_t width, std::uint8_t* out);

}  // namespace glimora::WallpaperRenderer::kernels
