#include "platform/random.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "tests/support/platform_fakes.hpp"

namespace glimora {
namespace {

TEST(Random, UniformThrowsAwayTheBiasedLowValues) {
    test::ScriptedRandom random;
    // 2^64 mod 3 is 1: raw 0 would favour the result 0 and is drawn again.
    random.queueRaw({0, 5, 1, 0xFFFFFFFFFFFFFFFFull});
    EXPECT_EQ(random.uniform(3), 2u);
    EXPECT_EQ(random.uniform(3), 1u);
    EXPECT_EQ(random.uniform(3), 0xFFFFFFFFFFFFFFFFull % 3);

    // A power of two has no surplus: every raw value is taken.
    random.queueRaw({0, 13});
    EXPECT_EQ(random.uniform(8), 0u);
    EXPECT_EQ(random.uniform(8), 5u);

    // 2^64 mod 10 is 6: raws 0...5 are refused.
    random.queueRaw({5, 6});
    EXPECT_EQ(random.uniform(10), 6u);

    EXPECT_EQ(random.uniform(1), 0u);
    EXPECT_EQ(random.uniform(0), 0u);
}

TEST(Random, SeedIsEightBytesOfTheSource) {
    struct Counting : Random {
        std::size_t asked = 0;
        void fill(std::span<std::uint8_t> bytes) override {
            asked += bytes.size();
            std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
        }
    } random;
    const std::uint64_t seed = random.next64();
    EXPECT_EQ(random.asked, 8u);
    EXPECT_EQ(seed, 0x0807060504030201ull);  // little-endian byte order
}

TEST(Random, ShuffleSwapsEachPositionWithADrawnLaterOne) {
    test::ScriptedRandom random;
    // Draws below 5, 4, 3, 2: position i swaps with i + draw.
    random.queueDraws({4, 0, 2, 1});
    std::vector<int> items{0, 1, 2, 3, 4};
    random.shuffle(items);
    EXPECT_EQ(items, (std::vector<int>{4, 1, 0, 2, 3}));

    std::vector<int> empty;
    random.shuffle(empty);
    std::vector<int> one{7};
    random.shuffle(one);
    EXPECT_EQ(one, std::vector<int>{7});
}

TEST(Random, SystemSourceGivesPermutationsAndVariedSeeds) {
    SystemRandom random;
    std::vector<int> items(50);
    std::iota(items.begin(), items.end(), 0);
    auto shuffled = items;
    random.shuffle(shuffled);
    EXPECT_TRUE(std::is_permutation(items.begin(), items.end(), shuffled.begin()));

    std::set<std::uint64_t> seeds;
    for (int i = 0; i < 16; ++i) seeds.insert(random.next64());
    EXPECT_EQ(seeds.size(), 16u);

    // Every result of a small range shows up, and nothing outside it.
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const auto draw = random.uniform(7);
        ASSERT_LT(draw, 7u);
        seen.insert(draw);
    }
    EXPECT_EQ(seen.size(), 7u);
    std::set<bool> coins;
    for (int i = 0; i < 200; ++i) coins.insert(random.coin());
    EXPECT_EQ(coins.size(), 2u);
}

}  // namespace
}  // namespace glimora
