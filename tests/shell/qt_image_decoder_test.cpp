#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <chrono>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

#include "app/app_delegate.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "render/image_pixelizer.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encoded(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer device(&data);
    device.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&device, format));
    return Bytes(data.begin(), data.end());
}

QImage pattern(int width, int height, bool withAlpha) {
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        auto* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 4 + 0] = std::uint8_t(x * 7 + y);
            row[x * 4 + 1] = std::uint8_t(y * 5);
            row[x * 4 + 2] = std::uint8_t((x ^ y) * 3);
            row[x * 4 + 3] = withAlpha ? std::uint8_t(x * 11 % 256) : 255;
        }
    }
    return image;
}

std::optional<PixelImageBuffer> core(const Bytes& data, int maxPixelSize) {
    try {
        return PixelImageBuffer::load(data, maxPixelSize);
    } catch (ImagePixelizer::PixelizerError) {
        return std::nullopt;
    }
}

void expectSamePixels(const std::optional<PixelImageBuffer>& a, const std::optional<PixelImageBuffer>& b) {
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width, b->width);
    EXPECT_EQ(a->height, b->height);
    EXPECT_TRUE(std::ranges::equal(a->bytes(), b->bytes()));
}

TEST(QtImageDecoder, OtherFormatsScaleAndFlattenExactlyAsTheCoreDoes) {
    // The same pixels as BMP (Qt's reader) and as PNG (the core's).
    const QImage opaque = pattern(300, 130, false);
    const auto bmp = decodePictureWithQtFallback(encoded(opaque, "BMP"), 128);
    expectSamePixels(bmp, core(encoded(opaque, "PNG"), 128));
    EXPECT_EQ(bmp->width, 128);
    EXPECT_EQ(bmp->height, 55);

    // Transparency goes over white with the core's rounding.
    const Bytes translucent = encoded(pattern(40, 30, true), "PNG");
    expectSamePixels(decodePictureWithQt(translucent, 2048), core(translucent, 2048));
}

TEST(QtImageDecoder, TheApplicationsModelDecodesThroughIt) {
    const auto environment = AppDelegate::Environment::system();
    const auto& decode = environment.modelServices.decodeImage;
    ASSERT_TRUE(decode);
    const QImage opaque = pattern(50, 20, false);
    expectSamePixels(decode(encoded(opaque, "BMP"), 2048, nullptr), core(encoded(opaque, "PNG"), 2048));
}

// The PNG with an eXIf chunk (orientation 6: turn a quarter clockwise) after
// its header. The core turns the picture upright; Qt's PNG reader does not
// read eXIf, so the two decoders give pictures of different shapes.
Bytes withExifOrientation6(Bytes png) {
    const std::uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0,  // little-endian header, first directory at 8
                                 1, 0,                          // one entry:
                                 0x12, 0x01, 3, 0, 1, 0, 0, 0,  // Orientation, SHORT, count 1,
                                 6, 0, 0, 0,                    // value 6
                                 0, 0, 0, 0};                   // no next directory
    Bytes chunk = {0, 0, 0, std::uint8_t(sizeof tiff), 'e', 'X', 'I', 'f'};
    chunk.insert(chunk.end(), std::begin(tiff), std::end(tiff));
    const auto crc = std::uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4)));
    for (int shift : {24, 16, 8, 0}) chunk.push_back(std::uint8_t(crc >> shift));
    const std::size_t afterHeader = 8 + 8 + 13 + 4;  // signature, IHDR length and type, data, CRC
    png.insert(png.begin() + std::ptrdiff_t(afterHeader), chunk.begin(), chunk.end());
    return png;
}

TEST(QtImageDecoder, CoreFormatsGoThroughTheCore) {
    const Bytes png = withExifOrientation6(encoded(pattern(64, 48, true), "PNG"));
    const auto fromCore = core(png, 32);
    ASSERT_TRUE(fromCore);
    EXPECT_EQ(fromCore->width, 24);
    EXPECT_EQ(fromCore->height, 32);
    const auto fromQt = decodePictureWithQt(png, 32);
    ASSERT_TRUE(fromQt);
    ASSERT_NE(fromQt->width, fromCore->width) << "the two decoders must differ on this input";
    expectSamePixels(decodePictureWithQtFallback(png, 32), fromCore);
}

TEST(QtImageDecoder, PicturesBeyondTheLimitsAndNonPicturesAreRefused) {
    const std::string text = "just some text, no picture";
    EXPECT_FALSE(decodePictureWithQtFallback(Bytes(text.begin(), text.end()), 2048));
    EXPECT_FALSE(decodePictureWithQtFallback({}, 2048));

    // Netpbm files with all their pixel data: Qt's reader would decode them.
    const auto netpbm = [](const std::string& header, std::size_t dataBytes) {
        Bytes bytes(header.begin(), header.end());
        bytes.resize(bytes.size() + dataBytes, 0x80);
        return bytes;
    };
    // 2^28 + 2^14 pixels, one bit each: small as a file, 1 GiB once decoded.
    EXPECT_FALSE(decodePictureWithQtFallback(netpbm("P4\n16385 16384\n", 16384 * 2049), 2048));
    // A side longer than any picture the core reads.
    EXPECT_FALSE(decodePictureWithQtFallback(netpbm("P6\n70000 1\n255\n", 70000 * 3), 2048));
    // Qt's own limit, judged from the header.
    EXPECT_FALSE(qtPictureRefusal(netpbm("P6\n4096 4096\n255\n", 0)));
    EXPECT_EQ(qtPictureRefusal(netpbm("P6\n4097 4096\n255\n", 0)), QtPictureRefusal::tooManyPixels);
    const auto ppm = [&netpbm](const std::string& header) { return netpbm(header, 64); };
    // A readable one of the same kind.
    const auto small = decodePictureWithQtFallback(ppm("P6\n4 2\n255\n"), 2048);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 4);
    EXPECT_EQ(small->bytes()[0], 0x80);
    EXPECT_EQ(small->bytes()[3], 255);
}

// Files of a few hundred bytes that Qt would spend seconds on: refused from
// their headers, before the fallback lets Qt decode anything.
TEST(QtImageDecoder, CostlyPicturesAreRefusedBeforeDecoding) {
    const auto refusedFast = [](const Bytes& bytes, QtPictureRefusal reason, const char* what) {
        EXPECT_EQ(qtPictureRefusal(bytes), reason) << what;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(decodePictureWithQtFallback(bytes, 2048)) << what;
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        std::cout << what << ": refused in " << took.count() << " ms\n";
    };
    const std::filesystem::path finds = GLIMORA_TEST_DATA "/../fuzz/corpus/qt_image_decoder";
    // 11776 x 12289 pixels declared in 31 bytes.
    refusedFast(test::readFile(finds / "tall-gif-declares-11776x12289"), QtPictureRefusal::tooManyPixels, "GIF");
    // A baseline JPEG declaring 2072 x 65281 pixels, cut off after 40 bytes
    // of scan: libjpeg would fill all 135 million pixels in grey.
    refusedFast(test::readFile(finds / "jpeg-slow-through-qt"), QtPictureRefusal::tooManyPixels, "cut JPEG");

    // A progressive JPEG whose last scan is repeated: libjpeg walks every
    // block again for each repeat. The core stops at the same count.
    QByteArray progressive;
    QBuffer device(&progressive);
    device.open(QIODevice::WriteOnly);
    QImageWriter writer(&device, "jpeg");
    writer.setProgressiveScanWrite(true);
    QImage flat(64, 64, QImage::Format_RGB32);
    flat.fill(Qt::gray);
    ASSERT_TRUE(writer.write(flat));
    Bytes jpeg(progressive.begin(), progressive.end());
    EXPECT_FALSE(qtPictureRefusal(jpeg));
    EXPECT_TRUE(decodePictureWithQtFallback(jpeg, 2048));
    const std::uint8_t startOfScan[] = {0xFF, 0xDA};
    const Bytes lastScan(std::find_end(jpeg.begin(), jpeg.end(), std::begin(startOfScan), std::end(startOfScan)),
                         jpeg.end() - 2);  // up to the end-of-image marker
    for (int repeat = 0; repeat < 500; ++repeat) jpeg.insert(jpeg.end() - 2, lastScan.begin(), lastScan.end());
    refusedFast(jpeg, QtPictureRefusal::tooManyScans, "JPEG of 500 scans more");
}

}  // namespace
}  // namespace glimora
