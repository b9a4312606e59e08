// The pieces of PixelImageBuffer::load: format decoders that stream rows into
// a resampler, which scales them down and turns them upright.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "render/pixel_image_buffer.hpp"
#include "render/srgb_transform.hpp"

namespace glimora::image_decoding {

struct Size {
    std::int64_t width;
    std::int64_t height;
};

// The size whose longer side is at most maxPixelSize, keeping the aspect ratio
// (the shorter side rounded, at least 1).
Size fittedSize(Size source, std::int64_t maxPixelSize);

// The EXIF orientation (1...8) of a JPEG APP1 or PNG eXIf payload; 1 when the
// payload carries none or cannot be read. `payload` starts at the TIFF header,
// or at "Exif\0\0" followed by it.
int exifOrientation(std::span<const std::uint8_t> payload);

// Averages RGB rows of a source image down to the target size (each target
// pixel the area-weighted mean of the source pixels it covers), then writes
// them turned by an EXIF orientation into an opaque RGBA buffer. Everything is
// allocated up front, so pushing rows never allocates or throws.
class ImageResampler {
public:
    ImageResampler(Size source, Size target, int orientation);

    // Rows arrive top to bottom, each source.width RGB triples.
    void pushRow(const std::uint8_t* rgb);
    bool complete() const { return sourceRow_ == source_.height; }
    // The upright buffer; width and height are exchanged for turned
    // orientations. Its colours go through `toSrgb` when one is given.
    PixelImageBuffer finish(const std::optional<SrgbTransform>& toSrgb = std::nullopt);

private:
    struct Tap {
        std::int32_t first;
        std::int32_t count;
        std::int32_t weightIndex;
    };

    void emitRow(const float* rgb);
    void emitRow(const std::uint8_t* rgb);
    void horizontal(const std::uint8_t* rgb, float* out) const;

    Size source_;
    Size target_;
    int orientation_;
    std::int64_t sourceRow_ = 0;
    std::int64_t targetRow_ = 0;
    bool scaling_;
    std::vector<Tap> taps_;
    std::vector<float> weights_;
    std::vector<float> line_;
    std::vector<float> current_;
    std::vector<float> next_;
    std::shared_ptr<std::vector<std::uint8_t>> out_;
    std::int64_t outWidth_;
    std::int64_t outHeight_;
};

// A row of straight-alpha RGBA laid over opaque white as RGB, rounded.
void flattenRow(const std::uint8_t* rgba, std::uint8_t* rgb, std::size_t width);

// Each throws ImagePixelizer::PixelizerError::invalidImage on bad data, and
// converts the picture's colours to sRGB. `notes`, when given, gets why a
// picture is refused for its size, or why its colours stay as stored.
PixelImageBuffer decodeJpeg(std::span<const std::uint8_t> data, std::int64_t maxPixelSize,
                            DecodeNotes* notes = nullptr);
PixelImageBuffer decodePng(std::span<const std::uint8_t> data, std::int64_t maxPixelSize,
                           DecodeNotes* notes = nullptr);

// Whether a picture of this size is within the core's limits; when not, the
// reason goes to `notes`.
bool declaredSizeFits(std::int64_t width, std::int64_t height, DecodeNotes* notes);

// The conversion of these colours for these pixels, the reason there is none
// going to `notes` when the file's colour information cannot be used.
std::optional<SrgbTransform> srgbTransform(const SourceColors& colors, SourcePixels pixels, DecodeNotes* notes);

bool isJpeg(std::span<const std::uint8_t> data);
bool isPng(std::span<const std::uint8_t> data);

// libjpeg walks every block of a progressive picture once per scan, so a small
// file of thousands of tiny scans costs seconds; JPEG decoding stops past this.
inline constexpr int maxJpegScans = 500;

// The scans (start-of-scan segments) in data that begins as a JPEG does (FF D8),
// walking the segments as libjpeg does, so look-alike bytes inside metadata or
// pixel data do not count; 0 for other data. Stops counting at limit + 1.
int jpegScanCount(std::span<const std::uint8_t> data, int limit);

// False for a PNG with a chunk (other than pixel data) that claims more bytes
// than the data holds: libpng would allocate the claimed size (up to 2 GiB
// for a file of a few hundred bytes) before finding the data short. True for
// anything that is not a PNG.
bool pngChunksFitTheData(std::span<const std::uint8_t> data);

}  // namespace glimora::image_decoding
