// The live smooth gradient in one pass per pixel: the ramp's colour, both
// glows and the overlays' scanline bands and vignette worked out pixel by
// pixel and written once, in either byte order. Every value is computed with
// the same operations as the separate ramp, glow and darkening passes of
// canvas_painter, so the bytes are theirs; the passes stay the reference and
// the fallback for processors without AVX2 and canvases of absurd size.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "render/canvas_painter.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// The pixel rows an extent top...bottom (points) touches, clipped to a band.
struct RowRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
};
RowRange rowsOf(double top, double bottom, double scale, std::int64_t rowBegin, std::int64_t rowEnd);

// How much of pixel row `row` the extent top...bottom (points) covers.
float rowCoverage(std::int64_t row, double top, double bottom, double scale);

// Where the smooth gradient's ramp runs and its two glows sit on a canvas of
// width x height points, for the palette `colors` (never empty).
struct SmoothGradientLayout {
    double startX = 0;
    double startY = 0;
    double endX = 0;
    double endY = 0;
    RadialGlow accent;
    RadialGlow counterLight;
};
SmoothGradientLayout smoothGradientLayout(const WallpaperExportSettings& settings, std::span<const RGB> colors,
                                          double width, double height);

// The smooth gradient's overlays: thin black bands every two pitches (each
// 0.1 opaque across the canvas width) and a vignette.
struct SmoothOverlayLayout {
    bool scanlines = false;
    double pitch = 2;
    double bandHeight = 0.6;
    bool vignette = false;
    RadialDarkening darkening;
};
SmoothOverlayLayout smoothOverlayLayout(const WallpaperExportSettings& settings, double width, double height);

// A ramp's colour table in a byte order, kept from frame to frame and made
// again only when the colours or the order change (an animation seldom
// changes them).
class SmoothRampTable {
public:
    const std::uint32_t* table(std::span<const RGB> colors, bool swapRedAndBlue);

private:
    std::vector<RGB> colors_;
    bool swapped_ = false;
    bool made_ = false;
    // Past the last entry, room for the vector loads of sixteen from any entry.
    alignas(32) std::array<std::uint32_t, linearRampSteps + 16> table_;
};

// One frame of the smooth gradient, everything the rows share worked out
// once: the ramp (its table in the byte order asked for), the glows and the
// overlays in pixels. A few KiB; made on the stack, never allocated.
class SmoothFrame {
public:
    // Prepares the frame for `pixels` at `scale` pixels per point; false when
    // the one-pass kernels cannot reproduce the passes' bytes for it (values
    // beyond what single precision holds exactly, too many scanline bands
    // per pixel row), and the passes must draw it instead.
    bool prepare(const WallpaperExportSettings& settings, std::span<const RGB> colors, const CanvasPixels& pixels,
                 double scale, double width, double height, bool overlays, bool swapRedAndBlue,
                 SmoothRampTable& ramps);

    // Paints rows rowBegin...rowEnd-1, every pixel of them. With `vector`,
    // eight pixels at a time on AVX2 (the caller checks the processor has
    // it), the row's last few one by one; else every pixel one by one.
    void paintRows(std::int64_t rowBegin, std::int64_t rowEnd, bool vector) const;

    struct Glow {
        bool on = false;
        double centerX = 0;  // pixels
        double centerY = 0;
        double radius = 0;
        float levelCenterX = 0;
        float slope = 0;
        float high = 0;
        std::uint32_t color = 0;  // as an output word
    };
    struct Vignette {
        bool on = false;
        double centerX = 0;  // pixels
        double centerY = 0;
        double middle = 0;
        float levelCenterX = 0;
        float offset = 0;
        float slope = 0;
        float peak = 0;
    };
    struct ScanBand {
        double top = 0;  // points
        double bottom = 0;
        std::int64_t rowBegin = 0;  // the pixel rows it darkens
        std::int64_t rowEnd = 0;
    };
    static constexpr std::size_t maximumScanBands = 80;

private:
    CanvasPixels pixels_;
    double scale_ = 1;
    bool solid_ = false;
    std::uint32_t solidWord_ = 0;
    double startX_ = 0, startY_ = 0, dx_ = 0, dy_ = 0, lengthSquared_ = 1, stepX_ = 0;
    std::array<Glow, 2> glows_;
    Vignette vignette_;
    std::array<ScanBand, maximumScanBands> scanBands_;
    std::size_t scanBandCount_ = 0;
    CoverageSpan across_;
    const std::uint32_t* table_ = nullptr;
};

}  // namespace glimora::WallpaperRenderer
