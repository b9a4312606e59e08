#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageWriter>

#include <future>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <zlib.h>

#include "app/app_delegate.hpp"
#include "platform/qt/qt_file_dialogs.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "render/image_pixelizer.hpp"
#include "tests/state/model_harness.hpp"
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

// Camera photos, 6000 x 4000, in every format a camera or a photo editor
// writes that only Qt reads (TIFF, WebP, BMP) and in the two the core reads,
// imported as the application does: each at the import size, the right way
// round, its colours where they were.
TEST(QtImageDecoder, CameraSizedPicturesOfEveryFormatImportAtTheImportSize) {
    constexpr int width = 6000, height = 4000;
    QImage photo(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 96);
    }
    test::TempDir folder;
    const std::vector<std::pair<const char*, const char*>> formats = {
        {"photo.jpg", "JPEG"}, {"photo.png", "PNG"}, {"photo.tif", "TIFF"}, {"photo.webp", "WEBP"}, {"photo.bmp", "BMP"}};
    // Written side by side: encoding is what takes the time here.
    std::vector<std::future<bool>> writes;
    for (const auto& [name, format] : formats) {
        writes.push_back(std::async(std::launch::async, [&photo, file = folder.path() / name, format] {
            QImageWriter writer(QString::fromStdString(file.string()), format);
            if (std::string_view(format) == "PNG") writer.setQuality(90);  // the fastest zlib level
            return writer.write(photo);
        }));
    }
    std::vector<std::filesystem::path> files;
    for (std::size_t k = 0; k < formats.size(); ++k) {
        ASSERT_TRUE(writes[k].get()) << formats[k].second;
        files.push_back(folder.path() / formats[k].first);
    }

    test::ModelHarness harness;
    harness.decoder = AppDelegate::Environment::system().modelServices.decodeImage;
    const auto model = harness.make();
    model->importImageFiles(files);
    EXPECT_EQ(model->imageStatus(), "Added 5 images \u00B7 5 total");
    ASSERT_EQ(model->imageAssets().size(), formats.size());
    for (std::size_t k = 0; k < formats.size(); ++k) {
        const PixelImageBuffer& picture = model->imageAssets()[k].buffer;
        EXPECT_EQ(picture.width, 2048) << formats[k].first;
        EXPECT_EQ(picture.height, 1365) << formats[k].first;
        // Top right is red, bottom left green; the lossy formats come close.
        for (const auto& [x, y] : {std::pair{0.95, 0.05}, std::pair{0.05, 0.95}, std::pair{0.5, 0.5}}) {
            const RGB pixel = picture.sampleColor(x, y);
            EXPECT_NEAR(pixel.red, 255 * x, 4) << formats[k].first << " at " << x << ", " << y;
            EXPECT_NEAR(pixel.green, 255 * y, 4) << formats[k].first << " at " << x << ", " << y;
            EXPECT_NEAR(pixel.blue, 96, 4) << formats[k].first << " at " << x << ", " << y;
        }
    }
    EXPECT_TRUE(harness.logger->lines.empty());
}

// A TIFF or WebP in Display P3 comes in as sRGB, as Qt itself would convert it.
TEST(QtImageDecoder, TheColourSpaceQtReportsBecomesSrgb) {
    QImage p3(8, 8, QImage::Format_RGB32);
    p3.fill(qRgb(200, 60, 30));
    p3.setColorSpace(QColorSpace::DisplayP3);
    const QRgb expected = p3.convertedToColorSpace(QColorSpace::SRgb).pixel(0, 0);
    for (const char* format : {"TIFF", "WEBP"}) {
        const auto picture = decodePictureWithQtFallback(encoded(p3, format), 2048);
        ASSERT_TRUE(picture) << format;
        const RGB pixel = picture->sampleColor(0.5, 0.5);
        EXPECT_NEAR(pixel.red, qRed(expected), 2) << format;
        EXPECT_NEAR(pixel.green, qGreen(expected), 2) << format;
        EXPECT_NEAR(pixel.blue, qBlue(expected), 2) << format;
    }
}

// The open dialog offers every format Qt reads that the decoder recognises
// by its bytes; a TGA file has no signature, so Qt's reader takes it for an
// icon and fails.
TEST(QtImageDecoder, TheOpenDialogListsWhatCanBeRead) {
    const QString filter = QtFileDialogs::nameFilters({FileDialogs::FileType::image}).value(0);
    const QStringList patterns = filter.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(' '));
    for (const char* needed : {"*.jpg", "*.png", "*.tif", "*.tiff", "*.webp", "*.bmp", "*.gif"})
        EXPECT_TRUE(patterns.contains(QLatin1String(needed))) << needed;
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    for (const QString& listed : patterns) {
        const QByteArray format = listed.mid(2).toLatin1();
        if (!writable.contains(format)) continue;
        EXPECT_TRUE(decodePictureWithQtFallback(encoded(pattern(40, 30, false), format.constData()), 2048))
            << format.constData();
    }
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0};  // 4 x 2, 24-bit, uncompressed
    tga.resize(tga.size() + 4 * 2 * 3, 0x80);
    EXPECT_FALSE(decodePictureWithQtFallback(tga, 2048));
    EXPECT_FALSE(patterns.contains(QStringLiteral("*.tga")));
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
    DecodeNotes notes;
    EXPECT_FALSE(decodePictureWithQtFallback(netpbm("P4\n16385 16384\n", 16384 * 2049), 2048, &notes));
    EXPECT_EQ(notes, DecodeNotes{"it declares 16385 x 16384 pixels; a picture may have at most 65535 on a side "
                                 "and 268435456 in all"});
    // A side longer than any picture the core reads.
    EXPECT_FALSE(decodePictureWithQtFallback(netpbm("P6\n70000 1\n255\n", 70000 * 3), 2048));
    // What a header declares is judged against the bytes that follow it.
    const Bytes whole = netpbm("P6\n5000 4000\n255\n", 5000 * 4000 * 3);
    EXPECT_FALSE(qtPictureRefusal(whole));
    EXPECT_FALSE(qtPictureRefusal(netpbm("P6\n2048 2048\n255\n", 0)));
    EXPECT_EQ(qtPictureRefusal(netpbm("P6\n2049 2048\n255\n", 0)), QtPictureRefusal::pixelsBeyondData);
    EXPECT_EQ(qtPictureRefusal(Bytes(whole.begin(), whole.begin() + 5000 * 4000 / 1024 - 1)),
              QtPictureRefusal::pixelsBeyondData);
    // Read whole, 8193 x 8193 pixels take more than the 256 MiB a 50-megapixel photo fits in.
    EXPECT_EQ(qtPictureRefusal(netpbm("P6\n8193 8193\n255\n", 8193 * 8193 / 1024 + 1)),
              QtPictureRefusal::tooLargeAtFullSize);
    const auto ppm = [&netpbm](const std::string& header) { return netpbm(header, 64); };
    // A readable one of the same kind.
    const auto small = decodePictureWithQtFallback(ppm("P6\n4 2\n255\n"), 2048);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 4);
    EXPECT_EQ(small->bytes()[0], 0x80);
    EXPECT_EQ(small->bytes()[3], 255);
}

// Files of a few hundred bytes that Qt would spend seconds on: refused from
// their headers, before the fallback lets Qt decode anything, saying why.
TEST(QtImageDecoder, CostlyPicturesAreRefusedBeforeDecoding) {
    const auto refused = [](const Bytes& bytes, QtPictureRefusal reason, const std::string& why) {
        DecodeNotes notes;
        EXPECT_EQ(qtPictureRefusal(bytes, &notes), reason) << why;
        EXPECT_EQ(notes, DecodeNotes{why});
        notes.clear();
        EXPECT_FALSE(decodePictureWithQtFallback(bytes, 2048, &notes)) << why;
        EXPECT_EQ(notes, DecodeNotes{why});
    };
    const std::filesystem::path finds = GLIMORA_TEST_DATA "/../fuzz/corpus/qt_image_decoder";
    refused(test::readFile(finds / "tall-gif-declares-11776x12289"), QtPictureRefusal::pixelsBeyondData,
            "it declares 11776 x 12289 pixels in only 31 bytes");
    // Qt's reader says 97 x 11777 for the frame but paints it on the logical
    // screen, of 2096 x 11777.
    refused(test::readFile(finds / "gif-screen-2096x11777-beyond-its-frame"), QtPictureRefusal::pixelsBeyondData,
            "it declares 2096 x 11777 pixels in only 27 bytes");
    // A baseline JPEG cut off after 40 bytes of scan: libjpeg would fill all
    // 135 million pixels in grey.
    refused(test::readFile(finds / "jpeg-slow-through-qt"), QtPictureRefusal::pixelsBeyondData,
            "it declares 2072 x 65281 pixels in only 340 bytes");
    refused(test::readFile(finds / "crash-png-text-chunk-claims-1.6-gb"), QtPictureRefusal::chunkBeyondData,
            "a chunk of it claims more bytes than the file holds");

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
    refused(jpeg, QtPictureRefusal::tooManyScans, "it has more than 500 scans");
}

}  // namespace
}  // namespace glimora
