#include "model/base64.hpp"

#include <array>
#include <cstring>

namespace glimora {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint32_t invalid = 0xFFu;

constexpr std::array<std::uint32_t, 256> makeDecodeTable() {
    std::array<std::uint32_t, 256> table{};
    for (auto& entry : table) entry = invalid;
    for (std::uint32_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = i;
    return table;
}

constexpr auto decodeTable = makeDecodeTable();

// Both characters for every 12-bit value, so that a group of three bytes
// takes two look-ups.
struct PairTable {
    char pairs[4096][2];
};
constexpr PairTable makePairTable() {
    PairTable table{};
    for (int i = 0; i < 4096; ++i) {
        table.pairs[i][0] = alphabet[i >> 6];
        table.pairs[i][1] = alphabet[i & 63];
    }
    return table;
}
constexpr PairTable pairTable = makePairTable();

}  // namespace

std::string base64Encode(std::span<const std::uint8_t> bytes) {
    std::string text((bytes.size() + 2) / 3 * 4, '=');
    char* out = text.data();
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        std::memcpy(out, pairTable.pairs[v >> 12], 2);
        std::memcpy(out + 2, pairTable.pairs[v & 0xFFF], 2);
        out += 4;
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t(bytes[i]) << 16;
        if (rest == 2) v |= std::uint32_t(bytes[i + 1]) << 8;
        out[0] = alphabet[v >> 18];
        out[1] = alphabet[(v >> 12) & 63];
        if (rest == 2) out[2] = alphabet[(v >> 6) & 63];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    const std::size_t full = text.empty() ? 0 : text.size() / 4 - (padding ? 1 : 0);

    std::vector<std::uint8_t> bytes(text.size() / 4 * 3 - padding);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::uint8_t* out = bytes.data();
    std::uint32_t bad = 0;
    for (std::size_t group = 0; group < full; ++group, in += 4) {
        const std::uint32_t v = decodeTable[in[0]] << 18 | decodeTable[in[1]] << 12 | decodeTable[in[2]] << 6 |
                                decodeTable[in[3]];
        // An invalid character sets bits above the 24 data bits.
        bad |= (decodeTable[in[0]] | decodeTable[in[1]] | decodeTable[in[2]] | decodeTable[in[3]]) & 0xC0;
        *out++ = std::uint8_t(v >> 16);
        *out++ = std::uint8_t(v >> 8);
        *out++ = std::uint8_t(v);
    }
    if (bad) return std::nullopt;
    if (padding) {
        const std::uint32_t a = decodeTable[in[0]], b = decodeTable[in[1]];
        const std::uint32_t c = padding == 1 ? decodeTable[in[2]] : 0;
        if ((a | b | c) & 0xC0) return std::nullopt;
        const std::uint32_t v = a << 18 | b << 12 | c << 6;
        *out++ = std::uint8_t(v >> 16);
        if (padding == 1) *out++ = std::uint8_t(v >> 8);
    }
    return bytes;
}

}  // namespace glimora
