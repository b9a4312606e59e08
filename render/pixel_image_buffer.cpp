#include "render/pixel_image_buffer.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <limits>

namespace glimora {

namespace {

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        out->insert(out->end(), data, data + length);
    } catch (...) {
        grown = false;  // no exception may cross libpng's C frames
    }
    if (!grown) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

// Straight colour of a premultiplied channel, rounded to nearest; a channel
// above its alpha (not a valid premultiplied value) saturates at 255.
std::uint8_t unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
    const std::uint32_t straight = (channel * 255 + alpha / 2) / alpha;
    return std::uint8_t(straight > 255 ? 255 : straight);
}

// Returns the row to hand to libpng: the buffer's own row when every pixel is
// opaque (nothing to undo), else `scratch` filled with straight colours.
const std::uint8_t* straightRow(const std::uint8_t* row, std::size_t width, std::vector<std::uint8_t>& scratch) {
    bool opaque = true;
    for (std::size_t x = 0; x < width && opaque; ++x) opaque = row[x * 4 + 3] == 255;
    if (opaque) return row;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t* in = row + x * 4;
        std::uint8_t* out = scratch.data() + x * 4;
        const std::uint32_t alpha = in[3];
        if (alpha == 255) {
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
        } else if (alpha == 0) {
            out[0] = out[1] = out[2] = 0;
        } else {
            out[0] = unpremultiply(in[0], alpha);
            out[1] = unpremultiply(in[1], alpha);
            out[2] = unpremultiply(in[2], alpha);
        }
        out[3] = in[3];
    }
    return scratch.data();
}

}  // namespace

std::optional<std::vector<std::uint8_t>> PixelImageBuffer::pngData() const {
    if (width < 1 || height < 1 || !rgba) return std::nullopt;
    // PNG holds at most 2^31 - 1 pixels per side; the byte count must fit too.
    constexpr std::int64_t maxSide = 0x7FFFFFFF;
    if (width > maxSide || height > maxSide) return std::nullopt;
    if (width > std::numeric_limits<std::int64_t>::max() / 4 / height) return std::nullopt;
    const std::uint64_t needed = std::uint64_t(width) * std::uint64_t(height) * 4;
    if (rgba->size() < needed) return std::nullopt;

    const std::size_t rowBytes = std::size_t(width) * 4;
    std::vector<std::uint8_t> scratch(rowBytes);
    std::vector<std::uint8_t> out;
    out.reserve(needed / 2 + 1024);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    // Every object that outlives a longjmp was made above this line.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::nullopt;
    }
    png_set_user_limits(png, std::uint32_t(maxSide), std::uint32_t(maxSide));
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::uint8_t* pixels = rgba->data();
    for (std::int64_t y = 0; y < height; ++y)
        png_write_row(png, straightRow(pixels + std::size_t(y) * rowBytes, std::size_t(width), scratch));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace glimora
