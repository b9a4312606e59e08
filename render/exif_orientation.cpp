#include <cstring>

#include "render/image_decoding.hpp"

namespace glimora::image_decoding {

int exifOrientation(std::span<const std::uint8_t> payload) {
    static constexpr std::uint8_t exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (payload.size() >= 6 && std::memcmp(payload.data(), exifHeader, 6) == 0) payload = payload.subspan(6);
    const std::size_t size = payload.size();
    if (size < 8) return 1;
    bool little;
    if (payload[0] == 'I' && payload[1] == 'I') {
        little = true;
    } else if (payload[0] == 'M' && payload[1] == 'M') {
        little = false;
    } else {
        return 1;
    }
    auto read16 = [&](std::size_t at) -> std::uint32_t {
        return little ? payload[at] | (payload[at + 1] << 8) : (payload[at] << 8) | payload[at + 1];
    };
    auto read32 = [&](std::size_t at) -> std::uint32_t {
        return little ? read16(at) | (read16(at + 2) << 16) : (read16(at) << 16) | read16(at + 2);
    };
    if (read16(2) != 42) return 1;
    const std::size_t ifd = read32(4);
    if (ifd > size - 2) return 1;
    const std::size_t count = read16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > size) break;
        if (read16(entry) != 0x0112) continue;
        const std::uint32_t type = read16(entry + 2);
        if (read32(entry + 4) < 1) return 1;
        // SHORT is the standard type; some writers store a LONG.
        std::uint32_t value = 0;
        if (type == 3) {
            value = read16(entry + 8);
        } else if (type == 4) {
            value = read32(entry + 8);
        }
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

}  // namespace glimora::image_decoding
