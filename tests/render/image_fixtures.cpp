#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

#include "tests/render/image_fixtures.hpp"

namespace glimora::test {

Bytes encodeJpeg(int width, int height, const PixelFunction& pixel, const JpegOptions& options) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = options.grayscale ? 1 : options.cmyk ? 4 : 3;
    info.in_color_space = options.grayscale ? JCS_GRAYSCALE : options.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!options.app1.empty()) {
        jpeg_write_marker(&info, JPEG_APP0 + 1, options.app1.data(), unsigned(options.app1.size()));
    }
    if (!options.iccProfile.empty())
        jpeg_write_icc_profile(&info, options.iccProfile.data(), unsigned(options.iccProfile.size()));
    std::vector<std::uint8_t> row(std::size_t(width) * 4);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const RGB c = pixel(x, y);
            if (options.grayscale) {
                row[std::size_t(x)] = c.green;
            } else if (options.cmyk) {
                // Stored inverted: 255 - ink, and cyan ink is 255 - red.
                const std::uint8_t stored[4] = {c.red, c.green, c.blue, 255};
                std::copy(stored, stored + 4, row.begin() + x * 4);
            } else {
                row[std::size_t(x) * 3] = c.red;
                row[std::size_t(x) * 3 + 1] = c.green;
                row[std::size_t(x) * 3 + 2] = c.blue;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes exifWithOrientation(int orientation, bool bigEndian) {
    Bytes out = {'E', 'x', 'i', 'f', 0, 0};
    auto put16 = [&](unsigned v) {
        if (bigEndian) {
            out.push_back(std::uint8_t(v >> 8));
            out.push_back(std::uint8_t(v));
        } else {
            out.push_back(std::uint8_t(v));
            out.push_back(std::uint8_t(v >> 8));
        }
    };
    auto put32 = [&](unsigned v) {
        if (bigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    put16(42);
    put32(8);  // first IFD right after the header
    put16(2);  // two entries
    // An ImageWidth entry first, so the reader has to walk the directory.
    put16(0x0100);
    put16(3);
    put32(1);
    put16(640);
    put16(0);
    // Orientation, SHORT, one value, left-justified in the value field.
    put16(0x0112);
    put16(3);
    put32(1);
    put16(unsigned(orientation));
    put16(0);
    put32(0);  // no next IFD
    return out;
}

namespace {

void writeToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

}  // namespace

Bytes encodePng(int width, int height, const std::vector<Bytes>& rows, const PngOptions& options) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png fixture");
    }
    png_set_write_fn(png, &out, writeToVector, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), options.bitDepth, options.colorType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const RGB& c : options.palette) palette.push_back({c.red, c.green, c.blue});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!options.transparency.empty()) {
        png_set_tRNS(png, info, options.transparency.data(), int(options.transparency.size()), nullptr);
    }
    if (!options.exif.empty()) {
        png_set_eXIf_1(png, info, png_uint_32(options.exif.size()),
                       const_cast<png_bytep>(options.exif.data()));
    }
    if (!options.iccProfile.empty())
        png_set_iCCP(png, info, "picture", PNG_COMPRESSION_TYPE_BASE, options.iccProfile.data(),
                     png_uint_32(options.iccProfile.size()));
    if (options.gamma) png_set_gAMA(png, info, *options.gamma);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) png_write_row(png, rows[std::size_t(y)].data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes encodeRgbaPng(int width, int height,
                    const std::function<std::array<std::uint8_t, 4>(int x, int y)>& pixel,
                    const PngOptions& options) {
    std::vector<Bytes> rows(std::size_t(height), Bytes(std::size_t(width) * 4));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            std::copy(p.begin(), p.end(), rows[std::size_t(y)].begin() + x * 4);
        }
    }
    PngOptions rgba = options;
    rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.bitDepth = 8;
    return encodePng(width, height, rows, rgba);
}

}  // namespace glimora::test
