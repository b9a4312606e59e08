// Colour profiles come inside pictures from anywhere. The first byte picks
// the pixel layout and what the file says; the rest is an ICC profile, or
// PNG's gamma and chromaticities as nine floats. Either there is a transform
// that converts pixels, or there is none and, unless the colours are sRGB
// already, a reason for the log.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "render/srgb_transform.hpp"
#include "tests/fuzz/fuzz_check.hpp"

using namespace glimora::image_decoding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    const auto pixels = static_cast<SourcePixels>(mode & 3);
    SourceColors colors;
    if (mode & 4) {
        float values[9] = {};
        std::memcpy(values, rest.data(), std::min(sizeof values, rest.size()));
        if (mode & 8) colors.gamma = values[0];
        if (mode & 16)
            colors.chromaticities = {values[1], values[2], values[3], values[4],
                                     values[5], values[6], values[7], values[8]};
    } else {
        colors.iccProfile.assign(rest.begin(), rest.end());
    }
    std::string problem;
    const auto transform = SrgbTransform::make(colors, pixels, problem);
    const bool says = !colors.iccProfile.empty() || colors.gamma || colors.chromaticities;
    GLIMORA_FUZZ_CHECK(transform || !says || !problem.empty());
    GLIMORA_FUZZ_CHECK(!transform || problem.empty());
    if (!transform) return 0;
    // Every byte value of every channel, in and out of place.
    std::vector<std::uint8_t> in(256 * 4), out(256 * 4, 7);
    for (std::size_t k = 0; k < in.size(); ++k) in[k] = std::uint8_t(k * 73 >> 2);
    const bool cmyk = pixels == SourcePixels::cmyk || pixels == SourcePixels::invertedCmyk;
    transform->apply(in.data(), cmyk ? out.data() : in.data(), 256);
    if (!cmyk)
        for (std::size_t alpha = 3; alpha < in.size(); alpha += 4) GLIMORA_FUZZ_CHECK(in[alpha] == std::uint8_t(alpha * 73 >> 2));
    return 0;
}
