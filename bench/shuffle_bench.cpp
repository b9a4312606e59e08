// What a press of the shuffle button costs on the main thread, and what
// saving into a full library of photo recipes costs there, with the library's
// file write left to the background (never run here). The baselines: encoding
// the whole library at once, as a save would without the kept entry texts,
// and a memcpy of the library's bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <random>

#include "bench/times_reporter.hpp"
#include "model/recipe_library.hpp"
#include "platform/paths.hpp"
#include "platform/scheduler.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {
namespace {

// Takes background work and never runs it: the file write is not timed.
class HeldScheduler final : public Scheduler {
public:
    void post(std::function<void()>) override {}
    void background(std::function<void()> work) override { held_ = std::move(work); }

protected:
    void postAfter(double, std::function<void()>) override {}

private:
    std::function<void()> held_;
};

// A camera-like picture at the size imports are decoded to: light, shapes and sensor noise.
PixelImageBuffer photo(unsigned seed, std::int64_t width = 2048, std::int64_t height = 1365) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 4);
    auto pixels = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* p = pixels->data() + std::size_t(y * width + x) * 4;
            const double sky = y < height / 2 + 80 * std::sin(x * 0.004 + seed) ? 1.0 : 0.0;
            const double base[3] = {90 + 100 * sky + 30 * std::sin(x * 0.01),
                                    110 + 80 * sky + 20 * std::cos(y * 0.02),
                                    70 + 150 * sky * (1 - double(y) / double(height))};
            for (int c = 0; c < 3; ++c) p[c] = std::uint8_t(std::clamp(base[c] + noise(random), 0.0, 255.0));
            p[3] = 255;
        }
    return {width, height, pixels};
}

struct Fixture {
    std::filesystem::path root;
    std::vector<DesignRecipe> library;
    ImportedImageAsset current;

    Fixture() {
        char pattern[] = "/tmp/glimora-shuffle-bench-XXXXXX";
        root = ::mkdtemp(pattern);
        // 36 photo recipes as a library holds them after a run of photo shuffles.
        NotchViewModel::Services services;
        services.paths = std::make_shared<FixedPaths>(std::nullopt);
        NotchViewModel maker(services);
        // The photos and their PNGs are made on every core: that is most of the set-up.
        std::vector<std::future<std::pair<PixelImageBuffer, std::vector<std::uint8_t>>>> photos;
        for (unsigned i = 0; i < recipeHistoryLimit; ++i)
            photos.push_back(std::async(std::launch::async, [i] {
                PixelImageBuffer buffer = photo(i);
                auto png = *buffer.pngData();
                return std::pair{std::move(buffer), std::move(png)};
            }));
        for (unsigned i = 0; i < recipeHistoryLimit; ++i) {
            auto [buffer, png] = photos[i].get();
            maker.setImageAssets({{Uuid{}, "photo " + std::to_string(i) + ".jpg", buffer, buffer, {}}});
            maker.setWallpaperSource(WallpaperSource::image);
            maker.setDesignSeed(i);
            DesignRecipe recipe = maker.makeRecipe(maker.designDisplayName(), false);
            recipe.image->pngData = std::move(png);
            library.push_back(std::move(recipe));
        }
        const PixelImageBuffer buffer = photo(99);
        current = {Uuid{}, "harbour.jpg", buffer, buffer, {}};
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::unique_ptr<NotchViewModel> model(bool withFile) {
        NotchViewModel::Services services;
        services.scheduler = std::make_shared<HeldScheduler>();
        services.paths = std::make_shared<FixedPaths>(withFile ? std::optional(root) : std::nullopt);
        services.loadRecipeHistory = [this] { return library; };
        auto result = std::make_unique<NotchViewModel>(services);
        // The first save writes every entry's text once; later saves reuse them.
        result->saveToLibrary("warm up");
        return result;
    }

    std::size_t libraryBytes() const { return encodeRecipeHistory(library)->size(); }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// One press of the shuffle button on a shape design: seed, draws, contrast
// test, history, and the result recorded in a library of 36 photo recipes.
void BM_ShuffleIntoPhotoLibrary(benchmark::State& state) {
    const auto model = fixture().model(true);
    for (auto _ : state) model->shuffle();
    state.counters["library"] = double(model->recipeHistory().size());
}

// The same without a library file: the draws, the contrast test and the history alone.
void BM_ShuffleWithoutLibraryFile(benchmark::State& state) {
    const auto model = fixture().model(false);
    for (auto _ : state) model->shuffle();
}

// Saving the photo design on screen into the full photo library: the recipe
// with its photo, the same-design search, the library text handed to the writer.
void BM_SavePhotoDesignIntoPhotoLibrary(benchmark::State& state) {
    const auto model = fixture().model(true);
    model->setImageAssets({fixture().current});
    model->setWallpaperSource(WallpaperSource::image);
    // The photo's PNG is made once per photo (in the background when a
    // shuffle first records it); here it is ready before timing starts.
    (void)model->makeRecipe("", true);
    for (auto _ : state) model->saveToLibrary("Harbour");
}

// What every save would cost on the main thread if the text were made anew.
void BM_EncodeWholePhotoLibrary(benchmark::State& state) {
    for (auto _ : state) {
        auto bytes = encodeRecipeHistory(fixture().library);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_MemcpyLibraryBytes(benchmark::State& state) {
    const std::string bytes = *encodeRecipeHistory(fixture().library);
    std::string copy(bytes.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_ShuffleIntoPhotoLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShuffleWithoutLibraryFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SavePhotoDesignIntoPhotoLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeWholePhotoLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyLibraryBytes)->Unit(benchmark::kMillisecond);

class TargetReporter final : public TimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ms = [this](const char* name) { return milliseconds(name); };
        std::printf("library: 36 photo recipes of 2048 x 1365, %.1f MB of JSON\n",
                    double(fixture().libraryBytes()) / 1e6);
        std::printf("shuffle into the photo library   %8.3f ms  (target < 2 ms)\n", ms("BM_ShuffleIntoPhotoLibrary"));
        std::printf("shuffle without a library file   %8.3f ms\n", ms("BM_ShuffleWithoutLibraryFile"));
        std::printf("save a photo design, main thread %8.3f ms  (target < 10 ms)\n",
                    ms("BM_SavePhotoDesignIntoPhotoLibrary"));
        std::printf("encode the whole library         %8.3f ms  (%.1f x the save)\n", ms("BM_EncodeWholePhotoLibrary"),
                    ms("BM_EncodeWholePhotoLibrary") / ms("BM_SavePhotoDesignIntoPhotoLibrary"));
        std::printf("memcpy of the library bytes      %8.3f ms\n", ms("BM_MemcpyLibraryBytes"));
    }
};

}  // namespace
}  // namespace glimora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    glimora::fixture();  // make the photos and the library before any timing
    glimora::TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
