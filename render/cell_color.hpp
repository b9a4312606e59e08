// One cell of a shape design becomes one colour: warp, field, palette mapping
// with dithering, highlights, then the per-cell adjustments.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "render/cell_grid.hpp"
#include "render/shape_field.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora::WallpaperRenderer {

// Palette colours at a tone, interpolated smoothly.
RGB blendPalette(std::span<const RGB> colors, double t);

// k * b + (1 - k) * a per channel, with k = amount clamped to 0...1.
RGB mixColor(RGB a, RGB b, double amount);

// Rotates a colour's hue; greys and rotations of at most 0.001 degrees (or not
// a finite number of degrees) leave it unchanged.
RGB hueShift(RGB color, double degrees);

// Darkens a colour by its distance from the centre of the unit square.
RGB vignette(RGB color, double x, double y);

// Keeps the chosen channel (all of them for rgb) and zeroes the others.
RGB channelFilter(RGB color, StyleChannel channel);

// The highlight terms of ribbonBands and glowDots at a unit point.
double ribbonPhase(const WallpaperExportSettings& settings, double x, double y);
double glowHighlight(const WallpaperExportSettings& settings, double x, double y);

// Hue, brightness, contrast and seeded noise of one cell.
RGB adjustCell(RGB color, const WallpaperExportSettings& settings, std::int64_t row, std::int64_t column);

// One sample of a cell at its unit point (x, y); no chroma, no adjustments.
RGB cellColor(const WallpaperExportSettings& settings, std::int64_t column, std::int64_t row, double x, double y);

// Whether a design would come out with more than one colour and a visible
// luma range; the gradient shuffle rejects designs that fail.
bool hasVisibleContrast(const WallpaperExportSettings& settings);

namespace detail {

struct RibbonPhase {
    explicit RibbonPhase(const WallpaperExportSettings& settings);
    double operator()(double x, double y) const;
    // The phase split at its one term that depends on x alone, so a grid can
    // work that term out once per column.
    double wave(double x) const;
    double withWave(double x, double y, double waveAtX) const;
    double p, cosA, sinA, band, amplitude, waves, centerX;
};

struct GlowHighlight {
    explicit GlowHighlight(const WallpaperExportSettings& settings);
    double operator()(double x, double y) const;
    // The formula over the library's calls or rough ones (rough_math.hpp).
    template <class Calls>
    double value(double x, double y, Calls& calls) const;
    double centerX, centerY, columns, rows, sharpness, haloWidth;
};

// The noise of a channel is keyed by the cell's hash plus the channel's key
// offset; shape cells and grain cells use different offsets.
inline constexpr std::array<std::uint64_t, 3> shapeCellKeys{0, 1376312589, 2752625178};
inline constexpr std::array<std::uint64_t, 3> grainCellKeys{0, 37, 74};

struct CellAdjustment {
    // Recent hue shifts: a grid has few distinct colours before adjustment.
    struct HueCache {
        std::array<std::uint32_t, 64> keys{};  // packed colour + 1; 0 marks a free slot
        std::array<RGB, 64> values{};
    };

    CellAdjustment(const WallpaperExportSettings& settings, std::array<std::uint64_t, 3> keys);
    RGB operator()(RGB color, std::int64_t row, std::int64_t column) const;
    RGB apply(RGB color, std::int64_t row, std::int64_t column, HueCache& cache) const;
    double hue, gain, offset, amplitude;
    std::uint64_t seed;
    std::array<std::uint64_t, 3> keys;
    bool identity;
    bool shiftsHue;

private:
    RGB afterHue(RGB color, std::int64_t row, std::int64_t column) const;
};

}  // namespace detail

// Which per-cell steps follow the colour: the live canvas draws scanlines and
// the vignette as overlays, the bitmap and the SVG writer bake them in.
enum class CellFinish { live, raster };

// The cell colouring of one snapshot, with every per-design constant worked
// out once. Immutable once made, so one instance may serve several threads.
class CellColorer {
public:
    // `roughMarginScale` widens the margins within which the grid fast path
    // defers to exact evaluation; only tests raise it above 1, to send more
    // samples down the exact path.
    explicit CellColorer(const WallpaperExportSettings& settings, double roughMarginScale = 1);

    // Becomes CellColorer(settings), keeping the storage of its tables: a
    // colorer remade at every frame allocates nothing once its tables have
    // grown to the design's size.
    void remake(const WallpaperExportSettings& settings);

    // One sample (cellColor).
    RGB cellColor(std::int64_t column, std::int64_t row, double x, double y) const;

    // The chroma rule: with an offset o > 0, red from (x + o, y), green from
    // (x, y), blue from (x - o, y); otherwise one sample.
    RGB chromaColor(std::int64_t column, std::int64_t row, double x, double y) const;

    RGB adjust(RGB color, std::int64_t row, std::int64_t column) const { return adjustment_(color, row, column); }
    RGB filter(RGB color) const { return channelFilter(color, channel_); }

    // Chroma rule, adjustments and channel filter: the live canvas' colour.
    RGB liveColor(std::int64_t column, std::int64_t row, double x, double y) const;

    // The live colour, then the scanline factor 0.88 on even rows and the
    // vignette at the undisplaced point, as the bitmap and SVG cells have it.
    RGB rasterColor(std::int64_t column, std::int64_t row, double x, double y) const;

    // The colours of rows firstRow...endRow-1 of a grid, row by row from the
    // top, each row from the left; `out` holds (endRow - firstRow) * columns.
    // The fast path for whole grids: the same colours as cell by cell, with
    // the terms that depend on one coordinate only worked out once.
    void fillRows(const CellGrid& grid, std::int64_t firstRow, std::int64_t endRow, std::span<RGB> out,
                  CellFinish finish) const;

    double chromaOffset() const { return chromaOffset_; }
    const ShapeField& field() const { return field_; }

private:
    RGB paletteColor(double tone, std::int64_t row, std::int64_t column) const;
    RGB mapTone(double steplessTone, std::int64_t row, std::int64_t column) const;
    RGB stepColor(double step, std::int64_t row, std::int64_t column) const;
    // The same with the cell's dither threshold already looked up; the
    // threshold is not read unless the step dithers.
    RGB stepColorAt(double step, double threshold) const;
    double threshold(std::int64_t row, std::int64_t column) const;
    RGB rasterFinish(RGB color, std::int64_t row, double x, double y) const;
    // (x, y) already displaced; `wave` is the ribbon wave at x when known.
    template <NotchShape S>
    RGB sampleOf(std::int64_t column, std::int64_t row, double x, double y, const double* wave) const;
    template <NotchShape S>
    RGB displacedSampleOf(std::int64_t column, std::int64_t row, double x, double y) const;
    template <NotchShape S>
    RGB chromaColorOf(std::int64_t column, std::int64_t row, double x, double y) const;
    template <NotchShape S>
    void fillRowsOf(const CellGrid& grid, std::int64_t firstRow, std::int64_t endRow, std::span<RGB> out,
                    CellFinish finish) const;

    // Palette mapping per tone step, worked out once when the steps are few
    // enough (they are for every value the editor admits).
    struct StepColors {
        RGB lower, upper, nearest;
        double fraction;
        bool dithered;  // the dither threshold decides between lower and upper
    };

    CellColorer(const WallpaperExportSettings& settings, double roughMarginScale, std::vector<RGB>&& colorStorage,
                std::vector<StepColors>&& stepStorage);

    ShapeField field_;
    NotchShape shape_;
    std::vector<RGB> colors_;
    bool nearBlackFirst_;
    DitherMode dither_;
    std::uint64_t seed_;
    int bayerSize_ = 0;
    std::array<double, 256> bayer_{};
    double warpAmount_, warpPhase_;
    double chromaOffset_;
    detail::RibbonPhase ribbon_;
    detail::GlowHighlight glow_;
    detail::CellAdjustment adjustment_;
    StyleChannel channel_;
    bool scanlines_, vignette_;
    std::vector<StepColors> steps_;
    // Whether the grid fast path may settle tone steps with rough calls, and
    // how far a highlighted channel must lie from a rounding edge for rough
    // calls to settle it (0.5 or more: never).
    bool roughSteps_ = false;
    double roughHighlightMargin_ = 1;
};

}  // namespace glimora::WallpaperRenderer
