// A sixK export of a grainy design, a halftone, the smooth gradient and the
// cell grid: drawing, PNG encoding and the whole export (render, encode,
// write), each next to baselines measured in the same run: a memcpy of the
// same 81 MB and libpng at its default settings encoding the same pixels.
// Two other ways to encode are timed for comparison: libpng tuned for speed,
// and libdeflate compressing the same filtered rows in one piece.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/palette.hpp"
#include "render/cell_grid.hpp"
#include "render/wallpaper_renderer.hpp"

namespace {

using namespace glimora;
using namespace glimora::WallpaperRenderer;

constexpr std::int64_t width = 6016;
constexpr std::int64_t height = 3384;
constexpr std::size_t bytes = std::size_t(width) * height * 4;

std::vector<RGB> palette(std::size_t index) {
    std::vector<RGB> colors;
    for (const Color& color : builtInPalettes().at(index).colors) colors.push_back(WallpaperExportSettings::rgb(color));
    return colors;
}

WallpaperExportSettings design(const std::string& name) {
    WallpaperExportSettings s;
    s.resolution = ExportResolution::sixK;
    s.seed = 0x5EED2024;
    s.colors = palette(5);
    if (name == "grainy") {
        s.grainGradientActive = true;
        s.grainGradientMode = GrainGradientMode::liquid;
        s.noise = 40;
    } else if (name == "halftone") {
        s.grainGradientActive = true;
        s.grainGradientMode = GrainGradientMode::halftone;
        s.noise = 40;
        s.scanlines = true;
    } else if (name == "smooth") {
        s.shape = NotchShape::smoothGradient;
        s.scanlines = true;
    } else {
        s.shape = NotchShape::linear;
        s.colors = palette(0);
        s.noise = 30;
        s.rgbSplit = true;
    }
    return s;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class Job>
double bestOf(int runs, const Job& job) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        job();
        best = std::min(best, seconds(std::chrono::steady_clock::now() - start));
    }
    return best;
}

// The baseline: 81 MB copied between two buffers whose pages already exist.
double memcpySeconds() {
    static const double best = [] {
        std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
        return bestOf(10, [&] {
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::DoNotOptimize(to.data());
        });
    }();
    return best;
}

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// libpng with nothing set but the image (zlib level 6, adaptive filters), or
// tuned for speed: level 1, run-length matches, three filters.
std::vector<std::uint8_t> libpngEncode(const Bitmap& bitmap, bool tuned) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendToVector, nullptr);
    if (tuned) {
        png_set_compression_level(png, 1);
        png_set_compression_strategy(png, Z_RLE);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP | PNG_FILTER_PAETH);
    }
    png_set_IHDR(png, info, png_uint_32(bitmap.width), png_uint_32(bitmap.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int64_t y = 0; y < bitmap.height; ++y) png_write_row(png, bitmap.rgba.get() + y * bitmap.width * 4);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct Baseline {
    Bitmap bitmap;
    double libpngSeconds = 0;
    std::size_t libpngBytes = 0;
};

// Each design's bitmap and its libpng-default encoding, made once.
const Baseline& baseline(const std::string& name) {
    static std::map<std::string, Baseline> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        Baseline b;
        b.bitmap = renderBitmap(design(name));
        b.libpngSeconds = bestOf(2, [&] { b.libpngBytes = libpngEncode(b.bitmap, false).size(); });
        it = cache.emplace(name, std::move(b)).first;
    }
    return it->second;
}

// Wall-clock seconds per iteration of the loop, kept by the benchmark itself
// so that the ratios below are wall-clock ratios whatever the threads do.
struct WallClock {
    double total = 0;
    std::int64_t runs = 0;
    template <class Job>
    void time(const Job& job) {
        const auto start = std::chrono::steady_clock::now();
        job();
        total += seconds(std::chrono::steady_clock::now() - start);
        ++runs;
    }
    double mean() const { return runs ? total / double(runs) : 0; }
};

// Drawing into fresh memory, as an export does.
void BM_Render(benchmark::State& state, const std::string& name) {
    const WallpaperExportSettings s = design(name);
    WallClock clock;
    for (auto _ : state) {
        clock.time([&] {
            const Bitmap bitmap = renderBitmap(s);
            benchmark::DoNotOptimize(bitmap.rgba.get());
        });
    }
    state.counters["memcpy_ms"] = memcpySeconds() * 1e3;
    state.counters["x_memcpy"] = clock.mean() / memcpySeconds();
}

void BM_Encode(benchmark::State& state, const std::string& name) {
    const Baseline& base = baseline(name);
    std::size_t size = 0;
    WallClock clock;
    for (auto _ : state) clock.time([&] { size = encodePNG(base.bitmap).size(); });
    state.counters["MB"] = double(size) / 1e6;
    state.counters["libpng_default_ms"] = base.libpngSeconds * 1e3;
    state.counters["libpng_default_MB"] = double(base.libpngBytes) / 1e6;
    state.counters["size_vs_libpng"] = double(size) / double(base.libpngBytes);
    state.counters["faster_than_libpng"] = base.libpngSeconds / clock.mean();
}

// The whole export: render, encode, write the file.
void BM_Export(benchmark::State& state, const std::string& name) {
    const Baseline& base = baseline(name);
    const WallpaperExportSettings s = design(name);
    const auto file = std::filesystem::temp_directory_path() /
                      ("glimora-export-bench-" + std::to_string(getpid()) + ".png");
    std::size_t size = 0;
    bool written = true;
    WallClock clock;
    for (auto _ : state) {
        clock.time([&] {
            const std::vector<std::uint8_t> png = renderPNG(s);
            std::FILE* out = std::fopen(file.c_str(), "wb");
            written = out && std::fwrite(png.data(), 1, png.size(), out) == png.size();
            written = out && std::fclose(out) == 0 && written;
            size = png.size();
        });
        if (!written) {
            state.SkipWithError("could not write the file");
            break;
        }
    }
    std::filesystem::remove(file);
    state.counters["MB"] = double(size) / 1e6;
    state.counters["libpng_default_ms"] = base.libpngSeconds * 1e3;
    state.counters["size_vs_libpng"] = double(size) / double(base.libpngBytes);
    state.counters["faster_than_libpng"] = base.libpngSeconds / clock.mean();
}

void BM_LibpngTuned(benchmark::State& state, const std::string& name) {
    const Baseline& base = baseline(name);
    std::size_t size = 0;
    WallClock clock;
    for (auto _ : state) clock.time([&] { size = libpngEncode(base.bitmap, true).size(); });
    state.counters["MB"] = double(size) / 1e6;
    state.counters["size_vs_libpng"] = double(size) / double(base.libpngBytes);
    state.counters["faster_than_libpng"] = base.libpngSeconds / clock.mean();
}

// The filtered rows of our own PNG (its IDAT data inflated) compressed by
// libdeflate in one call at level 2: a single-threaded writer on libdeflate
// would spend at least this, before filtering.
void BM_LibdeflateOnePiece(benchmark::State& state, const std::string& name) {
    const Baseline& base = baseline(name);
    const std::vector<std::uint8_t> png = encodePNG(base.bitmap);
    std::vector<std::uint8_t> stream;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 |
                                   std::size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0)
            stream.insert(stream.end(), png.begin() + std::ptrdiff_t(at + 8), png.begin() + std::ptrdiff_t(at + 8 + length));
        at += length + 12;
    }
    std::vector<std::uint8_t> filtered(std::size_t(height) * (std::size_t(width) * 4 + 1));
    uLongf filteredSize = uLongf(filtered.size());
    if (uncompress(filtered.data(), &filteredSize, stream.data(), uLong(stream.size())) != Z_OK) {
        state.SkipWithError("could not inflate our own PNG");
        return;
    }
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(2);
    std::vector<std::uint8_t> out(libdeflate_zlib_compress_bound(compressor, filtered.size()));
    std::size_t size = 0;
    WallClock clock;
    for (auto _ : state)
        clock.time([&] { size = libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), out.data(), out.size()); });
    libdeflate_free_compressor(compressor);
    state.counters["MB"] = double(size) / 1e6;
    state.counters["size_vs_libpng"] = double(size) / double(base.libpngBytes);
    state.counters["faster_than_libpng"] = base.libpngSeconds / clock.mean();
}

void BM_Memcpy81MB(benchmark::State& state) {
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
}

// The cell grid drawn into memory that already exists, against the memcpy of
// the same bytes.
void BM_DrawCellGrid(benchmark::State& state, int threads) {
    const WallpaperExportSettings s = design("cells");
    std::vector<std::uint8_t> target(bytes, 0);
    WallClock clock;
    for (auto _ : state) {
        clock.time([&] {
            drawCellGrid(s, {target.data(), width, height, width * 4}, threads);
            benchmark::DoNotOptimize(target.data());
        });
    }
    state.counters["memcpy_ms"] = memcpySeconds() * 1e3;
    state.counters["x_memcpy"] = clock.mean() / memcpySeconds();
}

BENCHMARK(BM_Memcpy81MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawCellGrid, all_cores, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawCellGrid, one_core, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, grainy, std::string("grainy"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, halftone, std::string("halftone"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, smooth, std::string("smooth"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, cells, std::string("cells"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Encode, grainy, std::string("grainy"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Encode, halftone, std::string("halftone"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Encode, smooth, std::string("smooth"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Encode, cells, std::string("cells"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LibpngTuned, grainy, std::string("grainy"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LibpngTuned, smooth, std::string("smooth"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LibdeflateOnePiece, grainy, std::string("grainy"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LibdeflateOnePiece, smooth, std::string("smooth"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, grainy, std::string("grainy"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, halftone, std::string("halftone"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, smooth, std::string("smooth"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, cells, std::string("cells"))->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
