// PNG through libpng. As with libjpeg, errors arrive by longjmp, so each call
// into libpng sits in a small function that owns the setjmp and holds only
// plain data; buffers and cleanup live in the C++ caller.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <optional>

#include <png.h>
#include <zlib.h>

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
    // The profile comes to us as the chunk stands: libpng would drop a
    // profile it dislikes without a word, and then nothing could tell the log.
    static constexpr png_byte iccp[] = {'i', 'C', 'C', 'P', 0};
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_ALWAYS, iccp, 1);
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

// The profile of an iCCP chunk: a name of 1 to 79 bytes, a zero, compression
// method 0, then the profile compressed by zlib. Nothing when it is damaged.
std::optional<std::vector<std::uint8_t>> iccpProfile(const png_unknown_chunk& chunk) {
    const std::uint8_t* data = chunk.data;
    const std::uint8_t* end = data + chunk.size;
    const std::uint8_t* zero = std::find(data, std::min(end, data + 80), std::uint8_t(0));
    if (zero == data || end - zero < 2 || zero[1] != 0) return std::nullopt;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(zero + 2);
    stream.avail_in = uInt(end - zero - 2);
    std::vector<std::uint8_t> profile;
    int status = Z_OK;
    while (status == Z_OK && profile.size() < maxIccProfileBytes) {
        std::uint8_t block[16384];
        stream.next_out = block;
        stream.avail_out = sizeof block;
        status = inflate(&stream, Z_NO_FLUSH);
        profile.insert(profile.end(), block, block + (sizeof block - stream.avail_out));
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return profile;
}

SourceColors colorsOf(png_structp png, png_infop info, DecodeNotes* notes) {
    SourceColors colors;
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png, info, &chunks);
    for (int k = 0; k < count; ++k) {
        if (std::memcmp(chunks[k].name, "iCCP", 4) != 0) continue;
        auto profile = iccpProfile(chunks[k]);
        if (!profile) {
            // The profile overrides the gamma and chromaticities: without
            // it the picture keeps its stored values rather than half of
            // what the file says.
            if (notes) notes->push_back("its colour profile cannot be read (its iCCP chunk is damaged)");
            return {};
        }
        colors.iccProfile = std::move(*profile);
        break;
    }
    colors.srgb = png_get_valid(png, info, PNG_INFO_sRGB) != 0;
    double gamma = 0;
    if (png_get_gAMA(png, info, &gamma)) colors.gamma = gamma;
    Chromaticities c{};
    if (png_get_cHRM(png, info, &c.whiteX, &c.whiteY, &c.redX, &c.redY, &c.greenX, &c.greenY, &c.blueX, &c.blueY))
        colors.chromaticities = c;
    return colors;
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

PixelImageBuffer decodePng(std::span<const std::uint8_t> data, std::int64_t maxPixelSize, DecodeNotes* notes) {
    if (!pngChunksFitTheData(data)) invalid();
    // The size its header declares, judged before libpng reads on (and, for
    // a file without pixel data, stops before it could say so).
    if (data.size() >= 24 && std::equal(data.begin() + 12, data.begin() + 16, "IHDR")) {
        const auto word = [&data](std::size_t at) {
            return std::int64_t(data[at]) << 24 | std::int64_t(data[at + 1]) << 16 | std::int64_t(data[at + 2]) << 8 |
                   std::int64_t(data[at + 3]);
        };
        if (!declaredSizeFits(word(16), word(20), notes)) invalid();
    }
    PngSession session;
    PngGuard guard{&session};
    session.input = {data.data(), data.size(), 0};
    session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
    if (!session.png) invalid();
    session.info = png_create_info_struct(session.png);
    if (!session.info || !pngReadInfo(&session)) invalid();

    const std::int64_t width = png_get_image_width(session.png, session.info);
    const std::int64_t height = png_get_image_height(session.png, session.info);
    if (!declaredSizeFits(width, height, nullptr)) invalid();
    const bool gray = !(png_get_color_type(session.png, session.info) & PNG_COLOR_MASK_COLOR);
    const std::optional<SrgbTransform> toSrgb = srgbTransform(
        colorsOf(session.png, session.info, notes), gray ? SourcePixels::grayRgba : SourcePixels::rgba, notes);
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
    return resampler.finish(toSrgb);
}

}  // namespace glimora::image_decoding
