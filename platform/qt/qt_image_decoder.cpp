#include "platform/qt/qt_image_decoder.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <new>
#include <vector>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora {

namespace {

bool withinLimits(QSize size) {
    const std::int64_t width = size.width(), height = size.height();
    return width >= 1 && height >= 1 && width <= PixelImageBuffer::maxDeclaredSide &&
           height <= PixelImageBuffer::maxDeclaredSide && width * height <= maxQtDecodedPixels;
}

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

std::optional<QtPictureRefusal> refusalOf(std::span<const std::uint8_t> data, QImageReader& reader) {
    if (!image_decoding::pngChunksFitTheData(data)) return QtPictureRefusal::chunkBeyondData;
    if (image_decoding::jpegScanCount(data, image_decoding::maxJpegScans) > image_decoding::maxJpegScans)
        return QtPictureRefusal::tooManyScans;
    // The size the header declares. A format that cannot tell it before
    // decoding is checked after, within Qt's own allocation limit.
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimits(declared)) return QtPictureRefusal::tooManyPixels;
    return std::nullopt;
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
        if (notes) notes->push_back("its colour space cannot be written as a profile");
        return std::nullopt;
    }
    return image_decoding::srgbTransform(colors, image_decoding::SourcePixels::rgba, notes);
}

}  // namespace

std::optional<QtPictureRefusal> qtPictureRefusal(std::span<const std::uint8_t> data) {
    BytesReader source(data);
    return refusalOf(data, source.reader);
}

std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize,
                                                    DecodeNotes* notes) {
    if (data.empty() || data.size() > std::size_t(INT32_MAX)) return std::nullopt;
    BytesReader source(data);
    if (!source.device.isOpen() || refusalOf(data, source.reader)) return std::nullopt;
    QImage image;
    try {
        if (!source.reader.read(&image) || image.isNull() || !withinLimits(image.size())) return std::nullopt;
        const auto colors = toSrgb(image, notes);
        image.convertTo(QImage::Format_RGBA8888);
        if (image.isNull()) return std::nullopt;
        const image_decoding::Size picture{image.width(), image.height()};
        const std::int64_t limit = std::clamp<std::int64_t>(maxPixelSize, 1, PixelImageBuffer::maxDeclaredSide);
        image_decoding::ImageResampler resampler(picture, image_decoding::fittedSize(picture, limit), 1);
        std::vector<std::uint8_t> row(std::size_t(picture.width) * 3);
        for (int y = 0; y < image.height(); ++y) {
            image_decoding::flattenRow(image.constScanLine(y), row.data(), std::size_t(picture.width));
            resampler.pushRow(row.data());
        }
        return resampler.finish(colors);
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
            // Qt's readers are more forgiving of some damaged files.
        }
    }
    return decodePictureWithQt(data, maxPixelSize, notes);
}

}  // namespace glimora
