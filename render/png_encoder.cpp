#include "render/png_encoder.hpp"

#include <libdeflate.h>
#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "render/parallel_bands.hpp"

namespace glimora {

namespace {

constexpr int bytesPerPixel = 4;
// Rows are deflated in bands of 256 KiB to 1 MiB, at least 32 bands where
// the image allows: enough to keep every core busy, few enough that the
// flushes and probes cost little. The split depends on the image alone.
std::size_t bandBytes(std::size_t imageBytes) {
    return std::clamp<std::size_t>(imageBytes / 32, std::size_t(1) << 18, std::size_t(1) << 20);
}

// The filters tried on each row: Sub, Up and Paeth (PNG filter types 1, 2
// and 4). None and Average never won by enough on our images to pay for
// themselves.
enum Filter : std::uint8_t { sub = 1, up = 2, paeth = 4 };

inline std::uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return std::uint8_t(a);
    return std::uint8_t(pb <= pc ? b : c);
}

// |v| of a filtered byte read as signed: the usual measure of how well a
// filter predicted a row.
inline unsigned cost(std::uint8_t v) { return v < 128 ? v : 256u - v; }

struct Residues {
    std::uint8_t sub, up, paeth;
};

// The three residues of byte i, i >= 4.
inline Residues residuesAt(const std::uint8_t* row, const std::uint8_t* prev, std::size_t i) {
    const int x = row[i];
    const int a = row[i - bytesPerPixel];
    const int b = prev[i];
    const int c = prev[i - bytesPerPixel];
    return {std::uint8_t(x - a), std::uint8_t(x - b), std::uint8_t(x - paethPredictor(a, b, c))};
}

#if defined(__SSE2__)
inline __m128i absolute16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

// Paeth predictions for eight pixels' bytes held as 16-bit lanes.
inline __m128i paeth16(__m128i a, __m128i b, __m128i c) {
    const __m128i bc = _mm_sub_epi16(b, c);
    const __m128i ac = _mm_sub_epi16(a, c);
    const __m128i pa = absolute16(bc);
    const __m128i pb = absolute16(ac);
    const __m128i pc = absolute16(_mm_add_epi16(bc, ac));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i cOverB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bOrC = _mm_or_si128(_mm_and_si128(cOverB, c), _mm_andnot_si128(cOverB, b));
    return _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
}

// The cost of 16 residues, summed into two 64-bit lanes.
inline __m128i cost16(__m128i r) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_sad_epu8(_mm_min_epu8(r, _mm_sub_epi8(zero, r)), zero);
}
#endif

// Filters one row of `n` bytes into out[0] (the filter type) and out[1...n],
// choosing the filter with the smallest sum of residue costs; `prev` is the
// row above, or zeros for the first row. `scratch` holds 3 n bytes.
void filterRow(const std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::uint8_t* out,
               std::uint8_t* scratch) {
    // A row like the one above (most rows of a cell grid) is all zeros under Up.
    if (std::memcmp(row, prev, n) == 0) {
        out[0] = up;
        std::memset(out + 1, 0, n);
        return;
    }
    std::uint8_t* f[3] = {scratch, scratch + n, scratch + 2 * n};
    unsigned long sums[3] = {0, 0, 0};
    std::size_t i = 0;
    // The first pixel has nothing to its left: a and c are 0.
    for (; i < std::min<std::size_t>(n, bytesPerPixel); ++i) {
        const std::uint8_t values[3] = {row[i], std::uint8_t(row[i] - prev[i]),
                                        std::uint8_t(row[i] - paethPredictor(0, prev[i], 0))};
        for (int k = 0; k < 3; ++k) {
            f[k][i] = values[k];
            sums[k] += cost(values[k]);
        }
    }
#if defined(__SSE2__)
    __m128i total[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const auto load = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        const __m128i x = load(row + i);
        const __m128i a = load(row + i - bytesPerPixel);
        const __m128i b = load(prev + i);
        const __m128i c = load(prev + i - bytesPerPixel);
        const __m128i rSub = _mm_sub_epi8(x, a);
        const __m128i rUp = _mm_sub_epi8(x, b);
        const __m128i predictedLow =
            paeth16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
        const __m128i predictedHigh =
            paeth16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
        const __m128i rPaeth = _mm_sub_epi8(x, _mm_packus_epi16(predictedLow, predictedHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(f[0] + i), rSub);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(f[1] + i), rUp);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(f[2] + i), rPaeth);
        total[0] = _mm_add_epi64(total[0], cost16(rSub));
        total[1] = _mm_add_epi64(total[1], cost16(rUp));
        total[2] = _mm_add_epi64(total[2], cost16(rPaeth));
    }
    for (int k = 0; k < 3; ++k) {
        std::uint64_t lanes[2];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), total[k]);
        sums[k] += lanes[0] + lanes[1];
    }
#endif
    for (; i < n; ++i) {
        const Residues r = residuesAt(row, prev, i);
        const std::uint8_t values[3] = {r.sub, r.up, r.paeth};
        for (int k = 0; k < 3; ++k) {
            f[k][i] = values[k];
            sums[k] += cost(values[k]);
        }
    }
    // Ties go to the simpler filter.
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (sums[k] < sums[best]) best = k;
    constexpr Filter types[3] = {sub, up, paeth};
    out[0] = types[best];
    std::memcpy(out + 1, f[best], n);
}

struct Image {
    const std::uint8_t* pixels;
    std::size_t rowBytes;
    std::int64_t height;
    std::int64_t stride;

    const std::uint8_t* row(std::int64_t y) const { return pixels + y * stride; }
};

struct Band {
    std::vector<std::uint8_t> chunk;  // "IDAT" and the band's deflate data (the first with the zlib header)
    std::uint32_t adler = 1;
    std::size_t filteredBytes = 0;
    bool ok = false;
};

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const std::uint8_t bytes[4] = {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8),
                                   std::uint8_t(value)};
    out.insert(out.end(), bytes, bytes + 4);
}

void appendChunkCrc(std::vector<std::uint8_t>& out, std::size_t chunkStart) {
    appendBigEndian(out, libdeflate_crc32(0, out.data() + chunkStart, out.size() - chunkStart));
}

struct Compression {
    int level;
    int strategy;
    int maxChain = 0;  // with a level's other settings, when not 0 (deflateTune)
};

// Run-length matches only (distance 1): filtered rows of flat cells and of
// noisy grain are runs and short residues, which this finds at a fraction of
// the cost of a match search, in files smaller than zlib's level 6 makes.
constexpr Compression runLength{1, Z_RLE};
// A match search: a smooth gradient's residues repeat the row above's pattern
// a little shifted, which only this finds. Lazy matching with long matches
// taken at once (zlib's level 6) but hash chains followed only 8 deep: within
// a few percent of level 6's size on gradients, and several times faster on
// noisy rows, where long chains find little.
constexpr Compression matching{6, Z_DEFAULT_STRATEGY, 8};

// A raw deflate stream appended to a byte vector as its input arrives.
class Deflater {
public:
    Deflater(Compression compression, std::vector<std::uint8_t>& out) : out_(out) {
        ok_ = deflateInit2(&stream_, compression.level, Z_DEFLATED, -15, 8, compression.strategy) == Z_OK;
        open_ = ok_;
        if (ok_ && compression.maxChain > 0) ok_ = deflateTune(&stream_, 4, 16, 128, compression.maxChain) == Z_OK;
    }
    ~Deflater() {
        if (open_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses `size` more bytes; with Z_SYNC_FLUSH the output then ends on
    // a byte boundary with the stream still open, with Z_FINISH it ends the
    // stream. False once anything failed.
    bool write(const std::uint8_t* data, std::size_t size, int flush = Z_NO_FLUSH) {
        std::uint8_t buffer[65536];
        while (ok_) {
            // zlib counts in 32-bit units; feed large inputs in pieces.
            if (stream_.avail_in == 0 && size > 0) {
                const std::size_t piece = std::min<std::size_t>(size, std::size_t(1) << 30);
                stream_.next_in = const_cast<Bytef*>(data);
                stream_.avail_in = uInt(piece);
                data += piece;
                size -= piece;
            }
            const int mode = size == 0 ? flush : Z_NO_FLUSH;
            if (mode == Z_NO_FLUSH && stream_.avail_in == 0) break;
            stream_.next_out = buffer;
            stream_.avail_out = sizeof buffer;
            const int status = deflate(&stream_, mode);
            if (status == Z_STREAM_ERROR) ok_ = false;
            out_.insert(out_.end(), buffer, buffer + (sizeof buffer - stream_.avail_out));
            if (mode == Z_FINISH && status == Z_STREAM_END) break;
            if (mode == Z_SYNC_FLUSH && stream_.avail_in == 0 && stream_.avail_out != 0) break;
        }
        return ok_;
    }

private:
    z_stream stream_{};
    std::vector<std::uint8_t>& out_;
    bool ok_ = false;
    bool open_ = false;
};

std::size_t compressedSize(const std::uint8_t* data, std::size_t size, Compression compression) {
    std::vector<std::uint8_t> out;
    Deflater deflater(compression, out);
    return deflater.write(data, size, Z_FINISH) ? out.size() : std::numeric_limits<std::size_t>::max();
}

// Which compression suits a band, judged on its first rows: the match
// search only when it saves a tenth (it takes about twice as long).
Compression chooseCompression(const std::uint8_t* probe, std::size_t size) {
    return double(compressedSize(probe, size, matching)) < 0.9 * double(compressedSize(probe, size, runLength))
               ? matching
               : runLength;
}

// Deflates one band of rows into its IDAT chunk (without length and CRC),
// filtering row by row as the compressor takes them. Bands but the last end
// with a sync flush, so that the next band's blocks follow in the same stream.
void compressBand(const Image& image, std::int64_t first, std::int64_t end, bool last, Band& band) {
    const std::size_t filteredRow = image.rowBytes + 1;
    band.filteredBytes = std::size_t(end - first) * filteredRow;
    const std::vector<std::uint8_t> zeros(image.rowBytes, 0);
    std::vector<std::uint8_t> scratch(3 * image.rowBytes);
    auto filter = [&](std::int64_t y, std::uint8_t* out) {
        filterRow(image.row(y), y > 0 ? image.row(y - 1) : zeros.data(), image.rowBytes, out, scratch.data());
    };

    // The probe: the band's first rows, at least two so that a match search
    // can find the row above.
    constexpr std::size_t probeBytes = 64 * 1024;
    const std::int64_t probeRows =
        std::min(end - first, std::max<std::int64_t>(2, std::int64_t((probeBytes + filteredRow - 1) / filteredRow)));
    std::vector<std::uint8_t> rows(std::size_t(probeRows) * filteredRow);
    for (std::int64_t y = first; y < first + probeRows; ++y) filter(y, rows.data() + std::size_t(y - first) * filteredRow);

    band.chunk.insert(band.chunk.end(), {'I', 'D', 'A', 'T'});
    if (first == 0) {
        // CMF: deflate with a 32 KiB window; FLG: fastest level, check bits.
        band.chunk.insert(band.chunk.end(), {0x78, 0x01});
    }
    Deflater deflater(chooseCompression(rows.data(), rows.size()), band.chunk);
    band.adler = std::uint32_t(libdeflate_adler32(1, rows.data(), rows.size()));
    bool ok = deflater.write(rows.data(), rows.size());
    rows.resize(filteredRow);
    for (std::int64_t y = first + probeRows; y < end && ok; ++y) {
        filter(y, rows.data());
        band.adler = std::uint32_t(libdeflate_adler32(band.adler, rows.data(), filteredRow));
        ok = deflater.write(rows.data(), filteredRow);
    }
    band.ok = ok && deflater.write(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodePng(const std::uint8_t* pixels, std::int64_t width,
                                                   std::int64_t height, std::int64_t stride, int threadCount) {
    constexpr std::int64_t maxSide = 0x7FFFFFFF;
    if (!pixels || width < 1 || height < 1 || width > maxSide || height > maxSide) return std::nullopt;
    if (width > std::numeric_limits<std::int64_t>::max() / bytesPerPixel - 1) return std::nullopt;
    const auto rowBytes = std::size_t(width) * bytesPerPixel;
    if (stride < std::int64_t(rowBytes)) return std::nullopt;
    const Image image{pixels, rowBytes, height, stride};

    const std::size_t imageBytes = std::size_t(height) > std::numeric_limits<std::size_t>::max() / (rowBytes + 1)
                                       ? std::numeric_limits<std::size_t>::max()
                                       : (rowBytes + 1) * std::size_t(height);
    const std::int64_t rowsPerBand = std::max<std::int64_t>(1, std::int64_t(bandBytes(imageBytes) / (rowBytes + 1)));
    const std::int64_t bandCount64 = (height + rowsPerBand - 1) / rowsPerBand;
    if (bandCount64 > std::numeric_limits<int>::max()) return std::nullopt;
    const auto bandCount = int(bandCount64);

    try {
        std::vector<Band> bands(static_cast<std::size_t>(bandCount));
        forEachBand(bandCount, threadCount, [&](int index) {
            const std::int64_t first = std::int64_t(index) * rowsPerBand;
            const std::int64_t end = std::min(height, first + rowsPerBand);
            Band& band = bands[std::size_t(index)];
            compressBand(image, first, end, index == bandCount - 1, band);
        });

        std::size_t total = 8 + 25 + 12;
        for (const Band& band : bands) {
            if (!band.ok || band.chunk.size() - 4 > std::size_t(maxSide)) return std::nullopt;
            total += band.chunk.size() + 8;
        }
        std::vector<std::uint8_t> out;
        out.reserve(total + 4);
        out.insert(out.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
        appendBigEndian(out, 13);
        std::size_t start = out.size();
        out.insert(out.end(), {'I', 'H', 'D', 'R'});
        appendBigEndian(out, std::uint32_t(width));
        appendBigEndian(out, std::uint32_t(height));
        out.insert(out.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace
        appendChunkCrc(out, start);

        uLong adler = 1;
        for (std::size_t i = 0; i < bands.size(); ++i) {
            Band& band = bands[i];
            adler = adler32_combine(adler, band.adler, z_off_t(band.filteredBytes));
            if (i + 1 == bands.size()) appendBigEndian(band.chunk, std::uint32_t(adler));
            appendBigEndian(out, std::uint32_t(band.chunk.size() - 4));
            start = out.size();
            out.insert(out.end(), band.chunk.begin(), band.chunk.end());
            appendChunkCrc(out, start);
            std::vector<std::uint8_t>().swap(band.chunk);
        }
        appendBigEndian(out, 0);
        start = out.size();
        out.insert(out.end(), {'I', 'E', 'N', 'D'});
        appendChunkCrc(out, start);
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace glimora
