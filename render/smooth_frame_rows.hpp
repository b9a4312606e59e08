// The rows of a smooth gradient frame as its kernels share them: what each
// pixel row needs of the frame, and the row kernels one pixel at a time and
// (on x86-64) eight at a time with AVX2. Internal to the smooth frame files.
#pragma once

#include <array>
#include <cstdint>

#include "render/smooth_frame_kernels.hpp"

namespace glimora::WallpaperRenderer::detail {

// Scanline bands one pixel row may meet at the scales the kernels accept.
inline constexpr std::size_t rowDarkenings = 8;

struct GlowRow {
    bool on = false;
    std::int64_t x0 = 0;
    std::int64_t x1 = 0;
    float start = 0;
    float dySquared = 0;
};

struct VignetteRow {
    bool on = false;
    std::int64_t skipBegin = 0;
    std::int64_t skipEnd = 0;
    float startBefore = 0;  // for pixels 0...skipBegin-1, measured from pixel 0
    float startAfter = 0;   // for pixels skipEnd..., measured from skipEnd
    float dySquared = 0;
};

// One scanline band across a row: paintSpan's levels for its first, inner
// and last pixel.
struct Darkening {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::uint32_t first = 0;
    std::uint32_t inner = 0;
    std::uint32_t last = 0;
};

struct RowPlan {
    double rampStart = 0;
    std::array<GlowRow, 2> glows;
    VignetteRow vignette;
    std::array<Darkening, rowDarkenings> darkenings;
    std::size_t darkeningCount = 0;
};

// Pixels x...end-1 of a row, one at a time.
void paintPixels(const RowPlan& row, const SmoothFrame::Glow* glows, const SmoothFrame::Vignette& vignette,
                 bool solid, std::uint32_t solidWord, const std::uint32_t* table, double stepX, std::uint8_t* out,
                 std::int64_t x, std::int64_t end);

#if defined(__x86_64__) || defined(__i386__)
#define GLIMORA_SMOOTH_AVX2 1
// The whole row, eight pixels at a time where they fill a chunk of eight;
// only on a processor with AVX2.
void paintRowVector(const RowPlan& row, const SmoothFrame::Glow* glows, const SmoothFrame::Vignette& vignette,
                    bool solid, std::uint32_t solidWord, const std::uint32_t* table, double stepX, std::uint8_t* out,
                    std::int64_t width);
#endif

}  // namespace glimora::WallpaperRenderer::detail
