#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "render/parallel_bands.hpp"

namespace glimora {
namespace {

TEST(ParallelBands, EveryBandRunsOnce) {
    for (int threads : {0, 1, 3, 64}) {
        std::vector<std::atomic<int>> runs(37);
        forEachBand(37, threads, [&](int band) { ++runs[std::size_t(band)]; });
        for (const auto& count : runs) EXPECT_EQ(count.load(), 1) << threads;
    }
    bool called = false;
    forEachBand(0, 4, [&](int) { called = true; });
    EXPECT_FALSE(called);
}

TEST(ParallelBands, AFailingBandIsReportedAfterTheOthersFinish) {
    std::atomic<int> finished{0};
    EXPECT_THROW(forEachBand(20, 4,
                             [&](int band) {
                                 if (band == 3) throw std::runtime_error("band 3");
                                 ++finished;
                             }),
                 std::runtime_error);
    EXPECT_EQ(finished.load(), 19);
}

}  // namespace
}  // namespace glimora
