// JPEG photos come from anywhere: the core decoder (with the EXIF orientation
// reader and the ICC profile of its APP2 segments) either returns an upright,
// opaque, fitted picture or refuses with PixelizerError::invalidImage.
#include <cstddef>
#include <cstdint>
#include <span>

#include "render/image_decoding.hpp"
#include "tests/fuzz/image_decoder_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const int orientation = glimora::image_decoding::exifOrientation(bytes);
    GLIMORA_FUZZ_CHECK(orientation >= 1 && orientation <= 8);
    constexpr int maxPixelSize = 96;
    // Profiles and gamma go through Little CMS; what cannot be used is noted.
    glimora::DecodeNotes notes;
    glimora::fuzz::checkCoreDecoder(
        [bytes, &notes](int size) { return glimora::image_decoding::decodeJpeg(bytes, size, &notes); }, maxPixelSize);
    return 0;
}
