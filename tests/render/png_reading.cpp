#include "tests/render/png_reading.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.hpp"

namespace glimora::test {

namespace {

struct MemoryReader {
    const std::vector<std::uint8_t>* data;
    std::size_t offset = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->offset + length > reader->data->size()) png_error(png, "read past the end");
    std::memcpy(out, reader->data->data() + reader->offset, length);
    reader->offset += length;
}

constexpr const char* inflateScript = R"(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
if data[:8] != b'\x89PNG\r\n\x1a\n':
    sys.exit('no PNG signature')
pos, idat, ihdr, ended = 8, [], None, False
while pos < len(data):
    length, = struct.unpack('>I', data[pos:pos + 4])
    kind = data[pos + 4:pos + 8]
    body = data[pos + 8:pos + 8 + length]
    crc, = struct.unpack('>I', data[pos + 8 + length:pos + 12 + length])
    if zlib.crc32(kind + body) & 0xffffffff != crc:
        sys.exit('bad CRC in ' + repr(kind))
    if kind == b'IHDR':
        ihdr = body
    elif kind == b'IDAT':
        idat.append(body)
    elif kind == b'IEND':
        ended = True
    pos += 12 + length
if ihdr is None or not ended or pos != len(data):
    sys.exit('chunks out of order')
width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', ihdr)
stream = zlib.decompressobj()
raw = stream.decompress(b''.join(idat)) + stream.flush()
if not stream.eof or stream.unused_data:
    sys.exit('the zlib stream does not end where the data ends')
if (depth, colour, interlace) != (8, 6, 0) or len(raw) != height * (1 + 4 * width):
    sys.exit('unexpected format or length')
open(sys.argv[2], 'wb').write(struct.pack('>II', width, height) + raw)
)";

std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return std::uint8_t(a);
    return std::uint8_t(pb <= pc ? b : c);
}

}  // namespace

std::optional<DecodedPng> decodePng(const std::vector<std::uint8_t>& data) {
    DecodedPng result;
    MemoryReader reader{&data};
    std::vector<png_bytep> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &reader, readFromMemory);
    png_read_info(png, info);
    result.width = png_get_image_width(png, info);
    result.height = png_get_image_height(png, info);
    result.bitDepth = png_get_bit_depth(png, info);
    result.colorType = png_get_color_type(png, info);
    if (result.bitDepth != 8 || result.colorType != PNG_COLOR_TYPE_RGB_ALPHA) png_error(png, "unexpected format");
    result.rgba.resize(std::size_t(result.width) * result.height * 4);
    rows.resize(result.height);
    for (std::uint32_t y = 0; y < result.height; ++y) rows[y] = result.rgba.data() + std::size_t(y) * result.width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

InflatedPng inflateWithPython(const std::vector<std::uint8_t>& png) {
    InflatedPng result;
    TempDir folder;
    const auto input = folder.path() / "image.png";
    const auto output = folder.path() / "inflated";
    const auto script = folder.path() / "inflate.py";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    std::ofstream(script) << inflateScript;
    const auto log = folder.path() / "log";
    const std::string command = "python3 '" + script.string() + "' '" + input.string() + "' '" + output.string() +
                                "' >'" + log.string() + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
        const auto text = readFile(log);
        result.error = "python3: " + std::string(text.begin(), text.end());
        return result;
    }
    const auto bytes = readFile(output);
    if (bytes.size() < 8) {
        result.error = "no output";
        return result;
    }
    result.width = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
    result.height = std::uint32_t(bytes[4]) << 24 | std::uint32_t(bytes[5]) << 16 | std::uint32_t(bytes[6]) << 8 | bytes[7];
    const std::size_t rowBytes = std::size_t(result.width) * 4;
    result.pixels.assign(rowBytes * result.height, 0);
    const std::uint8_t* in = bytes.data() + 8;
    std::vector<std::uint8_t> zeros(rowBytes, 0);
    for (std::size_t y = 0; y < result.height; ++y, in += rowBytes + 1) {
        std::uint8_t* row = result.pixels.data() + y * rowBytes;
        const std::uint8_t* prev = y ? row - rowBytes : zeros.data();
        const int filter = in[0];
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= 4 ? row[i - 4] : 0, b = prev[i], c = i >= 4 ? prev[i - 4] : 0;
            int predicted = 0;
            switch (filter) {
            case 0: predicted = 0; break;
            case 1: predicted = a; break;
            case 2: predicted = b; break;
            case 3: predicted = (a + b) / 2; break;
            case 4: predicted = paeth(a, b, c); break;
            default: result.error = "bad filter type " + std::to_string(filter); return result;
            }
            row[i] = std::uint8_t(in[1 + i] + predicted);
        }
    }
    return result;
}

}  // namespace glimora::test
