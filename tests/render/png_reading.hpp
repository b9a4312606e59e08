// Reading the PNG files the tests make: with libpng, and with Python's zlib
// as a second, independent reader of the compressed stream.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace glimora::test {

struct DecodedPng {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    std::vector<std::uint8_t> rgba;
};

// A plain libpng read of an 8-bit RGBA PNG with no transformations, so the
// test sees the stored samples; nothing for anything else or a broken file.
std::optional<DecodedPng> decodePng(const std::vector<std::uint8_t>& data);

struct InflatedPng {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  // RGBA, rows unfiltered here from what Python inflated
    std::string error;                 // empty when Python read the file
};

// Hands the file to python3, which checks the signature and every chunk's
// CRC, joins the IDAT chunks and inflates them with zlib (checking the
// Adler-32 and that nothing follows the stream); the rows it returns are
// unfiltered here. An 8-bit RGBA, non-interlaced file is expected.
InflatedPng inflateWithPython(const std::vector<std::uint8_t>& png);

}  // namespace glimora::test
