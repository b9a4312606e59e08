#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <random>

#include "render/pixel_image_buffer.hpp"

namespace glimora {
namespace {

PixelImageBuffer bufferOf(std::int64_t width, std::int64_t height, std::vector<std::uint8_t> bytes) {
    return {width, height, std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes))};
}

struct DecodedPng {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    std::vector<std::uint8_t> rgba;
};

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

// A plain libpng read with no transformations, so the test sees the stored samples.
std::optional<DecodedPng> decode(const std::vector<std::uint8_t>& data) {
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

TEST(PixelImageBufferPng, NothingForEmptyOrShortBuffers) {
    EXPECT_FALSE(bufferOf(0, 1, {}).pngData());
    EXPECT_FALSE(bufferOf(1, 0, {}).pngData());
    EXPECT_FALSE(bufferOf(-1, 1, {0, 0, 0, 0}).pngData());
    EXPECT_FALSE(bufferOf(2, 2, std::vector<std::uint8_t>(15)).pngData());
    EXPECT_FALSE((PixelImageBuffer{1, 1, nullptr}.pngData()));
    // Sizes whose byte count overflows must not wrap around to something small.
    EXPECT_FALSE(bufferOf(std::int64_t(1) << 40, std::int64_t(1) << 40, std::vector<std::uint8_t>(16)).pngData());
    EXPECT_FALSE(bufferOf(INT64_MAX, 1, std::vector<std::uint8_t>(16)).pngData());
}

TEST(PixelImageBufferPng, OnePixel) {
    const auto png = bufferOf(1, 1, {12, 34, 56, 255}).pngData();
    ASSERT_TRUE(png);
    const auto decoded = decode(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 1u);
    EXPECT_EQ(decoded->height, 1u);
    EXPECT_EQ(decoded->rgba, (std::vector<std::uint8_t>{12, 34, 56, 255}));
}

TEST(PixelImageBufferPng, PremultipliedPixelsDecodeToStraightColours) {
    // 3 x 2, premultiplied alpha last, and one byte past the end that is not read.
    const auto png = bufferOf(3, 2,
                              {
                                  64, 32, 0, 128,    10, 20, 30, 0,   200, 100, 50, 200,  //
                                  255, 0, 0, 51,     1, 2, 3, 255,    51, 25, 0, 102,     //
                                  99,
                              })
                         .pngData();
    ASSERT_TRUE(png);
    const auto decoded = decode(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 3u);
    EXPECT_EQ(decoded->height, 2u);
    EXPECT_EQ(decoded->rgba, (std::vector<std::uint8_t>{
                                 128, 64, 0, 128,   0, 0, 0, 0,      255, 128, 64, 200,  //
                                 255, 0, 0, 51,     1, 2, 3, 255,    128, 63, 0, 102,    //
                             }));
}

TEST(PixelImageBufferPng, OpaquePhotoIsExact) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> pixels(256 * 144 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : std::uint8_t(random());
    const auto png = bufferOf(256, 144, pixels).pngData();
    ASSERT_TRUE(png);
    const auto decoded = decode(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, pixels);
}

}  // namespace
}  // namespace glimora
