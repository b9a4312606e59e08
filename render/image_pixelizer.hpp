// Cuts a photo down to a coarse grid of cells, one colour each.
#pragma once

#include <cstdint>
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
};

}  // namespace glimora
