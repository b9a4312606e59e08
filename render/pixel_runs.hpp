// Runs of opaque RGBA pixels filled or blended several at a time: the
// arithmetic of blendPixel and blendChannel lane by lane, so every pixel
// comes out with the very bytes the one-at-a-time forms give. SSE2 (part of
// every x86-64) does four pixels at a time, AVX2 eight where the processor
// has it and vectorUnitsInUse() allows; the plain loops serve the rest.
#pragma once

#include <cstdint>

#include "render/color_math.hpp"

namespace glimora::WallpaperRenderer {

// `count` pixels set to the opaque word `word` (as opaquePixel makes it).
void fillPixels(std::uint8_t* pixels, std::int64_t count, std::uint32_t word);

// `color` over `count` pixels at one level 0...255: blendPixel on each.
void blendPixels(std::uint8_t* pixels, std::int64_t count, RGB color, std::uint32_t level);

// Black over `count` pixels of `from` at per-pixel levels 0...255, into `to`
// (which may be `from`): blendRow's bytes for black, with byte levels.
void darkenPixels(std::uint8_t* to, const std::uint8_t* from, std::int64_t count, const std::uint8_t* levels);

namespace detail {

// The same pixels one channel at a time, for the checks and for processors
// without the vector units.
void blendPixelsScalar(std::uint8_t* pixels, std::int64_t count, RGB color, std::uint32_t level);
void darkenPixelsScalar(std::uint8_t* to, const std::uint8_t* from, std::int64_t count,
                        const std::uint8_t* levels);

// blendRow's eight-pixel form, used by it where AVX2 is in use.
void blendRowAvx2(std::uint8_t* pixels, std::int64_t count, RGB color, const std::uint32_t* levels);

}  // namespace detail

}  // namespace glimora::WallpaperRenderer
