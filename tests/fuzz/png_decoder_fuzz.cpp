// PNG pictures come from anywhere and back every photo recipe: the core
// decoder (with the iCCP profile, gamma and chromaticities) either returns an
// opaque, fitted, upright picture or refuses with PixelizerError::invalidImage.
#include <cstddef>
#include <cstdint>
#include <span>

#include "render/image_decoding.hpp"
#include "tests/fuzz/image_decoder_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    constexpr int maxPixelSize = 96;
    // Profiles and gamma go through Little CMS; what cannot be used is noted.
    glimora::DecodeNotes notes;
    glimora::fuzz::checkCoreDecoder(
        [bytes, &notes](int size) { return glimora::image_decoding::decodePng(bytes, size, &notes); }, maxPixelSize);
    return 0;
}
