// PNG through libpng. As with libjpeg, errors arrive by longjmp, so each call
// into libpng sits in a small function that owns the setjmp and holds only
// plain data; buffers and cleanup live in the C++ caller.
#include <algorithm>
#include <csetjmp>
#include <cstring>

#include <png.h>

#include <vector>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora::image_decoding {

namespace {

struct PngInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngInput input{};
};

struct PngGuard {
    PngSession* session;
    ~PngGuard() {
        if (session->png)
            png_destroy_read_struct(&session->png, session->info ? &session->info : nullptr, nullptr);
    }
};

void readPng(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > input->size - input->offset) png_error(png, "truncated");
    std::memcpy(out, input->data + input->offset, length);
    input->offset += length;
}

[[noreturn]] void failPng(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

bool pngReadInfo(PngSession* s) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_set_read_fn(s->png, &s->input, readPng);
    png_set_user_limits(s->png, PixelImageBuffer::maxDeclaredSide, PixelImageBuffer::maxDeclaredSide);
    png_read_info(s->png, s->info);
    return true;
}

// Every colour type and depth becomes 8-bit RGBA rows.
bool pngPrepare(PngSession* s, int* passes) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    const int colorType = png_get_color_type(s->png, s->info);
    png_set_expand(s->png);
    png_set_scale_16(s->png);
    png_set_gray_to_rgb(s->png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(s->png, s->info, PNG_INFO_tRNS)) {
        png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);
    }
    *passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    return true;
}

bool pngReadRow(PngSession* s, std::uint8_t* row) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_read_row(s->png, row, nullptr);
    return true;
}

[[noreturn]] void invalid() {
    throw ImagePixelizer::PixelizerError::invalidImage;
}

}  // namespace

void flattenRow(const std::uint8_t* rgba, std::uint8_t* rgb, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        const unsigned alpha = rgba[3];
        const unsigned white = 255 * (255 - alpha);
        for (int c = 0; c < 3; ++c) rgb[c] = std::uint8_t((rgba[c] * alpha + white + 127) / 255);
    }
}

bool isPng(std::span<const std::uint8_t> data) {
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

bool pngChunksFitTheData(std::span<const std::uint8_t> data) {
    if (!isPng(data)) return true;
    std::size_t offset = 8;
    while (data.size() - offset >= 8) {
        const std::uint8_t* chunk = data.data() + offset;
        const std::uint64_t length = (std::uint64_t(chunk[0]) << 24) | (std::uint64_t(chunk[1]) << 16) |
                                     (std::uint64_t(chunk[2]) << 8) | std::uint64_t(chunk[3]);
        const bool imageData = std::equal(chunk + 4, chunk + 8, "IDAT");
        const std::uint64_t left = data.size() - offset - 8;
        // Pixel data is streamed, so a cut-off last IDAT is the reader's to judge.
        if (length + 4 > left) return imageData;
        if (std::equal(chunk + 4, chunk + 8, "IEND")) return true;
        offset += std::size_t(length) + 12;
    }
    return true;
}

PixelImageBuffer decodePng(std::span<const std::uint8_t> data, std::int64_t maxPixelSize) {
    if (!pngChunksFitTheData(data)) invalid();
    PngSession session;
    PngGuard guard{&session};
    session.input = {data.data(), data.size(), 0};
    session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
    if (!session.png) invalid();
    session.info = png_create_info_struct(session.png);
    if (!session.info || !pngReadInfo(&session)) invalid();

    const std::int64_t width = png_get_image_width(session.png, session.info);
    const std::int64_t height = png_get_image_height(session.png, session.info);
    if (width < 1 || height < 1 || width > PixelImageBuffer::maxDeclaredSide ||
        height > PixelImageBuffer::maxDeclaredSide || width * height > PixelImageBuffer::maxDeclaredPixels) {
        invalid();
    }
    int orientation = 1;
    png_uint_32 exifLength = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(session.png, session.info, &exifLength, &exif) && exif) {
        orientation = exifOrientation({exif, exifLength});
    }

    int passes = 1;
    if (!pngPrepare(&session, &passes)) invalid();
    if (png_get_rowbytes(session.png, session.info) != std::size_t(width) * 4) invalid();

    ImageResampler resampler({width, height}, fittedSize({width, height}, maxPixelSize), orientation);
    std::vector<std::uint8_t> rgb(std::size_t(width) * 3);
    if (passes <= 1) {
        std::vector<std::uint8_t> row(std::size_t(width) * 4);
        for (std::int64_t y = 0; y < height; ++y) {
            if (!pngReadRow(&session, row.data())) invalid();
            flattenRow(row.data(), rgb.data(), std::size_t(width));
            resampler.pushRow(rgb.data());
        }
    } else {
        // Interlaced passes fill the image out of order, so it is gathered
        // whole at full size before it streams into the resampler.
        std::vector<std::uint8_t> image(std::size_t(width * height) * 4);
        for (int pass = 0; pass < passes; ++pass) {
            for (std::int64_t y = 0; y < height; ++y) {
                if (!pngReadRow(&session, image.data() + std::size_t(y * width) * 4)) invalid();
            }
        }
        for (std::int64_t y = 0; y < height; ++y) {
            flattenRow(image.data() + std::size_t(y * width) * 4, rgb.data(), std::size_t(width));
            resampler.pushRow(rgb.data());
        }
    }
    return resampler.finish();
}

}  // namespace glimora::image_decoding
