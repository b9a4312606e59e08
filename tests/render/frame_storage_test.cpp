// What the live frames keep from one frame to the next must never carry a
// frame's state into the next: a remade colorer colours as a new one, and the
// kept threads run every band of every call exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "render/band_workers.hpp"
#include "render/cell_color.hpp"

namespace glimora::WallpaperRenderer {
namespace {

WallpaperExportSettings designNumber(std::mt19937_64& random, int index) {
    const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    WallpaperExportSettings s;
    s.shape = NotchShape(index % 18);
    s.seed = random();
    s.angle = uniform(0, 360);
    s.phase = uniform(0, 360);
    s.spread = uniform(10, 300);
    s.frequencyX = uniform(1, 8);
    // Tabulated steps, then too many to tabulate, then few again.
    s.quantization = index % 3 == 1 ? 6000 : uniform(2, 8);
    s.dither = DitherMode(random() % 6);
    s.hue = index % 2 ? uniform(0, 360) : 0;
    s.chroma = index % 4 == 0 ? 10 : 0;
    const std::size_t colours = std::size_t(index % 6);  // none, one, then several
    for (std::size_t i = 0; i < colours; ++i)
        s.colors.push_back({std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())});
    return s;
}

TEST(FrameStorage, ARemadeColorerColoursAsANewOne) {
    std::mt19937_64 random(5);
    std::optional<CellColorer> kept;
    for (int design = 0; design < 54; ++design) {
        const WallpaperExportSettings s = designNumber(random, design);
        if (kept) kept->remake(s);
        else kept.emplace(s);
        const CellColorer fresh(s);
        const CellGrid grid = cellGrid(s, 640, 360);
        std::vector<RGB> remade(std::size_t(grid.columns * grid.rows)), made(remade.size());
        kept->fillRows(grid, 0, grid.rows, remade, CellFinish::raster);
        fresh.fillRows(grid, 0, grid.rows, made, CellFinish::raster);
        ASSERT_EQ(remade, made) << "design " << design << " " << rawValue(s.shape);
        EXPECT_EQ(kept->chromaOffset(), fresh.chromaOffset());
    }
}

TEST(FrameStorage, KeptThreadsRunEveryBandOnceAtEveryCall) {
    BandWorkers workers;
    struct Tally {
        std::vector<std::atomic<int>> runs = std::vector<std::atomic<int>>(64);
        std::atomic<int> threadsSeen{0};
    } tally;
    for (int call = 0; call < 200; ++call) {
        const int bands = 1 + call % 64;
        for (auto& runs : tally.runs) runs = 0;
        workers.run(bands, 4, [](void* context, int band) {
            static_cast<Tally*>(context)->runs[std::size_t(band)]++;
        }, &tally);
        for (int band = 0; band < 64; ++band)
            ASSERT_EQ(tally.runs[std::size_t(band)].load(), band < bands ? 1 : 0) << "call " << call << " band " << band;
        // Started once, never more than the three helpers asked for.
        ASSERT_LE(workers.helpers(), 3);
    }
    EXPECT_EQ(workers.helpers(), 3);
}

TEST(FrameStorage, KeptThreadsShareTheWorkAndOneThreadStartsNone) {
    BandWorkers lone;
    std::atomic<int> done{0};
    lone.run(8, 1, [](void* context, int) { static_cast<std::atomic<int>*>(context)->fetch_add(1); }, &done);
    EXPECT_EQ(done.load(), 8);
    EXPECT_EQ(lone.helpers(), 0);
    lone.run(0, 4, [](void*, int) { FAIL() << "no band to run"; }, nullptr);
    EXPECT_EQ(lone.helpers(), 0);

    // Two bands that each wait (up to five seconds) to see the other
    // running: they meet only when the helper thread really takes one.
    BandWorkers shared;
    struct Meeting {
        std::atomic<int> inside{0};
        std::atomic<bool> met{false};
    } meeting;
    shared.run(2, 2, [](void* context, int) {
        auto& m = *static_cast<Meeting*>(context);
        m.inside.fetch_add(1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (m.inside.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        if (m.inside.load() == 2) m.met = true;
    }, &meeting);
    EXPECT_TRUE(meeting.met.load());
    EXPECT_EQ(shared.helpers(), 1);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
