#include "platform/qt/qt_image_decoder.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora {

namespace {

// A reader over the bytes in place; it lives where it is made.
struct BytesReader {
    explicit BytesReader(std::span<const std::uint8_t> data)
        : bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()))),
          device(&bytes) {
        device.open(QIODevice::ReadOnly);
        reader.setDevice(&device);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
    }
    QByteArray bytes;
    QBuffer device;
    QImageReader reader;
};

void note(DecodeNotes* notes, std::string text) {
    if (notes) notes->push_back(std::move(text));
}

std::string pixelsText(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Bytes a picture of this many pixels takes in the image format the reader
// names (four a pixel when it names none before decoding).
std::int64_t fullSizeBytes(std::int64_t pixels, QImage::Format format) {
    const int bits = format == QImage::Format_Invalid ? 0 : int(QImage::toPixelFormat(format).bitsPerPixel());
    return pixels * (bits > 0 ? bits : 32) / 8;
}

// Qt paints a GIF's frames on a canvas of its logical screen's size, which
// may be far larger than the frame size the reader reports.
QSize gifScreen(std::span<const std::uint8_t> data) {
    if (data.size() < 10 || std::memcmp(data.data(), "GIF8", 4) != 0) return {};
    return {data[6] | data[7] << 8, data[8] | data[9] << 8};
}

std::optional<QtPictureRefusal> judge(std::span<const std::uint8_t> data, QImageReader& reader, DecodeNotes* notes) {
    if (!image_decoding::pngChunksFitTheData(data)) {
        note(notes, "a chunk of it claims more bytes than the file holds");
        return QtPictureRefusal::chunkBeyondData;
    }
    if (image_decoding::jpegScanCount(data, image_decoding::maxJpegScans) > image_decoding::maxJpegScans) {
        note(notes, "it has more than " + std::to_string(image_decoding::maxJpegScans) + " scans");
        return QtPictureRefusal::tooManyScans;
    }
    // The size the header declares. A format that cannot tell it before
    // decoding is held to Qt's allocation limit alone.
    const QSize declared = reader.size().expandedTo(gifScreen(data));
    if (!declared.isValid()) return std::nullopt;
    const std::int64_t width = declared.width(), height = declared.height();
    if (!image_decoding::declaredSizeFits(width, height, notes)) return QtPictureRefusal::tooManyPixels;
    const std::int64_t pixels = width * height;
    if (pixels > qtPixelsFreeOfBytes && pixels > std::int64_t(data.size()) * qtPixelsPerByte) {
        note(notes, "it declares " + pixelsText(width, height) + " in only " + std::to_string(data.size()) + " bytes");
        return QtPictureRefusal::pixelsBeyondData;
    }
    if (!reader.supportsOption(QImageIOHandler::ScaledSize) &&
        fullSizeBytes(pixels, reader.imageFormat()) > qtFullSizeBytes) {
        note(notes, "it declares " + pixelsText(width, height) + ", more than its format can be read whole into " +
                        std::to_string(qtFullSizeBytes >> 20) + " MiB");
        return QtPictureRefusal::tooLargeAtFullSize;
    }
    return std::nullopt;
}

// Qt's own ceiling on what a reader allocates, raised from its default
// (128 MiB in Qt 6.4) to the bound above; the judgement keeps every picture
// that declares its size within it before Qt allocates anything.
void allowFullSizePictures() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(int(qtFullSizeBytes >> 20) + 1); });
}

// The colour space Qt reports, converted by the core's Little CMS; nothing
// for sRGB and for pictures that carry none.
std::optional<image_decoding::SrgbTransform> toSrgb(const QImage& image, DecodeNotes* notes) {
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) return std::nullopt;
    const QByteArray profile = space.iccProfile();
    image_decoding::SourceColors colors;
    colors.iccProfile.assign(profile.begin(), profile.end());
    if (colors.iccProfile.empty()) {
        note(notes, "its colour space cannot be written as a profile");
        return std::nullopt;
    }
    return image_decoding::srgbTransform(colors, image_decoding::SourcePixels::rgba, notes);
}

// The decoded picture streamed into the resampler a strip at a time, so no
// second full-size copy exists beside Qt's.
PixelImageBuffer resampled(const QImage& image, image_decoding::Size target,
                           const std::optional<image_decoding::SrgbTransform>& colors) {
    const image_decoding::Size picture{image.width(), image.height()};
    image_decoding::ImageResampler resampler(picture, target, 1);
    std::vector<std::uint8_t> row(std::size_t(picture.width) * 3);
    constexpr int stripRows = 64;
    for (int y = 0; y < image.height(); y += stripRows) {
        const int rows = std::min(stripRows, image.height() - y);
        QImage strip(image.constScanLine(y), image.width(), rows, image.bytesPerLine(), image.format());
        if (image.colorCount() > 0) strip.setColorTable(image.colorTable());
        strip = strip.convertToFormat(QImage::Format_RGBA8888);
        if (strip.isNull()) throw std::bad_alloc();
        for (int k = 0; k < rows; ++k) {
            image_decoding::flattenRow(strip.constScanLine(k), row.data(), std::size_t(picture.width));
            resampler.pushRow(row.data());
        }
    }
    return resampler.finish(colors);
}

}  // namespace

std::optional<QtPictureRefusal> qtPictureRefusal(std::span<const std::uint8_t> data, DecodeNotes* notes) {
    BytesReader source(data);
    return judge(data, source.reader, notes);
}

std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize,
                                                    DecodeNotes* notes) {
    if (data.empty() || data.size() > std::size_t(INT32_MAX)) return std::nullopt;
    allowFullSizePictures();
    BytesReader source(data);
    if (!source.device.isOpen() || judge(data, source.reader, notes)) return std::nullopt;
    const std::int64_t limit = std::clamp<std::int64_t>(maxPixelSize, 1, PixelImageBuffer::maxDeclaredSide);
    // Where the format reads scaled (JPEG, SVG), the picture is never whole in memory.
    const QSize declared = source.reader.size();
    if (declared.isValid() && source.reader.supportsOption(QImageIOHandler::ScaledSize) &&
        std::max(declared.width(), declared.height()) > limit) {
        const auto fitted = image_decoding::fittedSize({declared.width(), declared.height()}, limit);
        source.reader.setScaledSize(QSize(int(fitted.width), int(fitted.height)));
    }
    try {
        QImage image;
        if (!source.reader.read(&image) || image.isNull()) return std::nullopt;
        if (!image_decoding::declaredSizeFits(image.width(), image.height(), notes)) return std::nullopt;
        const image_decoding::Size picture{image.width(), image.height()};
        return resampled(image, image_decoding::fittedSize(picture, limit), toSrgb(image, notes));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<PixelImageBuffer> decodePictureWithQtFallback(std::span<const std::uint8_t> data, int maxPixelSize,
                                                            DecodeNotes* notes) {
    if (PixelImageBuffer::canDecode(data)) {
        DecodeNotes core;
        try {
            auto picture = PixelImageBuffer::load(data, maxPixelSize, &core);
            if (notes) notes->insert(notes->end(), core.begin(), core.end());
            return picture;
        } catch (ImagePixelizer::PixelizerError) {
            // Qt's readers are more forgiving of some damaged files; they
            // judge the file again and say so themselves if they refuse it.
        }
    }
    return decodePictureWithQt(data, maxPixelSize, notes);
}

}  // namespace glimora
