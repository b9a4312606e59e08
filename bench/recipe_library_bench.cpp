// Encoding and decoding a full library: 36 recipes, each with the PNG of a
// 256 x 144 photo, against a memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "bench/times_reporter.hpp"
#include "model/recipe_library.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {
namespace {

// Smooth shapes, edges and sensor noise: compresses about as badly as a real photo.
std::vector<std::uint8_t> photoPng(unsigned seed) {
    const int width = 256, height = 144;
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 5);
    auto pixels = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = pixels->data() + (std::size_t(y) * width + x) * 4;
            const double sky = y < height / 2 + 20 * std::sin(x * 0.03 + seed) ? 1.0 : 0.0;
            const double base[3] = {90 + 100 * sky + 30 * std::sin(x * 0.05), 110 + 80 * sky + 20 * std::cos(y * 0.07),
                                    70 + 150 * sky * (1 - y / double(height))};
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint8_t(std::clamp(base[c] + noise(random), 0.0, 255.0));
            p[3] = 255;
        }
    PixelImageBuffer buffer{width, height, pixels};
    return *buffer.pngData();
}

DesignRecipe sampleRecipe(std::size_t i) {
    DesignRecipe r;
    r.id.bytes[0] = std::uint8_t(i);
    r.id.bytes[6] = 0x40;
    r.name = "Design " + std::to_string(i);
    r.createdAt = 762514200 + double(i) * 60;
    r.formatIdentifier = recipeFormatIdentifier;
    r.wallpaperSource = "image";
    r.paletteIndex = std::int64_t(i % 49);
    r.customPalette = std::vector<CustomPaletteStop>{{1, 0.5, 0.25}, {0.1, 0.2, 0.3}, {0, 0.478, 1}};
    r.shape = "sunsetStrip";
    r.seed = 0x9E3779B97F4A7C15ull * (i + 1);
    r.hue = 0.1 * double(i);
    r.angle = 135;
    r.spread = 0.62;
    r.pixelScale = 12;
    r.dither = "fourByFour";
    r.channel = "rgb";
    r.imagePaletteMode = "current";
    r.imageDither = "bayer4";
    r.imagePixelShape = "square";
    r.imageLook = "softDither";
    r.imagePixelSize = 14;
    r.imageColorCount = 16;
    r.imageMosaic = ImageMosaicRecipe{"mosaic", "brick", 4.5, 0.3, 0.6};
    r.image = RecipeImageAsset{"photo " + std::to_string(i) + ".jpg", 0.4, 0.6, 1.5, photoPng(unsigned(i))};
    r.pinnedProperties = {"palette", "shape"};
    r.exportFormat = "png";
    r.exportResolution = "fourK";
    r.grainGradientActive = false;
    r.animationSpeed = 1.5;
    return r;
}

const std::vector<DesignRecipe>& library() {
    static const std::vector<DesignRecipe> recipes = [] {
        std::vector<DesignRecipe> list;
        for (std::size_t i = 0; i < recipeHistoryLimit; ++i) list.push_back(sampleRecipe(i));
        return list;
    }();
    return recipes;
}

const std::string& libraryBytes() {
    static const std::string bytes = *encodeRecipeHistory(library());
    return bytes;
}

void BM_EncodeLibrary(benchmark::State& state) {
    for (auto _ : state) {
        auto bytes = encodeRecipeHistory(library());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(libraryBytes().size()));
}

void BM_DecodeLibrary(benchmark::State& state) {
    const std::string& bytes = libraryBytes();
    for (auto _ : state) {
        auto decoded = decodeRecipeHistory(bytes, {});
        if (decoded.recipes.size() != recipeHistoryLimit) state.SkipWithError("library did not decode");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

// The baseline: copying the library's bytes once, what any reader or writer must at least do.
void BM_MemcpyLibraryBytes(benchmark::State& state) {
    const std::string& bytes = libraryBytes();
    std::string copy(bytes.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

BENCHMARK(BM_EncodeLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyLibraryBytes)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each benchmark's time as a multiple of the memcpy baseline.
class RatioReporter final : public TimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto baseline = seconds().find("BM_MemcpyLibraryBytes");
        if (baseline == seconds().end() || baseline->second <= 0) return;
        std::printf("library: %zu recipes, %zu bytes (photo PNG %zu bytes)\n", library().size(), libraryBytes().size(),
                    library().front().image->pngData->size());
        for (const auto& [name, elapsed] : seconds())
            std::printf("%-24s %8.3f ms per library  %7.1f x memcpy  (target < 20 ms)\n", name.c_str(), elapsed * 1e3,
                        elapsed / baseline->second);
    }
};

}  // namespace
}  // namespace glimora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    glimora::libraryBytes();  // make the photos and the library before any timing
    glimora::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
