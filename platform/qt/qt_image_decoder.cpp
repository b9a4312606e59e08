#include "platform/qt/qt_image_decoder.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora {

namespace {

// Straight alpha over opaque white, rounded, as the core's PNG decoder does.
bool withinLimits(QSize size) {
    const std::int64_t width = size.width(), height = size.height();
    return width >= 1 && height >= 1 && width <= PixelImageBuffer::maxDeclaredSide &&
           height <= PixelImageBuffer::maxDeclaredSide && width * height <= PixelImageBuffer::maxDeclaredPixels;
}

}  // namespace

std::optional<PixelImageBuffer> decodePictureWithQt(std::span<const std::uint8_t> data, int maxPixelSize) {
    if (data.empty() || data.size() > std::size_t(INT32_MAX)) return std::nullopt;
    if (!image_decoding::pngChunksFitTheData(data)) return std::nullopt;
    // Qt refuses images above 256 MB by default; the limits above allow up to
    // 2^28 pixels of four bytes, which the reader may then hold at once.
    static std::once_flag raisedLimit;
    std::call_once(raisedLimit, [] {
        const std::int64_t megabytes = PixelImageBuffer::maxDeclaredPixels * 4 / (1024 * 1024) + 1;
        QImageReader::setAllocationLimit(int(std::max<std::int64_t>(QImageReader::allocationLimit(), megabytes)));
    });
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer device(&bytes);
    if (!device.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // The declared size, read from the header: a picture beyond the limits is
    // never decoded. A format that cannot tell its size before decoding is
    // checked after, within the reader's own allocation limit.
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimits(declared)) return std::nullopt;
    QImage image;
    try {
        if (!reader.read(&image) || image.isNull() || !withinLimits(image.size())) return std::nullopt;
        image.convertTo(QImage::Format_RGBA8888);
        if (image.isNull()) return std::nullopt;
        const image_decoding::Size source{image.width(), image.height()};
        const std::int64_t limit = std::clamp<std::int64_t>(maxPixelSize, 1, PixelImageBuffer::maxDeclaredSide);
        image_decoding::ImageResampler resampler(source, image_decoding::fittedSize(source, limit), 1);
        std::vector<std::uint8_t> row(std::size_t(source.width) * 3);
        for (int y = 0; y < image.height(); ++y) {
            image_decoding::flattenRow(image.constScanLine(y), row.data(), std::size_t(source.width));
            resampler.pushRow(row.data());
        }
        return resampler.finish();
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<PixelImageBuffer> decodePictureWithQtFallback(std::span<const std::uint8_t> data, int maxPixelSize) {
    if (PixelImageBuffer::canDecode(data)) {
        try {
            return PixelImageBuffer::load(data, maxPixelSize);
        } catch (ImagePixelizer::PixelizerError) {
            // Qt's readers are more forgiving of some damaged files.
        }
    }
    return decodePictureWithQt(data, maxPixelSize);
}

}  // namespace glimora
