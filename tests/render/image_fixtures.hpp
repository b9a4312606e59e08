// Image files made by the tests themselves: JPEGs through libjpeg, PNGs
// through libpng, EXIF blocks byte by byte.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "render/color_math.hpp"

namespace glimora::test {

using Bytes = std::vector<std::uint8_t>;
using PixelFunction = std::function<RGB(int x, int y)>;

struct JpegOptions {
    int quality = 92;
    bool progressive = false;
    bool grayscale = false;
    bool cmyk = false;  // Adobe-style inverted CMYK with no black ink
    Bytes app1;  // written as an APP1 segment when not empty
    Bytes iccProfile;  // written in APP2 segments (as many as it needs) when not empty
};

Bytes encodeJpeg(int width, int height, const PixelFunction& pixel, const JpegOptions& options = {});

// An EXIF APP1 payload ("Exif\0\0" and a TIFF block) whose first IFD holds an
// orientation tag, plus a second harmless tag before it.
Bytes exifWithOrientation(int orientation, bool bigEndian);

struct PngOptions {
    int colorType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<RGB> palette;
    Bytes transparency;  // tRNS: alpha per palette entry
    Bytes exif;          // eXIf payload (TIFF block) when not empty
    Bytes iccProfile;    // iCCP when not empty
    std::optional<double> gamma;  // gAMA, the file gamma
};

// `rows` holds the packed samples exactly as the colour type and bit depth
// store them (16-bit samples big-endian).
Bytes encodePng(int width, int height, const std::vector<Bytes>& rows, const PngOptions& options);

// An 8-bit RGBA PNG from a function of (x, y) giving colour and alpha.
Bytes encodeRgbaPng(int width, int height,
                    const std::function<std::array<std::uint8_t, 4>(int x, int y)>& pixel,
                    const PngOptions& options = {});

}  // namespace glimora::test
