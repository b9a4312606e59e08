// Pictures arrive in the colours of their own colour space (an embedded ICC
// profile, PNG's gamma and chromaticities); the renderers and every other
// viewer on the desktop show sRGB. Little CMS converts from the one to the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace glimora::image_decoding {

// The white point and primaries of a PNG cHRM chunk, as CIE x, y.
struct Chromaticities {
    double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
};

// What a picture file says about its colours. Saying nothing means sRGB.
struct SourceColors {
    std::vector<std::uint8_t> iccProfile;
    // A PNG sRGB chunk: sRGB, whatever else the file says.
    bool srgb = false;
    // PNG gAMA: the file's gamma (0.45455 for a display gamma of 2.2, 1 for linear).
    std::optional<double> gamma;
    std::optional<Chromaticities> chromaticities;
};

// How the pixels to convert are laid out.
enum class SourcePixels {
    rgba,          // RGBA bytes, converted in place; alpha untouched
    grayRgba,      // the same, of a grey picture (red = green = blue)
    cmyk,          // CMYK bytes, 0 = no ink; converted to RGB triples
    invertedCmyk,  // CMYK as Adobe writes it, 255 = no ink
};

class SrgbTransform {
public:
    // The conversion of these colours to sRGB; nothing when they are sRGB
    // already, or when what the file says cannot be used: then `problem`
    // tells why, as a clause for the log ("its colour profile ..."), and the
    // picture keeps the values it stores.
    static std::optional<SrgbTransform> make(const SourceColors& colors, SourcePixels pixels, std::string& problem);

    // `count` pixels from `in` to `out` (the same memory for the RGBA layouts).
    void apply(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const;

private:
    explicit SrgbTransform(std::shared_ptr<void> transform) : transform_(std::move(transform)) {}
    std::shared_ptr<void> transform_;
};

// A profile bigger than this is taken for damage: the largest printer
// profiles stay well under it.
inline constexpr std::size_t maxIccProfileBytes = 16u << 20;

}  // namespace glimora::image_decoding
