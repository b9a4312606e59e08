// The smooth gradient drawn in one pass must give the very bytes of the ramp,
// glow and overlay passes, in both byte orders, on the vector units and one
// pixel at a time, for any design and canvas: a single rounding that differs
// shows up as a pixel here.
#include "render/smooth_frame_kernels.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "render/grain_gradient.hpp"
#include "render/live_canvas.hpp"
#include "render/live_canvas_frames.hpp"
#include "render/vector_units.hpp"
#include "tests/render/random_designs.hpp"

namespace glimora::WallpaperRenderer {
namespace {

struct Pixels {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    Pixels(std::int64_t w, std::int64_t h, std::uint8_t fill) : width(w), height(h), bytes(std::size_t(w * h * 4), fill) {}
    CanvasContext context(double scale, int threads = 1) {
        return {{bytes.data(), width, height, width * 4}, scale, threads};
    }
};

// Where two frames first differ, for the failure message.
std::string firstDifference(const Pixels& a, const Pixels& b) {
    for (std::size_t i = 0; i < a.bytes.size(); ++i) {
        if (a.bytes[i] == b.bytes[i]) continue;
        const std::size_t pixel = i / 4;
        return "pixel (" + std::to_string(pixel % std::size_t(a.width)) + ", " +
               std::to_string(pixel / std::size_t(a.width)) + ") byte " + std::to_string(i % 4) + ": " +
               std::to_string(a.bytes[i]) + " instead of " + std::to_string(b.bytes[i]);
    }
    return "no difference";
}

// Today's passes: the ramp and glows, the overlays, then the swap.
void drawWithPasses(const WallpaperExportSettings& s, Pixels& pixels, double scale, double width, double height,
                    bool swap) {
    drawLiveSmoothGradient(pixels.context(scale), s, width, height);
    drawLiveSmoothOverlays(pixels.context(scale), s, width, height);
    if (swap && drawable(pixels.context(scale), width, height)) swapRedAndBlueChannels(pixels.context(scale).pixels);
}

// A random design drawn as the smooth gradient; every other one with
// extremes and non-numbers among its settings.
WallpaperExportSettings randomDesign(std::mt19937_64& random, int index) {
    WallpaperExportSettings s = test::randomDesign(random, index, index % 2 == 1);
    s.shape = NotchShape::smoothGradient;
    return s;
}

struct Canvas {
    double width, height, scale;
};

// Both ways over the same garbage, in both byte orders: equal or fail with
// the first pixel that differs. Returns whether the one-pass kernels took the
// frame (rather than handing it to the passes).
bool expectOnePassEqualsPasses(const WallpaperExportSettings& s, const Canvas& canvas, const std::string& what,
                               bool oneByOne = true) {
    bool taken = false;
    const auto w = std::int64_t(std::max(1.0, std::round(canvas.width * canvas.scale)));
    const auto h = std::int64_t(std::max(1.0, std::round(canvas.height * canvas.scale)));
    for (const bool swap : {false, true}) {
        Pixels expected(w, h, 91), actual(w, h, 91);
        drawWithPasses(s, expected, canvas.scale, canvas.width, canvas.height, swap);
        drawLiveSmoothFrame(actual.context(canvas.scale), s, canvas.width, canvas.height, swap);
        EXPECT_TRUE(actual.bytes == expected.bytes)
            << what << (swap ? " swapped: " : ": ") << firstDifference(actual, expected);

        // One pixel at a time, the kernels' own scalar form.
        std::vector<RGB> colors;
        smoothGradientColors(s, colors);
        SmoothFrame frame;
        SmoothRampTable ramps;
        Pixels scalar(w, h, 91);
        if (frame.prepare(s, colors, scalar.context(canvas.scale).pixels, canvas.scale, canvas.width, canvas.height,
                          true, swap, ramps)) {
            taken = true;
            if (!oneByOne) continue;
            frame.paintRows(0, h, false);
            EXPECT_TRUE(scalar.bytes == expected.bytes)
                << what << " one by one" << (swap ? " swapped: " : ": ") << firstDifference(scalar, expected);
        }
    }
    return taken;
}

TEST(SmoothFrameKernels, OnePassEqualsThePassesOverRandomDesignsSizesAndScales) {
    ASSERT_TRUE(vectorUnitsInUse() || !vectorUnitsPresent());
    std::mt19937_64 random(19);
    // Small canvases step the ramp's index far between neighbours, large ones
    // a little: both ways of fetching its colours.
    const Canvas canvases[] = {{640, 360, 1},  {333, 187, 1.5},  {161, 97, 2},  {7, 5, 1},
                               {1, 1, 2},      {257, 3, 1},      {9, 301, 1.5}, {120, 80, 1.25},
                               {64, 64, 0.5},  {500, 20, 3},     {1920, 1080, 1}, {1280, 720, 2}};
    int index = 0;
    for (const Canvas& canvas : canvases) {
        const bool large = canvas.width * canvas.height * canvas.scale * canvas.scale > 5e5;
        for (int design = 0; design < (large ? 3 : 12); ++design, ++index) {
            const WallpaperExportSettings s = randomDesign(random, index);
            const std::string what = "design " + std::to_string(index) + " on " + std::to_string(canvas.width) +
                                     "x" + std::to_string(canvas.height) + "@" + std::to_string(canvas.scale);
            // Every one of these is drawn by the kernels, not handed back.
            EXPECT_TRUE(expectOnePassEqualsPasses(s, canvas, what, !large)) << what;
            if (HasFailure()) return;
        }
    }
}

TEST(SmoothFrameKernels, OnePassEqualsThePassesAtExtremes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    WallpaperExportSettings base;
    base.shape = NotchShape::smoothGradient;
    base.scanlines = base.vignette = true;
    base.colors = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    using Change = void (*)(WallpaperExportSettings&);
    const Change changes[] = {
        [](WallpaperExportSettings&) {},
        [](WallpaperExportSettings& s) { s.angle = std::numeric_limits<double>::quiet_NaN(); },
        [](WallpaperExportSettings& s) { s.phase = std::numeric_limits<double>::quiet_NaN(); },
        [](WallpaperExportSettings& s) { s.angle = std::numeric_limits<double>::infinity(); },
        [](WallpaperExportSettings& s) { s.angle = 1e300; },
        [](WallpaperExportSettings& s) { s.centerX = s.centerY = std::numeric_limits<double>::quiet_NaN(); },
        [](WallpaperExportSettings& s) { s.centerX = -1e9, s.centerY = 1e9; },
        [](WallpaperExportSettings& s) { s.spread = std::numeric_limits<double>::quiet_NaN(); },
        [](WallpaperExportSettings& s) { s.spread = 1e12; },
        [](WallpaperExportSettings& s) { s.spread = -50; },
        [](WallpaperExportSettings& s) { s.angle = 0, s.phase = 0; },  // a ramp along the rows only
        [](WallpaperExportSettings& s) { s.angle = 90, s.phase = 0; },  // along the columns only
        [](WallpaperExportSettings& s) { s.colors = {{12, 34, 56}}; },
        [](WallpaperExportSettings& s) { s.colors.clear(); },
        [](WallpaperExportSettings& s) { s.colors = {{0, 0, 0}, {255, 255, 255}}; },
        [](WallpaperExportSettings& s) { s.hue = std::numeric_limits<double>::quiet_NaN(); },
        [](WallpaperExportSettings& s) { s.scanlines = false; },
        [](WallpaperExportSettings& s) { s.vignette = false; },
    };
    int index = 0;
    for (const Change change : changes) {
        WallpaperExportSettings s = base;
        change(s);
        for (const Canvas canvas : {Canvas{320, 200, 1}, Canvas{75, 43, 1.5}, Canvas{31, 17, 2}})
            EXPECT_TRUE(expectOnePassEqualsPasses(s, canvas, "extreme " + std::to_string(index)));
        ++index;
    }
    // Canvases the one-pass kernels hand back to the passes, or barely take:
    // points far from pixels, a sliver, scales tiny and huge.
    for (const Canvas canvas : {Canvas{1e200, 1e200, 1e-198}, Canvas{2e6, 3, 1e-4}, Canvas{40, 1e-3, 3000},
                                Canvas{90, 60, 0.13}, Canvas{90, 60, 0.05}, Canvas{3, 2, 7.5}}) {
        expectOnePassEqualsPasses(base, canvas, "canvas " + std::to_string(canvas.width));
    }
    // A canvas without area is left alone.
    Pixels pixels(8, 8, 5);
    const std::vector<std::uint8_t> before = pixels.bytes;
    for (const double side : {0.0, -1.0, nan, inf}) {
        drawLiveSmoothFrame(pixels.context(1), base, side, 8, true);
        EXPECT_EQ(pixels.bytes, before);
    }
}

TEST(SmoothFrameKernels, AnySplitIntoBandsAndTheFallbackGiveTheSameBytes) {
    std::mt19937_64 random(23);
    constexpr std::int64_t w = 641, h = 479;
    for (int index = 0; index < 8; ++index) {
        WallpaperExportSettings s = randomDesign(random, index);
        s.scanlines = true;
        Pixels expected(w, h, 3);
        drawWithPasses(s, expected, 1, w, h, true);

        // Bands painted in any order and split, as threads would.
        std::vector<RGB> colors;
        smoothGradientColors(s, colors);
        SmoothFrame frame;
        SmoothRampTable ramps;
        Pixels banded(w, h, 200);
        ASSERT_TRUE(frame.prepare(s, colors, banded.context(1).pixels, 1, w, h, true, true, ramps));
        std::vector<std::int64_t> cuts = {0, h};
        for (int k = 0; k < 5; ++k) cuts.push_back(std::int64_t(random() % h));
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t k = cuts.size() - 1; k > 0; --k) frame.paintRows(cuts[k - 1], cuts[k], vectorUnitsInUse());
        ASSERT_TRUE(banded.bytes == expected.bytes) << "design " << index << ": " << firstDifference(banded, expected);

        for (const int threads : {3, 0}) {
            Pixels actual(w, h, 200);
            drawLiveSmoothFrame(actual.context(1, threads), s, w, h, true);
            ASSERT_TRUE(actual.bytes == expected.bytes)
                << "design " << index << " on " << threads << " threads: " << firstDifference(actual, expected);
        }
        // Without the vector units: the passes and a swap.
        allowVectorUnits(false);
        Pixels scalar(w, h, 200);
        drawLiveSmoothFrame(scalar.context(1, 2), s, w, h, true);
        allowVectorUnits(true);
        ASSERT_TRUE(scalar.bytes == expected.bytes)
            << "design " << index << " without vector units: " << firstDifference(scalar, expected);
    }
}

TEST(SmoothFrameKernels, AFrameLargeEnoughForSeveralThreadsEqualsThePasses) {
    std::mt19937_64 random(29);
    constexpr std::int64_t w = 3840, h = 2161;  // past four million pixels a band
    for (int index = 0; index < 2; ++index) {
        const WallpaperExportSettings s = randomDesign(random, index);
        Pixels expected(w, h, 3), actual(w, h, 200);
        drawWithPasses(s, expected, 2, 1920, 1080.5, true);
        drawLiveSmoothFrame(actual.context(2, 4), s, 1920, 1080.5, true);
        ASSERT_TRUE(actual.bytes == expected.bytes) << "design " << index << ": " << firstDifference(actual, expected);
    }
}

TEST(SmoothFrameKernels, AKeptRampTableFollowsItsColoursAndOrder) {
    const std::vector<std::vector<RGB>> palettes = {
        {{10, 20, 30}, {200, 100, 0}}, {{10, 20, 30}, {200, 100, 1}}, {{10, 20, 30}, {200, 100, 1}, {0, 0, 0}},
        {{10, 20, 30}, {200, 100, 1}}};
    SmoothRampTable kept;
    for (const bool swap : {false, true, true, false}) {
        for (const std::vector<RGB>& colors : palettes) {
            std::array<std::uint32_t, linearRampSteps> fresh;
            linearRampTable(colors, fresh);
            const std::uint32_t* table = kept.table(colors, swap);
            for (std::size_t k = 0; k < fresh.size(); ++k) {
                const auto* made = reinterpret_cast<const std::uint8_t*>(&fresh[k]);
                const auto* got = reinterpret_cast<const std::uint8_t*>(table + k);
                ASSERT_EQ(got[0], made[swap ? 2 : 0]) << k;
                ASSERT_EQ(got[1], made[1]) << k;
                ASSERT_EQ(got[2], made[swap ? 0 : 2]) << k;
                ASSERT_EQ(got[3], 255) << k;
            }
        }
    }
}

TEST(SmoothFrameKernels, LiveFramesOfTheSmoothGradientComeInTheirOwnOrder) {
    WallpaperExportSettings s;
    s.shape = NotchShape::smoothGradient;
    s.scanlines = true;
    s.colors = {{250, 10, 90}, {20, 200, 30}, {5, 60, 240}};
    for (const bool native : {false, true}) {
        LiveCanvasFrames frames;
        frames.setNativeOrder(native);
        for (int frame = 0; frame < 3; ++frame) {
            s.phase = 40.0 * frame;
            Pixels actual(211, 119, 0), expected(211, 119, 0);
            const auto rects = frames.draw(s, actual.context(1.5), 140.5, 79.2);
            ASSERT_EQ(rects.size(), 1u);
            EXPECT_EQ(rects[0], (PixelRect{0, 0, 211, 119}));
            drawWithPasses(s, expected, 1.5, 140.5, 79.2, native);
            ASSERT_TRUE(actual.bytes == expected.bytes)
                << (native ? "native" : "RGBA") << " frame " << frame << ": " << firstDifference(actual, expected);
        }
    }
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
