#include "render/canvas_painter.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace glimora::WallpaperRenderer {
namespace {

struct Surface {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    Surface(std::int64_t w, std::int64_t h, RGB fill = {0, 0, 0})
        : width(w), height(h), bytes(std::size_t(w * h * 4)) {
        for (std::int64_t i = 0; i < w * h; ++i) {
            bytes[std::size_t(i * 4)] = fill.red;
            bytes[std::size_t(i * 4 + 1)] = fill.green;
            bytes[std::size_t(i * 4 + 2)] = fill.blue;
            bytes[std::size_t(i * 4 + 3)] = 255;
        }
    }
    CanvasPixels pixels() { return {bytes.data(), width, height, width * 4}; }
    CanvasBand band(double scale = 1) { return {pixels(), 0, height, scale}; }
    RGB at(std::int64_t x, std::int64_t y) const {
        const std::size_t i = std::size_t((y * width + x) * 4);
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
};

TEST(CanvasPainter, CoverageSpansMeasureTheExactOverlapOfEachPixel) {
    const CoverageSpan inside = coverageSpan(2.25, 5.5, 10);
    EXPECT_EQ(inside.begin, 2);
    EXPECT_EQ(inside.end, 6);
    EXPECT_FLOAT_EQ(inside.first, 0.75f);
    EXPECT_FLOAT_EQ(inside.last, 0.5f);
    EXPECT_FLOAT_EQ(inside.coverage(3), 1.0f);

    const CoverageSpan within = coverageSpan(3.2, 3.7, 10);
    EXPECT_EQ(within.end - within.begin, 1);
    EXPECT_FLOAT_EQ(within.first, 0.5f);

    const CoverageSpan clipped = coverageSpan(-3, 12.4, 10);
    EXPECT_EQ(clipped.begin, 0);
    EXPECT_EQ(clipped.end, 10);
    EXPECT_FLOAT_EQ(clipped.first, 1.0f);
    EXPECT_FLOAT_EQ(clipped.last, 1.0f);

    EXPECT_TRUE(coverageSpan(4, 4, 10).empty());
    EXPECT_TRUE(coverageSpan(11, 12, 10).empty());
    EXPECT_TRUE(coverageSpan(std::nan(""), 3, 10).empty());
}

TEST(CanvasPainter, SpansBlendTheirEdgesAndWriteTheirInside) {
    Surface s(8, 1, {0, 0, 0});
    paintSpan(s.pixels().data, coverageSpan(1.5, 6.25, 8), {200, 100, 40}, 1.0f);
    EXPECT_EQ(s.at(0, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(s.at(1, 0), (RGB{100, 50, 20}));  // half covered
    EXPECT_EQ(s.at(2, 0), (RGB{200, 100, 40}));
    EXPECT_EQ(s.at(5, 0), (RGB{200, 100, 40}));
    EXPECT_EQ(s.at(6, 0), (RGB{50, 25, 10}));  // a quarter
    EXPECT_EQ(s.at(7, 0), (RGB{0, 0, 0}));

    Surface t(4, 1, {100, 100, 100});
    paintSpan(t.pixels().data, coverageSpan(0, 4, 4), {0, 0, 0}, 0.12f);  // a scanline band
    EXPECT_EQ(t.at(2, 0), (RGB{88, 88, 88}));
}

// The circle as cairo draws it (antialiased, 8-bit alpha), for comparison.
std::vector<std::uint8_t> cairoCircle(int width, int height, double cx, double cy, double r) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
    cairo_fill(cr);
    cairo_surface_flush(surface);
    std::vector<std::uint8_t> alpha(std::size_t(width * height));
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            alpha[std::size_t(y * width + x)] = cairo_image_surface_get_data(surface)[y * stride + x];
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return alpha;
}

TEST(CanvasPainter, CirclesCoverWhatCairoCoversAndNoMore) {
    struct Dot {
        double cx, cy, r;
    };
    for (const Dot dot : {Dot{5.3, 4.8, 0.4}, Dot{6.0, 6.0, 1.7}, Dot{7.25, 5.6, 2.3}, Dot{8.9, 7.1, 4.6}}) {
        Surface s(16, 14, {0, 0, 0});
        std::vector<float> scratch;
        for (std::int64_t y = 0; y < s.height; ++y)
            paintCircleRow(s.pixels().data + y * s.width * 4, y, s.width, dot.cx, dot.cy, dot.r,
                           {255, 255, 255}, 1.0f, scratch);
        const auto reference = cairoCircle(16, 14, dot.cx, dot.cy, dot.r);
        double area = 0;
        int worst = 0;
        for (std::int64_t y = 0; y < s.height; ++y) {
            for (std::int64_t x = 0; x < s.width; ++x) {
                const int mine = s.at(x, y).red;
                area += mine / 255.0;
                worst = std::max(worst, std::abs(mine - int(reference[std::size_t(y * s.width + x)])));
            }
        }
        EXPECT_NEAR(area, std::numbers::pi * dot.r * dot.r, 0.02 + 0.01 * dot.r * dot.r)
            << "radius " << dot.r;
        // Edge pixels only: cairo samples 15 rows per pixel and bends the arc
        // into curves, we sample 8 rows of the true circle.
        EXPECT_LE(worst, 24) << "radius " << dot.r;
    }
}

TEST(CanvasPainter, RadialDarkeningIsClearInsideTheMiddleAndPeaksOutside) {
    Surface s(200, 100, {200, 200, 200});
    darkenRadial(s.band(), {100, 50, 10, 90, 0.72});  // middle radius 50
    EXPECT_EQ(s.at(100, 50), (RGB{200, 200, 200}));
    EXPECT_EQ(s.at(140, 50), (RGB{200, 200, 200}));  // 40.5 from the centre
    EXPECT_EQ(s.at(0, 0), (RGB{56, 56, 56}));        // beyond the outer radius: 200 * 0.28
    // Between: 70.5 from the centre, (70.5 - 50) / 40 of the peak.
    const double alpha = 0.72 * (70.5 - 50) / 40;
    EXPECT_NEAR(s.at(170, 50).red, 200 * (1 - alpha), 1.0);
}

TEST(CanvasPainter, RadialGlowFadesToClearAtItsRadius) {
    Surface s(101, 101, {0, 0, 0});
    paintRadialGlow(s.band(), {50.5, 50.5, 40, {250, 100, 0}, 0.48});
    EXPECT_EQ(s.at(50, 50), (RGB{120, 48, 0}));  // full glow opacity at the centre
    EXPECT_EQ(s.at(50, 5), (RGB{0, 0, 0}));      // beyond the radius
    EXPECT_NEAR(s.at(70, 50).red, 250 * 0.48 * (1 - 20.0 / 40), 1.0);
}

TEST(CanvasPainter, LinearRampsPadTheirEndColours) {
    Surface s(100, 2, {0, 0, 0});
    paintLinearRamp(s.band(), {20, 0, 80, 0, {{0, 0, 0}, {200, 100, 0}, {0, 0, 240}}});
    EXPECT_EQ(s.at(0, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(s.at(99, 1), (RGB{0, 0, 240}));
    EXPECT_NEAR(s.at(49, 0).red, 197, 2);  // x = 49.5, just short of the middle stop
    EXPECT_EQ(s.at(10, 0), s.at(10, 1));   // a horizontal ramp is the same in every row
}

TEST(CanvasPainter, VectorKernelsMatchTheScalarOnesByteForByte) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int trial = 0; trial < 50; ++trial) {
        const detail::RadialLevels ramp{unit(random) * 300,   unit(random) * 9000, unit(random) * 200,
                                        unit(random) * 0.05f, unit(random) * 255,  unit(random) * 255};
        const std::int64_t count = 1 + std::int64_t(unit(random) * 37);
        const std::int64_t first = std::int64_t(unit(random) * 100);
        std::vector<std::uint32_t> fast(static_cast<std::size_t>(count));
        std::vector<std::uint32_t> slow(static_cast<std::size_t>(count));
        detail::radialLevels(ramp, first, count, fast.data());
        detail::radialLevelsScalar(ramp, first, count, slow.data());
        ASSERT_EQ(fast, slow);

        Surface a(count, 1), b(count, 1);
        for (std::size_t i = 0; i < a.bytes.size(); ++i) a.bytes[i] = b.bytes[i] = std::uint8_t(random());
        for (std::size_t i = 3; i < a.bytes.size(); i += 4) a.bytes[i] = b.bytes[i] = 255;
        const RGB color{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
        detail::blendRow(a.bytes.data(), count, color, fast.data());
        detail::blendRowScalar(b.bytes.data(), count, color, fast.data());
        ASSERT_EQ(a.bytes, b.bytes);
    }
}

// Clipped painting gives every pixel of the clip the bytes it gets when the
// whole row is painted, and leaves the rest alone.
TEST(CanvasPainter, ClippedPaintingEqualsWholePaintingInsideTheClip) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 300; ++trial) {
        const std::int64_t width = 1 + std::int64_t(unit(random) * 90);
        const std::int64_t clipBegin = std::int64_t(unit(random) * double(width + 4)) - 2;
        const std::int64_t clipEnd = clipBegin + std::int64_t(unit(random) * double(width + 4));
        const double start = unit(random) * double(width + 8) - 4;
        const CoverageSpan span = coverageSpan(start, start + unit(random) * double(width), width);
        const float alpha = trial % 5 == 0 ? 1.0f : float(unit(random));
        const RGB color{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
        Surface whole(width, 1, {9, 99, 199});
        Surface clipped = whole;
        paintSpan(whole.bytes.data(), span, color, alpha);
        paintSpanClipped(clipped.bytes.data(), span, color, alpha, clipBegin, clipEnd);
        for (std::int64_t x = 0; x < width; ++x) {
            const bool in = x >= clipBegin && x < clipEnd;
            const RGB expected = in ? whole.at(x, 0) : RGB{9, 99, 199};
            ASSERT_EQ(clipped.at(x, 0), expected) << "trial " << trial << " x " << x;
        }
    }
    // The darkening, with and without the clip, on rows that skip its clear middle.
    for (int trial = 0; trial < 40; ++trial) {
        const std::int64_t width = 700 + std::int64_t(unit(random) * 700);
        Surface whole(width, 3, {200, 180, 160});
        Surface clipped = whole;
        const RadialDarkening ramp{unit(random) * double(width), unit(random) * 3, unit(random) * 200,
                                   200 + unit(random) * 500, unit(random)};
        const std::int64_t begin = std::int64_t(unit(random) * double(width));
        const std::int64_t end = begin + std::int64_t(unit(random) * double(width - begin));
        darkenRadial(whole.band(), ramp);
        CanvasBand band = clipped.band();
        band.columnBegin = begin;
        band.columnEnd = end;
        darkenRadial(band, ramp);
        for (std::int64_t y = 0; y < 3; ++y) {
            for (std::int64_t x = 0; x < width; ++x) {
                const RGB expected = x >= begin && x < end ? whole.at(x, y) : RGB{200, 180, 160};
                ASSERT_EQ(clipped.at(x, y), expected);
            }
        }
    }
    // Levels measured from an earlier pixel are those of the whole stretch.
    for (int trial = 0; trial < 40; ++trial) {
        const detail::RadialLevels ramp{float(unit(random) * 300), float(unit(random) * 9000),
                                        float(unit(random) * 200), float(unit(random) * 0.05), 0, 255};
        const std::int64_t first = std::int64_t(unit(random) * 100);
        const std::int64_t skip = std::int64_t(unit(random) * 50);
        const std::int64_t count = 1 + std::int64_t(unit(random) * 37);
        std::vector<std::uint32_t> all(static_cast<std::size_t>(skip + count));
        std::vector<std::uint32_t> part(static_cast<std::size_t>(count));
        std::vector<std::uint32_t> scalar(part);
        detail::radialLevels(ramp, first, skip + count, all.data());
        detail::radialLevels(ramp, first, skip, count, part.data());
        detail::radialLevelsScalar(ramp, first, skip, count, scalar.data());
        ASSERT_TRUE(std::equal(part.begin(), part.end(), all.begin() + skip));
        ASSERT_EQ(part, scalar);
    }
}

TEST(CanvasPainter, BandsCoverEveryRowOnce) {
    for (const int threads : {1, 3, 0}) {
        std::vector<std::atomic<int>> visits(1000);
        forEachBand(1000, threads, [&](std::int64_t begin, std::int64_t end) {
            for (std::int64_t i = begin; i < end; ++i) ++visits[std::size_t(i)];
        });
        for (const auto& count : visits) ASSERT_EQ(count.load(), 1);
    }
}

TEST(CanvasPainter, AFailingBandReachesTheCallerAfterTheOthersPaint) {
    std::atomic<std::int64_t> painted = 0;
    EXPECT_THROW(forEachBand(1000, 4,
                             [&](std::int64_t begin, std::int64_t end) {
                                 if (begin == 0) throw std::runtime_error("first band");
                                 painted += end - begin;
                             }),
                 std::runtime_error);
    EXPECT_EQ(painted.load(), 750);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
