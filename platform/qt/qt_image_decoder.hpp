// Pictures for the editor in the application: the core decoder for JPEG and
// PNG, and Qt's image reader for the other formats it has plug-ins for (and
// for JPEG or PNG files the core refuses), under the same limits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "render/pixel_image_buffer.hpp"

namespace glimora {

// The picture, its longer side at most maxPixelSize, opaque (transparency
// over white), upright and in sRGB; nothing when neither decoder reads it.
// What qtPictureRefusal refuses never reaches Qt's reader. `notes` gets why
// a picture's colours stay as stored. Safe on any thread.
std::optional<PixelImageBuffer> decodePictureWithQtFallback(std::span<const std::uint8_t> data, int maxPixelSize,
                                                            DecodeNotes* notes = nullptr);

// Qt's reader alone, with the limits below, the core's scaling and the
// colour space Qt reports converted by the core.
std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize,
                                                    DecodeNotes* notes = nullptr);

// Qt's readers decode the whole picture at full size (the core scales while
// decoding), in a time that follows the pixels declared, not the bytes given:
// a 31-byte GIF may declare 145 million. They get at most a 4096 x 4096
// picture's worth, enough for a 5K screen or a 16-megapixel photo.
inline constexpr std::int64_t maxQtDecodedPixels = std::int64_t(1) << 24;

enum class QtPictureRefusal {
    tooManyPixels,     // declares more than maxQtDecodedPixels, or a side above maxDeclaredSide
    tooManyScans,      // a JPEG of more than image_decoding::maxJpegScans scans
    chunkBeyondData,   // a PNG chunk claims more bytes than there are
};

// Why Qt's reader is not given these bytes, judged from their headers alone,
// before any pixel is decoded; nothing when it may try.
std::optional<QtPictureRefusal> qtPictureRefusal(std::span<const std::uint8_t> data);

}  // namespace glimora
