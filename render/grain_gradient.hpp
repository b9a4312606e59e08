// The colours of grain gradients (seeded noise fields sampled on a coarse
// grid) and of the smooth gradient. The drawing itself lives with the bitmap,
// SVG and live canvas renderers; they all share what is here.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "render/cell_color.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// A grain field sample: the tone v and two shaping terms a and b, all 0...1.
struct GrainSample {
    double v = 0;
    double a = 0;
    double b = 0;
};

// Smooth value noise in 0...1 on the integer lattice.
double valueNoise(std::uint64_t seed, double x, double y);

GrainSample liquidField(std::uint64_t seed, double x, double y, double time);
GrainSample bloomField(std::uint64_t seed, double x, double y, double aspect);
GrainSample ribbonField(std::uint64_t seed, double x, double y, double time);

// The field of the snapshot's grain mode at a unit point.
GrainSample grainField(const WallpaperExportSettings& settings, double x, double y, double aspect);

// The palette at tone t, mixing neighbouring colours (black for no colours).
RGB gradientColor(std::span<const RGB> colors, double t);

// Hue, brightness, contrast, seeded noise, invert and channel of a grain cell.
RGB adjustGrainCell(RGB color, std::int64_t row, std::int64_t column, const WallpaperExportSettings& settings);

struct GrainGrid {
    std::int64_t columns = 0;
    std::int64_t rows = 0;

    // The unit point of a cell: 0 at the first column or row, 1 at the last;
    // a grid of one or two rows (or columns) divides by 1.
    double unitX(std::int64_t column) const { return double(column) / (columns > 2 ? double(columns - 1) : 1.0); }
    double unitY(std::int64_t row) const { return double(row) / (rows > 2 ? double(rows - 1) : 1.0); }
};

// The grain grid for a canvas of width x height (pixels or points): 84...280
// columns in halftone mode, 68...220 otherwise, rows following the aspect.
GrainGrid grainGrid(const WallpaperExportSettings& settings, double width, double height);

// More than six distinct colours and a luma range above 13 over a coarse
// sample of the grain gradient.
bool grainGradientHasContrast(const WallpaperExportSettings& settings);

// The smooth gradient's colour list: the palette (reversed with invert), each
// colour adjusted as cell (0, i) and channel-filtered; black when empty.
std::vector<RGB> smoothGradientColors(const WallpaperExportSettings& settings);
// The same into `colors`, reusing its storage.
void smoothGradientColors(const WallpaperExportSettings& settings, std::vector<RGB>& colors);

// One dot of a halftone grain cell, in the units of the cell rectangle given.
struct HalftoneDot {
    double centerX = 0;
    double centerY = 0;
    double radius = 0;
    RGB color;
    double alpha = 0;
};

// The grain colouring of one snapshot at one canvas aspect (width / height),
// with every per-design constant worked out once. Immutable once made.
class GrainColorer {
public:
    GrainColorer(const WallpaperExportSettings& settings, double aspect);

    struct Cell {
        RGB color;            // the grain cell colour, adjusted
        GrainSample sample;   // the field behind it, for the halftone dot
    };

    GrainSample field(double x, double y) const;
    Cell cell(std::int64_t row, std::int64_t column, double x, double y) const;
    RGB adjust(RGB color, std::int64_t row, std::int64_t column) const;

    // Each channel x 0.9 on even rows when scanlines are on.
    RGB scanlined(RGB color, std::int64_t row) const;
    // The fill of a cell: its (scanlined) colour, or a dark ground x 0.14 in
    // halftone mode.
    RGB ground(RGB scanlinedColor) const;
    bool halftone() const { return mode_ == GrainGradientMode::halftone; }

    // The dot of a halftone cell measured on the rectangle (x, y, width,
    // height); `scanlinedColor` is the cell colour before the dark ground.
    HalftoneDot halftoneDot(const Cell& cell, RGB scanlinedColor, std::int64_t row, std::int64_t column, double x,
                            double y, double width, double height) const;

private:
    struct Blob {
        double cos2, sin2, offsetX, offsetY, radiusP, radiusQ, weight;
    };

    std::uint64_t seed_;
    GrainGradientMode mode_;
    std::vector<RGB> colors_;
    double zoom_, warpScale_, time_, cosTime_, sinTime_, aspect_;
    double driftX1_, driftY1_, driftX2_, driftY2_;
    double glow_;
    double ribbonFlow_;
    std::array<Blob, 6> blobs_{};
    detail::CellAdjustment adjustment_;
    bool invert_, scanlines_;
    StyleChannel channel_;
};

}  // namespace glimora::WallpaperRenderer
