#include <gtest/gtest.h>

#include <limits>

#include "geometry/notch_outline.hpp"

namespace glimora {
namespace {

bool inside(const NotchOutline& outline, double x, double y) { return outline.contains({x, y}); }

TEST(NotchOutline, CollapsedTopCapsuleRoundsOnlyItsFreeCorners) {
    const auto outline = notchOutline(NotchPlacement::top, 320, 28, 0, 19);
    EXPECT_FALSE(inside(outline, 1, 27));
    EXPECT_FALSE(inside(outline, 318, 27));
    EXPECT_TRUE(inside(outline, 5, 5));
    EXPECT_TRUE(inside(outline, 160, 27));
    // No flare: the top corners are square.
    EXPECT_TRUE(inside(outline, 0.5, 0.5));
    EXPECT_TRUE(inside(outline, 319.5, 0.5));
    EXPECT_FALSE(inside(outline, 160, 28.5));
    EXPECT_FALSE(inside(outline, -0.5, 10));
}

TEST(NotchOutline, ExpandedTopPanelFlaresIntoTheEdge) {
    const auto outline = notchOutline(NotchPlacement::top, 760, 300, 30, 25);
    EXPECT_FALSE(inside(outline, 5, 3));
    EXPECT_FALSE(inside(outline, 31, 299));
    EXPECT_TRUE(inside(outline, 20, 3));
    EXPECT_TRUE(inside(outline, 31, 280));
    // The flat bottom edge runs from 55 to 705; the sides stand at 30 and 730.
    EXPECT_TRUE(inside(outline, 56, 299.5));
    EXPECT_TRUE(inside(outline, 704, 299.5));
    EXPECT_FALSE(inside(outline, 29, 150));
    EXPECT_TRUE(inside(outline, 31, 150));
    EXPECT_TRUE(inside(outline, 729, 150));
    EXPECT_FALSE(inside(outline, 731, 150));
    EXPECT_FALSE(inside(outline, 755, 3));
    EXPECT_TRUE(inside(outline, 740, 3));
}

TEST(NotchOutline, SidesAndBottomAreTheTopOutlineTurned) {
    const auto left = notchOutline(NotchPlacement::left, 68, 220, 40, 34);
    EXPECT_FALSE(inside(left, 1, 2));
    EXPECT_TRUE(inside(left, 34, 110));
    // The flare lies along x = 0: the top and bottom ends flare at the edge.
    EXPECT_TRUE(inside(left, 2, 12));
    EXPECT_FALSE(inside(left, 60, 8));
    EXPECT_FALSE(inside(left, 67, 2));

    const auto right = notchOutline(NotchPlacement::right, 68, 220, 40, 34);
    EXPECT_FALSE(inside(right, 67, 2));
    EXPECT_TRUE(inside(right, 34, 110));
    EXPECT_TRUE(inside(right, 66, 12));
    EXPECT_FALSE(inside(right, 8, 8));

    const auto bottom = notchOutline(NotchPlacement::bottom, 760, 300, 30, 25);
    EXPECT_FALSE(inside(bottom, 5, 297));
    EXPECT_TRUE(inside(bottom, 20, 297));
    EXPECT_FALSE(inside(bottom, 31, 1));
    EXPECT_TRUE(inside(bottom, 31, 20));
}

TEST(NotchOutline, RadiiAreLimitedByTheSize) {
    // 40 x 20: a = min(30, 10, 5) = 5, b = min(25, 10, 10) = 10.
    const auto outline = topNotchOutline(40, 20, 30, 25);
    ASSERT_EQ(outline.segments.size(), 8u);
    EXPECT_EQ(outline.segments[0].end, (OutlinePoint{5, 5}));
    EXPECT_EQ(outline.segments[1].end, (OutlinePoint{5, 10}));
    EXPECT_EQ(outline.segments[2].end, (OutlinePoint{15, 20}));
    EXPECT_EQ(outline.segments.back().end, outline.start);
}

// The pixels inside by the hit test that the rectangles, each within the
// bounds and none overlapping another, do not hold, and the other way round.
int disagreements(const NotchOutline& outline, int width, int height, int* inside = nullptr) {
    std::vector<char> covered(std::size_t(width * height), 0);
    for (const PixelRect& r : outline.pixelRectangles(width, height))
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x) {
                EXPECT_TRUE(x >= 0 && y >= 0 && x < width && y < height);
                if (x < 0 || y < 0 || x >= width || y >= height) return -1;
                EXPECT_EQ(covered[std::size_t(y * width + x)]++, 0) << "rectangles overlap";
            }
    int mismatches = 0, count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool in = outline.contains({x + 0.5, y + 0.5});
            count += in;
            mismatches += in != bool(covered[std::size_t(y * width + x)]);
        }
    if (inside) *inside = count;
    return mismatches;
}

// The input shape and the hit test must agree on every pixel.
TEST(NotchOutline, PixelRectanglesHoldExactlyThePixelsWhoseCentresAreInside) {
    struct Case {
        NotchPlacement placement;
        int width, height;
        double attached, inner;
    };
    for (const Case& c : {Case{NotchPlacement::top, 320, 28, 0, 19}, Case{NotchPlacement::top, 760, 300, 30, 25},
                          Case{NotchPlacement::bottom, 760, 226, 30, 25}, Case{NotchPlacement::left, 68, 220, 40, 34},
                          Case{NotchPlacement::right, 322, 640, 40, 34}, Case{NotchPlacement::top, 373, 61, 30, 25}}) {
        const auto outline = notchOutline(c.placement, c.width, c.height, c.attached, c.inner);
        int count = 0;
        EXPECT_EQ(disagreements(outline, c.width, c.height, &count), 0) << c.width << "x" << c.height;
        EXPECT_GT(count, c.width * c.height * 3 / 4) << "most of the panel is the outline";
        EXPECT_LT(count, c.width * c.height);
    }
}

TEST(NotchOutline, CrossingsFarOutsideOrAtNoFinitePlaceStillAgree) {
    // Far wider than an int reaches: the pixels asked for see a plain notch.
    EXPECT_EQ(topNotchOutline(6e9, 20, 4, 4).pixelRectangles(50, 20),
              topNotchOutline(200, 20, 4, 4).pixelRectangles(50, 20));
    for (const double size : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(disagreements(topNotchOutline(size, 20, 4, 4), 50, 20), 0) << size;
        EXPECT_EQ(disagreements(notchOutline(NotchPlacement::left, 50, size, 4, 4), 50, 20), 0) << size;
    }
}

TEST(NotchOutline, RectanglesMergeRowsThatShareTheirSpans) {
    const auto outline = notchOutline(NotchPlacement::top, 760, 300, 30, 25);
    const auto rectangles = outline.pixelRectangles(760, 300);
    // One rectangle per curved row plus one for the straight middle.
    EXPECT_LT(rectangles.size(), 70u);
    bool hasMiddle = false;
    for (const auto& r : rectangles) hasMiddle |= r.x == 30 && r.width == 700 && r.height > 200;
    EXPECT_TRUE(hasMiddle);
    EXPECT_TRUE(outline.pixelRectangles(0, 0).empty());
}

}  // namespace
}  // namespace glimora
