// A PNG writer for 8-bit RGBA images that compresses bands of rows on several
// threads at once. The bands are deflated separately (each primed with the
// 32 KiB before it and ended on a byte boundary by a sync flush) and joined
// into one zlib stream, so any PNG reader reads the file.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace glimora {

// PNG bytes of `height` rows of `width` pixels, four bytes each (red, green,
// blue, straight alpha), each row `stride` bytes after the one before.
// Compression runs on up to `threadCount` threads (0: one per core); the bytes
// do not depend on the count. Nothing when the size is not one PNG can hold
// (a side of 0 or above 2^31 - 1) or memory or the compressor fails.
std::optional<std::vector<std::uint8_t>> encodePng(const std::uint8_t* pixels, std::int64_t width,
                                                   std::int64_t height, std::int64_t stride, int threadCount = 0);

}  // namespace glimora
