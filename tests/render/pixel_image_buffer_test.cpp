#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"
#include "render/pixel_image_buffer.hpp"
#include "tests/render/image_fixtures.hpp"

namespace glimora {
namespace {

using test::Bytes;

using Error = ImagePixelizer::PixelizerError;

RGB pixelAt(const PixelImageBuffer& buffer, std::int64_t x, std::int64_t y) {
    const std::uint8_t* p = buffer.rgba->data() + (y * buffer.width + x) * 4;
    return {p[0], p[1], p[2]};
}

bool near(RGB a, RGB b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

void expectOpaqueAndComplete(const PixelImageBuffer& buffer) {
    ASSERT_TRUE(buffer.rgba);
    ASSERT_EQ(buffer.rgba->size(), std::size_t(buffer.width * buffer.height * 4));
    for (std::size_t i = 3; i < buffer.rgba->size(); i += 4) ASSERT_EQ((*buffer.rgba)[i], 255) << i;
}

Error loadError(const Bytes& data, int maxPixelSize = 2048) {
    try {
        PixelImageBuffer::load(data, maxPixelSize);
    } catch (Error error) {
        return error;
    }
    ADD_FAILURE() << "decoded";
    return Error::bitmapUnavailable;
}

constexpr RGB red{220, 30, 30};
constexpr RGB green{30, 200, 40};
constexpr RGB blue{20, 40, 210};
constexpr RGB yellow{240, 230, 20};

// An upright picture with a different colour in each quadrant.
RGB quadrants(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    return bottom ? (right ? yellow : blue) : (right ? green : red);
}

TEST(PixelImageBufferLoad, LargeJpegScalesToTheMaximumKeepingItsAspect) {
    const Bytes jpeg = test::encodeJpeg(4000, 3000, [](int x, int y) { return quadrants(x, y, 4000, 3000); });
    const PixelImageBuffer buffer = PixelImageBuffer::load(jpeg, 2048);
    EXPECT_EQ(buffer.width, 2048);
    EXPECT_EQ(buffer.height, 1536);
    expectOpaqueAndComplete(buffer);
    EXPECT_TRUE(near(pixelAt(buffer, 500, 400), red, 6));
    EXPECT_TRUE(near(pixelAt(buffer, 1500, 400), green, 6));
    EXPECT_TRUE(near(pixelAt(buffer, 500, 1200), blue, 6));
    EXPECT_TRUE(near(pixelAt(buffer, 1500, 1200), yellow, 6));
}

TEST(PixelImageBufferLoad, SmallImagesKeepTheirSizeAndPixels) {
    const Bytes png = test::encodeRgbaPng(5, 3, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 50), std::uint8_t(y * 100), 7, 255};
    });
    const PixelImageBuffer buffer = PixelImageBuffer::load(png, 2048);
    ASSERT_EQ(buffer.width, 5);
    ASSERT_EQ(buffer.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixelAt(buffer, x, y), (RGB{std::uint8_t(x * 50), std::uint8_t(y * 100), 7}));
}

TEST(PixelImageBufferLoad, DownscalingAveragesTheCoveredArea) {
    // 4 x 2 to 2 x 1: each output pixel is the mean of a 2 x 2 block.
    const Bytes even = test::encodeRgbaPng(4, 2, [](int x, int y) {
        const std::uint8_t v = (x + y) % 2 ? 255 : 0;
        return std::array<std::uint8_t, 4>{v, std::uint8_t(x < 2 ? 40 : 80), std::uint8_t(y * 100), 255};
    });
    PixelImageBuffer buffer = PixelImageBuffer::load(even, 2);
    ASSERT_EQ(buffer.width, 2);
    ASSERT_EQ(buffer.height, 1);
    EXPECT_EQ(pixelAt(buffer, 0, 0), (RGB{128, 40, 50}));
    EXPECT_EQ(pixelAt(buffer, 1, 0), (RGB{128, 80, 50}));

    // 3 x 1 to 2 x 1: each output pixel covers one and a half input pixels.
    const Bytes odd = test::encodeRgbaPng(3, 1, [](int x, int) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 90), 0, 0, 255};
    });
    buffer = PixelImageBuffer::load(odd, 2);
    ASSERT_EQ(buffer.width, 2);
    ASSERT_EQ(buffer.height, 1);
    EXPECT_EQ(pixelAt(buffer, 0, 0).red, 30);   // (0 + 0.5 * 90) / 1.5
    EXPECT_EQ(pixelAt(buffer, 1, 0).red, 150);  // (0.5 * 90 + 180) / 1.5
}

// Where the stored pixel (x, y) of a picture tagged with `orientation` is
// shown, from the tag's definition: which visual side the stored 0th row and
// 0th column lie on.
std::pair<int, int> shownAt(int orientation, int x, int y, int storedWidth, int storedHeight) {
    switch (orientation) {
    case 2: return {storedWidth - 1 - x, y};                     // row 0 top, column 0 right
    case 3: return {storedWidth - 1 - x, storedHeight - 1 - y};  // row 0 bottom, column 0 right
    case 4: return {x, storedHeight - 1 - y};                    // row 0 bottom, column 0 left
    case 5: return {y, x};                                       // row 0 left, column 0 top
    case 6: return {storedHeight - 1 - y, x};                    // row 0 right, column 0 top
    case 7: return {storedHeight - 1 - y, storedWidth - 1 - x};  // row 0 right, column 0 bottom
    case 8: return {y, storedWidth - 1 - x};                     // row 0 left, column 0 bottom
    default: return {x, y};
    }
}

// Stores the upright quadrant picture (uprightWidth x uprightHeight) the way
// a camera tagging it with `orientation` would.
Bytes orientedJpeg(int orientation, bool bigEndian, int uprightWidth, int uprightHeight) {
    const bool turned = orientation >= 5;
    const int storedWidth = turned ? uprightHeight : uprightWidth;
    const int storedHeight = turned ? uprightWidth : uprightHeight;
    test::JpegOptions options;
    options.app1 = test::exifWithOrientation(orientation, bigEndian);
    return test::encodeJpeg(
        storedWidth, storedHeight,
        [&](int x, int y) {
            const auto [sx, sy] = shownAt(orientation, x, y, storedWidth, storedHeight);
            return quadrants(sx, sy, uprightWidth, uprightHeight);
        },
        options);
}

void expectUprightQuadrants(const PixelImageBuffer& buffer, int width, int height) {
    ASSERT_EQ(buffer.width, width);
    ASSERT_EQ(buffer.height, height);
    EXPECT_TRUE(near(pixelAt(buffer, width / 4, height / 4), red, 8));
    EXPECT_TRUE(near(pixelAt(buffer, width * 3 / 4, height / 4), green, 8));
    EXPECT_TRUE(near(pixelAt(buffer, width / 4, height * 3 / 4), blue, 8));
    EXPECT_TRUE(near(pixelAt(buffer, width * 3 / 4, height * 3 / 4), yellow, 8));
}

TEST(PixelImageBufferLoad, EveryExifOrientationDecodesUpright) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << (bigEndian ? " MM" : " II"));
            const Bytes jpeg = orientedJpeg(orientation, bigEndian, 96, 64);
            expectUprightQuadrants(PixelImageBuffer::load(jpeg, 2048), 96, 64);
            // The same through the scaling path.
            expectUprightQuadrants(PixelImageBuffer::load(jpeg, 48), 48, 32);
        }
    }
}

TEST(PixelImageBufferLoad, TurnedCameraPhotoSwapsWidthAndHeight) {
    // Stored landscape 4000 x 3000, tagged "turn 90 degrees clockwise to view".
    const Bytes jpeg = orientedJpeg(6, false, 3000, 4000);
    const PixelImageBuffer buffer = PixelImageBuffer::load(jpeg, 2048);
    expectUprightQuadrants(buffer, 1536, 2048);
    expectOpaqueAndComplete(buffer);
}

TEST(PixelImageBufferLoad, BrokenOrientationTagsAreIgnored) {
    for (int orientation : {0, 9, 300}) {
        test::JpegOptions options;
        options.app1 = test::exifWithOrientation(orientation, false);
        const Bytes jpeg = test::encodeJpeg(
            40, 20, [](int x, int y) { return quadrants(x, y, 40, 20); }, options);
        expectUprightQuadrants(PixelImageBuffer::load(jpeg, 2048), 40, 20);
    }
    // A directory whose offset points past the block.
    test::JpegOptions options;
    options.app1 = test::exifWithOrientation(6, false);
    options.app1[10] = 0xF0;
    const Bytes jpeg = test::encodeJpeg(
        40, 20, [](int x, int y) { return quadrants(x, y, 40, 20); }, options);
    expectUprightQuadrants(PixelImageBuffer::load(jpeg, 2048), 40, 20);
}

TEST(PixelImageBufferLoad, ExifDirectoryCutShortReadsNothingPastItsBlock) {
    // A TIFF header whose directory claims one entry, followed in memory (but
    // outside the block) by an orientation entry of 6.
    const Bytes memory = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,  // header, directory with 1 entry
                          0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0};
    EXPECT_EQ(image_decoding::exifOrientation(memory), 6);
    for (std::size_t size : {10, 11, 12, 21}) {
        EXPECT_EQ(image_decoding::exifOrientation(std::span(memory).first(size)), 1) << size;
    }
    // The same short block as a PNG's eXIf chunk decodes as stored.
    test::PngOptions options;
    options.exif = Bytes(memory.begin(), memory.begin() + 10);
    std::vector<Bytes> rows;
    for (int y = 0; y < 20; ++y) {
        Bytes row;
        for (int x = 0; x < 40; ++x) {
            const RGB c = quadrants(x, y, 40, 20);
            row.insert(row.end(), {c.red, c.green, c.blue, 255});
        }
        rows.push_back(row);
    }
    expectUprightQuadrants(PixelImageBuffer::load(test::encodePng(40, 20, rows, options), 2048), 40, 20);
}

TEST(PixelImageBufferLoad, GreyscaleCmykAndProgressiveJpegs) {
    test::JpegOptions grey;
    grey.grayscale = true;
    const auto gradient = [](int x, int) { return RGB{0, std::uint8_t(x * 4), 0}; };
    PixelImageBuffer buffer = PixelImageBuffer::load(test::encodeJpeg(64, 16, gradient, grey), 2048);
    EXPECT_TRUE(near(pixelAt(buffer, 40, 8), (RGB{160, 160, 160}), 3));

    test::JpegOptions cmyk;
    cmyk.cmyk = true;
    buffer = PixelImageBuffer::load(
        test::encodeJpeg(96, 64, [](int x, int y) { return quadrants(x, y, 96, 64); }, cmyk), 2048);
    expectUprightQuadrants(buffer, 96, 64);

    test::JpegOptions progressive;
    progressive.progressive = true;
    buffer = PixelImageBuffer::load(
        test::encodeJpeg(
            300, 200, [](int x, int y) { return quadrants(x, y, 300, 200); }, progressive),
        100);
    expectUprightQuadrants(buffer, 100, 67);
}

TEST(JpegScanCount, CountsTheScansOfThePictureAlone) {
    const auto picture = [](int x, int y) { return quadrants(x, y, 64, 48); };
    test::JpegOptions progressive;
    progressive.progressive = true;
    // Start-of-scan look-alikes in metadata.
    for (int i = 0; i < 300; ++i) progressive.app1.insert(progressive.app1.end(), {0xFF, 0xDA, 0x00, 0x08});
    Bytes jpeg = test::encodeJpeg(64, 48, picture, progressive);
    const Bytes baseline = test::encodeJpeg(64, 48, picture);
    // What follows the end of the picture is not read.
    jpeg.insert(jpeg.end(), baseline.begin(), baseline.end());
    // libjpeg's simple progression codes three components in ten scans.
    EXPECT_EQ(image_decoding::jpegScanCount(jpeg, 500), 10);
    EXPECT_EQ(image_decoding::jpegScanCount(jpeg, 3), 4);
    EXPECT_EQ(image_decoding::jpegScanCount(baseline, 500), 1);
    // A segment too short for its length, which libjpeg steps over, hides no scan.
    Bytes shortSegment = jpeg;
    shortSegment.insert(shortSegment.begin() + 2, {0xFF, 0xEB, 0x00, 0x00});
    EXPECT_EQ(image_decoding::jpegScanCount(shortSegment, 500), 10);
    EXPECT_EQ(image_decoding::jpegScanCount(Bytes(baseline.begin(), baseline.begin() + 200), 500), 0);
    EXPECT_EQ(image_decoding::jpegScanCount(Bytes{0x89, 'P', 'N', 'G'}, 500), 0);
}

TEST(PixelImageBufferLoad, TransparencyIsFlattenedOverWhite) {
    const Bytes png = test::encodeRgbaPng(3, 1, [](int x, int) {
        const std::uint8_t alpha[3] = {255, 128, 0};
        return std::array<std::uint8_t, 4>{200, 0, 40, alpha[x]};
    });
    const PixelImageBuffer buffer = PixelImageBuffer::load(png, 2048);
    expectOpaqueAndComplete(buffer);
    EXPECT_EQ(pixelAt(buffer, 0, 0), (RGB{200, 0, 40}));
    // 200 * 128/255 + 255 * 127/255 = 227.4; 0 -> 127; 40 -> 147.1
    EXPECT_EQ(pixelAt(buffer, 1, 0), (RGB{227, 127, 147}));
    EXPECT_EQ(pixelAt(buffer, 2, 0), (RGB{255, 255, 255}));
}

TEST(PixelImageBufferLoad, EveryPngColourTypeAndDepth) {
    // Grey at 1, 2, 4, 8 and 16 bits: the brightest level is white.
    for (int depth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        const int maxLevel = (1 << std::min(depth, 8)) - 1;
        const int samplesPerByte = depth < 8 ? 8 / depth : 1;
        Bytes row(std::size_t(depth == 16 ? 4 : (2 + samplesPerByte - 1) / samplesPerByte), 0);
        // Pixel 0 black, pixel 1 the brightest level.
        if (depth == 16) {
            row = {0, 0, 0xFF, 0xFF};
        } else if (depth == 8) {
            row = {0, 255};
        } else {
            row[0] = std::uint8_t(maxLevel << (8 - 2 * depth));
        }
        test::PngOptions options;
        options.colorType = PNG_COLOR_TYPE_GRAY;
        options.bitDepth = depth;
        const PixelImageBuffer buffer = PixelImageBuffer::load(test::encodePng(2, 1, {row}, options), 2048);
        ASSERT_EQ(buffer.width, 2);
        EXPECT_EQ(pixelAt(buffer, 0, 0), (RGB{0, 0, 0}));
        EXPECT_EQ(pixelAt(buffer, 1, 0), (RGB{255, 255, 255}));
    }

    // 16-bit RGB: the high byte carries the value.
    test::PngOptions rgb16;
    rgb16.colorType = PNG_COLOR_TYPE_RGB;
    rgb16.bitDepth = 16;
    PixelImageBuffer buffer =
        PixelImageBuffer::load(test::encodePng(1, 1, {{0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF}}, rgb16), 2048);
    EXPECT_EQ(pixelAt(buffer, 0, 0), (RGB{0x12, 0x80, 0xFF}));

    // Grey with alpha: half-transparent black becomes mid grey.
    test::PngOptions greyAlpha;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    buffer = PixelImageBuffer::load(test::encodePng(1, 1, {{0, 128}}, greyAlpha), 2048);
    EXPECT_EQ(pixelAt(buffer, 0, 0), (RGB{127, 127, 127}));

    // A palette with a transparent entry.
    test::PngOptions palette;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {red, blue};
    palette.transparency = {255, 0};
    buffer = PixelImageBuffer::load(test::encodePng(2, 1, {{0, 1}}, palette), 2048);
    EXPECT_EQ(pixelAt(buffer, 0, 0), red);
    EXPECT_EQ(pixelAt(buffer, 1, 0), (RGB{255, 255, 255}));
    expectOpaqueAndComplete(buffer);
}

TEST(PixelImageBufferLoad, InterlacedPngMatchesTheSamePictureStraight) {
    const int width = 37, height = 23;
    std::vector<Bytes> rows(height, Bytes(std::size_t(width) * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rows[y][x * 3] = std::uint8_t(x * 7);
            rows[y][x * 3 + 1] = std::uint8_t(y * 11);
            rows[y][x * 3 + 2] = std::uint8_t((x * y) & 0xFF);
        }
    test::PngOptions options;
    options.colorType = PNG_COLOR_TYPE_RGB;
    const PixelImageBuffer straight =
        PixelImageBuffer::load(test::encodePng(width, height, rows, options), 20);
    options.interlaced = true;
    const PixelImageBuffer interlaced =
        PixelImageBuffer::load(test::encodePng(width, height, rows, options), 20);
    ASSERT_EQ(interlaced.width, 20);
    ASSERT_EQ(interlaced.height, 12);
    EXPECT_EQ(*interlaced.rgba, *straight.rgba);
    const PixelImageBuffer full = PixelImageBuffer::load(test::encodePng(width, height, rows, options), 2048);
    EXPECT_EQ(pixelAt(full, 30, 20), (RGB{210, 220, 600 & 0xFF}));
}

TEST(PixelImageBufferLoad, PngExifOrientationIsApplied) {
    test::PngOptions options;
    options.colorType = PNG_COLOR_TYPE_RGB;
    Bytes exif = test::exifWithOrientation(8, true);
    options.exif.assign(exif.begin() + 6, exif.end());
    // Stored 2 wide, 3 high; orientation 8 shows it 3 wide, 2 high.
    std::vector<Bytes> rows = {{1, 0, 0, 2, 0, 0}, {3, 0, 0, 4, 0, 0}, {5, 0, 0, 6, 0, 0}};
    const PixelImageBuffer buffer = PixelImageBuffer::load(test::encodePng(2, 3, rows, options), 2048);
    ASSERT_EQ(buffer.width, 3);
    ASSERT_EQ(buffer.height, 2);
    // Row 0 on the left, column 0 at the bottom.
    EXPECT_EQ(pixelAt(buffer, 0, 0).red, 2);
    EXPECT_EQ(pixelAt(buffer, 2, 0).red, 6);
    EXPECT_EQ(pixelAt(buffer, 0, 1).red, 1);
    EXPECT_EQ(pixelAt(buffer, 2, 1).red, 5);
}

// A chunk of `type` whose length field claims `claimed` bytes, followed by `data`.
Bytes pngChunk(const char* type, std::uint32_t claimed, const Bytes& data) {
    Bytes chunk = {std::uint8_t(claimed >> 24), std::uint8_t(claimed >> 16), std::uint8_t(claimed >> 8),
                   std::uint8_t(claimed)};
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

TEST(PixelImageBufferLoad, AChunkClaimingMoreThanTheFileHoldsIsRefusedBeforeReading) {
    const Bytes png = test::encodeRgbaPng(6, 4, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 40), std::uint8_t(y * 60), 9, 255};
    });
    ASSERT_TRUE(image_decoding::pngChunksFitTheData(png));
    const std::size_t afterHeader = 8 + 8 + 13 + 4;
    // A text chunk that says 1.6 GB in a file of a few hundred bytes: libpng
    // would reserve the whole claim before finding the data short.
    for (const char* type : {"tEXt", "eXIf", "iCCP", "zzZz"}) {
        Bytes damaged = png;
        const Bytes chunk = pngChunk(type, 1'627'389'989u, Bytes(20, 'x'));
        damaged.insert(damaged.begin() + std::ptrdiff_t(afterHeader), chunk.begin(), chunk.end());
        EXPECT_FALSE(image_decoding::pngChunksFitTheData(damaged)) << type;
        EXPECT_EQ(loadError(damaged), Error::invalidImage) << type;
    }
    // Cut in the middle of its pixel data, the file is the decoder's to judge.
    const Bytes cut(png.begin(), png.end() - 20);
    EXPECT_TRUE(image_decoding::pngChunksFitTheData(cut));
    // A chunk that ends exactly at the end of the data fits; one byte more does not.
    Bytes exact(png.begin(), png.begin() + std::ptrdiff_t(afterHeader));
    const Bytes last = pngChunk("tEXt", 4, {'a', 0, 'b', 'c', 1, 2, 3, 4});
    exact.insert(exact.end(), last.begin(), last.end());
    EXPECT_TRUE(image_decoding::pngChunksFitTheData(exact));
    exact.pop_back();
    EXPECT_FALSE(image_decoding::pngChunksFitTheData(exact));
    // Anything not a PNG is not this check's business.
    EXPECT_TRUE(image_decoding::pngChunksFitTheData(Bytes{0xFF, 0xD8, 0xFF}));
}

TEST(PixelImageBufferLoad, NonImagesAndDamagedFilesAreInvalid) {
    const std::string text = "Glimora notes: this is plain text, not a photo.\n";
    EXPECT_EQ(loadError(Bytes(text.begin(), text.end())), Error::invalidImage);
    EXPECT_EQ(loadError({}), Error::invalidImage);
    EXPECT_EQ(loadError({0xFF, 0xD8, 0xFF}), Error::invalidImage);
    EXPECT_EQ(loadError({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), Error::invalidImage);

    const Bytes jpeg = test::encodeJpeg(120, 80, [](int x, int y) { return quadrants(x, y, 120, 80); });
    const Bytes png = test::encodeRgbaPng(120, 80, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x), std::uint8_t(y), 9, std::uint8_t(x + y)};
    });
    for (const Bytes* file : {&jpeg, &png}) {
        for (double fraction : {0.02, 0.1, 0.3, 0.5, 0.8, 0.95}) {
            const Bytes cut(file->begin(), file->begin() + std::ptrdiff_t(double(file->size()) * fraction));
            EXPECT_EQ(loadError(cut), Error::invalidImage) << fraction;
        }
    }
    // A PNG whose image data fails its checksum.
    Bytes badCrc = png;
    for (std::size_t i = 8; i + 8 < badCrc.size(); ++i) {
        if (std::equal(badCrc.begin() + std::ptrdiff_t(i), badCrc.begin() + std::ptrdiff_t(i + 4), "IDAT")) {
            badCrc[i + 10] ^= 0x55;
            break;
        }
    }
    EXPECT_EQ(loadError(badCrc), Error::invalidImage);
    // A JPEG whose entropy-coded data is overwritten by a marker-like run.
    Bytes badScan = jpeg;
    std::fill(badScan.end() - 200, badScan.end() - 120, 0xFF);
    EXPECT_EQ(loadError(badScan), Error::invalidImage);
}

TEST(PixelImageBufferLoad, RandomDamageNeverBreaksTheBuffer) {
    const Bytes jpeg = test::encodeJpeg(64, 48, [](int x, int y) { return quadrants(x, y, 64, 48); });
    test::JpegOptions progressive;
    progressive.progressive = true;
    const Bytes pjpeg = test::encodeJpeg(
        64, 48, [](int x, int y) { return quadrants(x, y, 64, 48); }, progressive);
    const Bytes png = test::encodeRgbaPng(64, 48, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 3), std::uint8_t(y * 5), 0, 200};
    });
    std::mt19937 random(20240501);
    int decoded = 0;
    int refused = 0;
    for (const Bytes* file : {&jpeg, &pjpeg, &png}) {
        for (int trial = 0; trial < 300; ++trial) {
            Bytes damaged = *file;
            const int hits = 1 + int(random() % 4);
            for (int k = 0; k < hits; ++k) damaged[random() % damaged.size()] = std::uint8_t(random());
            try {
                const PixelImageBuffer buffer = PixelImageBuffer::load(damaged, 32);
                expectOpaqueAndComplete(buffer);
                EXPECT_LE(std::max(buffer.width, buffer.height), 32);
                ++decoded;
            } catch (Error error) {
                EXPECT_EQ(error, Error::invalidImage);
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

// A PNG signature and IHDR declaring the size, followed by nothing.
Bytes pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    test::PngOptions options;
    options.colorType = PNG_COLOR_TYPE_GRAY;
    Bytes png = test::encodePng(1, 1, {{0}}, options);
    // Rewrite IHDR's width and height; libpng checks the CRC, so fix it too.
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        png[at] = std::uint8_t(v >> 24);
        png[at + 1] = std::uint8_t(v >> 16);
        png[at + 2] = std::uint8_t(v >> 8);
        png[at + 3] = std::uint8_t(v);
    };
    put32(16, width);
    put32(20, height);
    put32(29, std::uint32_t(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST(PixelImageBufferLoad, OversizedDeclarationsAreRefusedUpFront) {
    EXPECT_EQ(loadError(pngHeaderOnly(70000, 10)), Error::invalidImage);
    EXPECT_EQ(loadError(pngHeaderOnly(20000, 20000)), Error::invalidImage);  // 4e8 pixels
    EXPECT_EQ(loadError(pngHeaderOnly(16384, 16384)), Error::invalidImage);  // allowed size, but no data

    // A JPEG whose frame header claims 60000 x 60000.
    Bytes jpeg = test::encodeJpeg(16, 16, [](int, int) { return red; });
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 0xEA;
            jpeg[i + 6] = 0x60;
            jpeg[i + 7] = 0xEA;
            jpeg[i + 8] = 0x60;
            break;
        }
    }
    EXPECT_EQ(loadError(jpeg), Error::invalidImage);
}

TEST(PixelImageBufferLoad, TellsWhichFormatsItReads) {
    const Bytes jpeg = test::encodeJpeg(8, 8, [](int, int) { return red; });
    const Bytes png = test::encodeRgbaPng(1, 1, [](int, int) {
        return std::array<std::uint8_t, 4>{1, 2, 3, 4};
    });
    EXPECT_TRUE(PixelImageBuffer::canDecode(jpeg));
    EXPECT_TRUE(PixelImageBuffer::canDecode(png));
    const std::string gif = "GIF89a....";
    EXPECT_FALSE(PixelImageBuffer::canDecode(Bytes(gif.begin(), gif.end())));
    EXPECT_FALSE(PixelImageBuffer::canDecode({}));
}

TEST(PixelImageBufferSample, NearestPixelRoundsHalfAwayFromZero) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(Bytes{
        10,
        0,
        0,
        255,
        20,
        0,
        0,
        255,  //
        30,
        0,
        0,
        255,
        40,
        0,
        0,
        255,
    });
    const PixelImageBuffer buffer{2, 2, bytes};
    EXPECT_EQ(buffer.sampleColor(0, 0).red, 10);
    EXPECT_EQ(buffer.sampleColor(1, 1).red, 40);
    EXPECT_EQ(buffer.sampleColor(0.5, 0.5).red, 40);
    EXPECT_EQ(buffer.sampleColor(0.49, 0.5).red, 30);
    EXPECT_EQ(buffer.sampleColor(-4, 9).red, 30);
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(buffer.sampleColor(nan, nan).red, 10);
    EXPECT_EQ(buffer.sampleColor(inf, -inf).red, 10);
    EXPECT_EQ(buffer.sampleColor(1e300, 0).red, 20);
}

TEST(PixelImageBufferSample, MissingPixelsAreBlack) {
    // Declared 2 x 2 but only three pixels present.
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(Bytes{
        10,
        1,
        1,
        255,
        20,
        2,
        2,
        255,
        30,
        3,
        3,
        255,
        40,
        4,
    });
    const PixelImageBuffer shortBuffer{2, 2, bytes};
    EXPECT_EQ(shortBuffer.sampleColor(0, 1), (RGB{30, 3, 3}));
    EXPECT_EQ(shortBuffer.sampleColor(1, 1), (RGB{}));
    EXPECT_EQ(PixelImageBuffer{}.sampleColor(0.5, 0.5), (RGB{}));
    EXPECT_EQ((PixelImageBuffer{3, 3, nullptr}.sampleColor(0.5, 0.5)), (RGB{}));
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ((PixelImageBuffer{huge, huge, bytes}.sampleColor(1, 1)), (RGB{}));
}

}  // namespace
}  // namespace glimora
