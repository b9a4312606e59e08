// Cuts a photo down to a coarse grid of cells, one colour each.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/design_options.hpp"
#include "render/color_math.hpp"
#include "render/image_crop.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {

struct ImagePixelizer {
    ImagePixelizer() = delete;

    enum class PixelizerError { invalidImage, bitmapUnavailable };

    struct Settings {
        std::uint64_t seed = 0;
        double pixelSize = 5;
        double referenceWidth = 1200;
        std::int64_t colorCount = 8;
        ImagePaletteMode paletteMode = ImagePaletteMode::source;
        ImageDitherStyle dither = ImageDitherStyle::none;
        ImagePixelShape pixelShape = ImagePixelShape::square;
        ImageRenderMode renderMode = ImageRenderMode::pixel;
        ImageMosaicTileShape mosaicTileShape = ImageMosaicTileShape::square;
        double mosaicCornerRadius = 0;
        double mosaicBevel = 0;
        double mosaicVariation = 0;
        double cellGap = 0;
        double brightness = 0;
        double contrast = 100;
        double saturation = 100;
        ImageCrop crop;
        std::vector<RGB> palette;
    };

    struct PixelGrid {
        std::int64_t columns = 0;
        std::int64_t rows = 0;
        RGB background;
        std::vector<RGB> cells;  // row by row from the top, each row from the left
    };

    // The grid of an output of targetWidth x targetHeight (pixels, or points for
    // a live canvas). Never fails; an empty buffer samples black.
    static PixelGrid pixelize(const PixelImageBuffer& buffer, std::int64_t targetWidth,
                              std::int64_t targetHeight, const Settings& settings);

    // The colour pipeline of one cell: adjustment, then the palette mode.
    static RGB processColor(RGB color, std::int64_t row, std::int64_t column, const Settings& settings);
    // Brightness, contrast and saturation.
    static RGB adjustColor(RGB color, const Settings& settings);
    // The palette colour for a luminance in 0...1, dithered at (row, column).
    static RGB paletteColor(double luminance, std::int64_t row, std::int64_t column,
                            const Settings& settings);

    // The pixelized photo as one SVG document, every cell one element.
    static std::string renderSVG(std::int64_t width, std::int64_t height, std::span<const std::uint8_t> rgba,
                                 const Settings& settings, std::int64_t outputWidth,
                                 std::int64_t outputHeight);

    struct Rect {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;

        friend bool operator==(const Rect&, const Rect&) = default;
    };

    // Where each cell and its shape lie on a width x height surface, y down.
    // Shared by the bitmap output and the live canvas so both look alike.
    struct CellGeometry {
        CellGeometry(const PixelGrid& grid, const Settings& settings, double width, double height);

        double cellWidth = 0;
        double cellHeight = 0;
        double inset = 0;         // empty margin on each side of a cell
        double cornerFactor = 0;  // tile radius as a fraction of its shorter side
        double bevelAmount = 0;   // 0 draws no bevel stroke

        Rect cell(std::int64_t row, std::int64_t column) const;
        Rect base(std::int64_t row, std::int64_t column) const;
        // The rectangle the cell's shape fills; width or height <= 0 is not drawn.
        Rect shape(std::int64_t row, std::int64_t column) const;
        // Corner radius of a mosaic tile whose rectangle is `shape`.
        double cornerRadius(const Rect& shape) const;
        double bevelLineWidth(const Rect& shape) const;

        ImageRenderMode renderMode = ImageRenderMode::pixel;
        ImagePixelShape pixelShape = ImagePixelShape::square;
        ImageMosaicTileShape tileShape = ImageMosaicTileShape::square;
        std::int64_t columns = 0;
        std::int64_t rows = 0;
    };

    // Bytes to draw into: 4 per pixel (red, green, blue, alpha), rows of
    // `stride` bytes from the top.
    struct RGBATarget {
        std::uint8_t* data = nullptr;
        std::int64_t width = 0;
        std::int64_t height = 0;
        std::int64_t stride = 0;
    };

    // Fills the whole target with the grid's background and draws every cell,
    // laid out on a width x height surface that maps onto the target's pixels
    // at `scale` pixels per unit (a live canvas passes its size in points and
    // its pixel ratio). The result is opaque. Shapes lie at their exact
    // fractional positions and edge pixels get the exact area each shape
    // covers (curves flattened finely enough to move it by about a level),
    // blended source-over cell by cell in grid order, fill then bevel. A
    // rectangle that ends where the next cell begins paints the shared pixels
    // fully and the next cell blends over them, so cells without a gap tile
    // seamlessly. Bands of rows are drawn on up to `threadCount` threads
    // (0: one per core) with identical results.
    // Throws PixelizerError::bitmapUnavailable when the target's rows are too
    // short or memory runs out.
    static void drawGrid(const PixelGrid& grid, const Settings& settings, double width, double height,
                         double scale, const RGBATarget& target, int threadCount = 0);

    // The pixelized photo on a live canvas of width x height points drawn at
    // `scale` pixels per point: the grid of the canvas size in whole points
    // (halves rounded away from zero, at least 1), its ground, then every cell
    // at the unrounded size. Draws nothing on a canvas without area; never
    // fails (should no cell shape be drawable, the ground alone shows).
    static void draw(const RGBATarget& target, const PixelImageBuffer& buffer, const Settings& settings,
                     double width, double height, double scale, int threadCount = 0);

    // The pixelized photo as an opaque RGBA bitmap of outputWidth x outputHeight.
    // Throws PixelizerError::bitmapUnavailable for a size no bitmap can have.
    static PixelImageBuffer renderImage(const PixelImageBuffer& buffer, const Settings& settings,
                                        std::int64_t outputWidth, std::int64_t outputHeight);
};

}  // namespace glimora
