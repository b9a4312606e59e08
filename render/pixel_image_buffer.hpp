// Decoded photo pixels: 8-bit RGBA rows, top to bottom, stride width * 4.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "render/color_math.hpp"

namespace glimora {

// Clauses for the log about one decoded picture, each following the file's
// name: why it was refused for its size ("it declares 11776 x 12289 pixels in
// 31 bytes"), or why its colours stay as stored.
using DecodeNotes = std::vector<std::string>;

struct PixelImageBuffer {
    std::int64_t width = 0;
    std::int64_t height = 0;
    // Copies share the bytes; a buffer is never changed once made.
    std::shared_ptr<const std::vector<std::uint8_t>> rgba;

    std::span<const std::uint8_t> bytes() const {
        return rgba ? std::span<const std::uint8_t>(*rgba) : std::span<const std::uint8_t>();
    }

    // Decodes JPEG or PNG bytes into an opaque sRGB buffer whose longer side
    // is at most maxPixelSize: EXIF orientation applied, colours converted
    // from the picture's own (ICC profile, PNG gamma and chromaticities),
    // transparency flattened over white. Throws
    // ImagePixelizer::PixelizerError::invalidImage for data that is not a
    // readable image, is corrupt or truncated, or declares more than
    // maxDeclaredPixels pixels or a side above maxDeclaredSide. A colour
    // profile that cannot be used is left out, never a reason to refuse.
    static PixelImageBuffer load(std::span<const std::uint8_t> data, int maxPixelSize,
                                 DecodeNotes* notes = nullptr);

    // Whether load() understands the format of these bytes (JPEG, PNG). Other
    // formats are for the shell's own image reader, with the same limits.
    static bool canDecode(std::span<const std::uint8_t> data);

    static constexpr std::int64_t maxDeclaredPixels = std::int64_t(1) << 28;
    static constexpr std::int64_t maxDeclaredSide = 65535;

    // The pixel nearest to the unit position (x, y) over the whole photo.
    // Black for an empty buffer or a pixel beyond the end of the bytes.
    RGB sampleColor(double x, double y) const;

    // PNG bytes of the pixels, or nothing when the buffer is empty, short of
    // width * height * 4 bytes, or the encoder fails.
    std::optional<std::vector<std::uint8_t>> pngData() const;
};

}  // namespace glimora
