// Pictures for the editor in the application: the core decoder for JPEG and
// PNG, and Qt's image reader for the other formats it has plug-ins for (and
// for JPEG or PNG files the core refuses), under the same limits and in sRGB.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "render/pixel_image_buffer.hpp"

namespace glimora {

// The picture, its longer side at most maxPixelSize, opaque (transparency
// over white), upright and in sRGB; nothing when neither decoder reads it.
// What qtPictureRefusal refuses never reaches Qt's reader. `notes` gets why
// a picture is refused for its size, or why its colours stay as stored.
// Safe on any thread.
std::optional<PixelImageBuffer> decodePictureWithQtFallback(std::span<const std::uint8_t> data, int maxPixelSize,
                                                            DecodeNotes* notes = nullptr);

// Qt's reader alone, with the limits below, the core's scaling and the
// colour space Qt reports converted by the core.
std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize,
                                                    DecodeNotes* notes = nullptr);

// Qt's readers take a time that follows the pixels a file declares, not the
// bytes it holds: a 31-byte GIF may declare 145 million, which Qt would fill
// in seconds. So what a file declares is judged against what it holds. Any
// file may declare this many (a 2048 x 2048 square, a few milliseconds)...
inline constexpr std::int64_t qtPixelsFreeOfBytes = std::int64_t(1) << 22;
// ...and beyond them at most this many for each of its bytes: more than the
// PNG, JPEG or lossy WebP of a 24-megapixel picture of one flat colour
// holds (about 300, 60 and 560). A lossless WebP of one (25000) is refused.
inline constexpr std::int64_t qtPixelsPerByte = 1024;
// Formats Qt cannot read scaled are decoded whole, into at most this much
// memory: a 50-megapixel photo at four bytes a pixel fits.
inline constexpr std::int64_t qtFullSizeBytes = std::int64_t(256) << 20;

enum class QtPictureRefusal {
    tooManyPixels,       // a side above maxDeclaredSide, or more than maxDeclaredPixels pixels
    pixelsBeyondData,    // more pixels than the file's bytes can describe (qtPixelsPerByte)
    tooLargeAtFullSize,  // read whole, it would need more than qtFullSizeBytes
    tooManyScans,        // a JPEG of more than image_decoding::maxJpegScans scans
    chunkBeyondData,     // a PNG chunk claims more bytes than there are
};

// Why Qt's reader is not given these bytes, judged from their headers alone,
// before any pixel is decoded; nothing when it may try. The reason, for the
// log, goes to `notes`.
std::optional<QtPictureRefusal> qtPictureRefusal(std::span<const std::uint8_t> data, DecodeNotes* notes = nullptr);

}  // namespace glimora
