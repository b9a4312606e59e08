#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/image_crop.hpp"

namespace glimora {

bool operator==(const ImageCrop::Point& a, const ImageCrop::Point& b) {
    return a.x == b.x && a.y == b.y;
}

namespace {

constexpr double wide = 16.0 / 9.0;

TEST(ImageCrop, NeutralCropCentresTheLargestWindow) {
    // A 2:1 photo on a 16:9 wallpaper: the window is 0.888... wide and full height.
    const ImageCrop crop;
    const auto topLeft = crop.sourcePoint(0, 0, 2000, 1000, wide);
    const auto bottomRight = crop.sourcePoint(1, 1, 2000, 1000, wide);
    EXPECT_NEAR(topLeft.x, 0.0556, 1e-4);
    EXPECT_EQ(topLeft.y, 0);
    EXPECT_NEAR(bottomRight.x, 0.9444, 1e-4);
    EXPECT_EQ(bottomRight.y, 1);
    EXPECT_NEAR(bottomRight.x - topLeft.x, 8.0 / 9.0, 1e-12);
}

TEST(ImageCrop, CentreMovesTheWindowAcrossItsFreeTravel) {
    EXPECT_EQ((ImageCrop{0, 0.5, 1}.sourcePoint(0, 0, 2000, 1000, wide).x), 0);
    EXPECT_EQ((ImageCrop{1, 0.5, 1}.sourcePoint(1, 0, 2000, 1000, wide).x), 1);
    // Out-of-range centres clamp; a zoom below 1 counts as 1.
    EXPECT_EQ((ImageCrop{-3, 0.5, 1}.sourcePoint(0.3, 0.5, 2000, 1000, wide)),
              (ImageCrop{0, 0.5, 1}.sourcePoint(0.3, 0.5, 2000, 1000, wide)));
    EXPECT_EQ((ImageCrop{7, 0.5, 1}.sourcePoint(0.3, 0.5, 2000, 1000, wide)),
              (ImageCrop{1, 0.5, 1}.sourcePoint(0.3, 0.5, 2000, 1000, wide)));
    EXPECT_EQ((ImageCrop{0.5, 0.5, 0.5}.sourcePoint(0.3, 0.7, 2000, 1000, wide)),
              (ImageCrop{0.5, 0.5, 1}.sourcePoint(0.3, 0.7, 2000, 1000, wide)));
}

TEST(ImageCrop, PortraitPhotoAndZoom) {
    // 1000 x 2000 on 16:9: window 1 x 0.28125; zoom 2 halves it.
    const auto top = ImageCrop{0.5, 0, 1}.sourcePoint(0, 0, 1000, 2000, wide);
    const auto bottom = ImageCrop{0.5, 0, 1}.sourcePoint(1, 1, 1000, 2000, wide);
    EXPECT_EQ(top.x, 0);
    EXPECT_EQ(bottom.x, 1);
    EXPECT_NEAR(bottom.y - top.y, 0.28125, 1e-12);
    const auto zoomedTop = ImageCrop{0, 0, 2}.sourcePoint(0, 0, 1000, 2000, wide);
    const auto zoomedBottom = ImageCrop{0, 0, 2}.sourcePoint(1, 1, 1000, 2000, wide);
    EXPECT_NEAR(zoomedBottom.x - zoomedTop.x, 0.5, 1e-12);
    EXPECT_NEAR(zoomedBottom.y - zoomedTop.y, 0.140625, 1e-12);
}

TEST(ImageCrop, NonFiniteValuesFallBackToNeutral) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const ImageCrop neutral;
    for (const ImageCrop& crop : {ImageCrop{nan, nan, nan}, ImageCrop{inf, -inf, inf}}) {
        const auto p = crop.sourcePoint(0.25, 0.75, 2000, 1000, wide);
        EXPECT_EQ(p, neutral.sourcePoint(0.25, 0.75, 2000, 1000, wide));
    }
    // Non-finite sample coordinates count as 0.
    EXPECT_EQ(neutral.sourcePoint(nan, inf, 2000, 1000, wide), neutral.sourcePoint(0, 0, 2000, 1000, wide));
    // A photo without pixels or a degenerate target still maps finitely.
    const auto p = neutral.sourcePoint(0.5, 0.5, 0, 0, wide);
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    const auto q = neutral.sourcePoint(0.5, 0.5, 100, 100, nan);
    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
}

}  // namespace
}  // namespace glimora
