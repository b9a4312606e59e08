// Pictures in the other formats (GIF, ICO, SVG, BMP, ...) go through Qt's
// readers under the same size caps as the core's: any bytes either give an
// opaque, fitted picture or nothing. The fallback path tries the core first.
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/qt/qt_image_decoder.hpp"
#include "tests/fuzz/image_decoder_checks.hpp"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The SVG reader needs a GUI application; no display is needed for that.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    constexpr int maxPixelSize = 96;
    // The colour space Qt reports goes through Little CMS.
    glimora::DecodeNotes notes;
    if (const auto picture = glimora::decodePictureWithQt(bytes, maxPixelSize, &notes))
        glimora::fuzz::checkDecodedPicture(*picture, maxPixelSize);
    if (const auto picture = glimora::decodePictureWithQtFallback(bytes, maxPixelSize, &notes))
        glimora::fuzz::checkDecodedPicture(*picture, maxPixelSize);
    return 0;
}
