#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/color_math.hpp"

namespace glimora {
namespace {

TEST(ColorMath, ClampToByteRoundsHalfAwayAndClampsBeforeConverting) {
    EXPECT_EQ(clampToByte(127.5), 128);
    EXPECT_EQ(clampToByte(127.49), 127);
    EXPECT_EQ(clampToByte(-0.5), 0);
    EXPECT_EQ(clampToByte(254.5), 255);
    EXPECT_EQ(clampToByte(1e300), 255);
    EXPECT_EQ(clampToByte(-1e300), 0);
    EXPECT_EQ(clampToByte(std::numeric_limits<double>::infinity()), 255);
    EXPECT_EQ(clampToByte(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(clampToByte(std::nan("")), 0);
}

TEST(ColorMath, BayerMatricesFollowTheRecursiveConstruction) {
    const int four[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(bayerThreshold(4, r, c), four[r][c] / 16.0) << r << "," << c;
    EXPECT_EQ(bayerThreshold(4, 1, 0), 0.75);
    EXPECT_EQ(bayerThreshold(4, 0, 1), 0.5);
    EXPECT_EQ(bayerThreshold(4, 5, 4), 0.75);
    EXPECT_EQ(bayerThreshold(2, 1, 1), 0.25);
    EXPECT_EQ(bayerThreshold(1, 3, 3), 0);
    EXPECT_EQ(bayerThreshold(0, 3, 3), 0);
    // Every larger matrix holds each threshold exactly once.
    for (int size : {8, 16}) {
        std::vector<int> seen(size * size, 0);
        for (int r = 0; r < size; ++r)
            for (int c = 0; c < size; ++c) ++seen[int(bayerThreshold(size, r, c) * size * size)];
        for (int count : seen) EXPECT_EQ(count, 1);
    }
    EXPECT_EQ(bayerThreshold(8, -1, -1), bayerThreshold(8, 7, 7));
}

}  // namespace
}  // namespace glimora
