#include "render/live_canvas_frames.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "model/palette.hpp"

namespace glimora::WallpaperRenderer {
namespace {

struct Pixels {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    Pixels(std::int64_t w, std::int64_t h) : width(w), height(h), bytes(std::size_t(w * h * 4), 77) {}
    CanvasContext context(double scale, int threads = 1) {
        return {{bytes.data(), width, height, width * 4}, scale, threads};
    }
};

constexpr NotchShape cellShapes[] = {
    NotchShape::linear,  NotchShape::radial,   NotchShape::ribbonBands, NotchShape::glowDots,
    NotchShape::conic,   NotchShape::sine,     NotchShape::sunsetStrip, NotchShape::diamond,
    NotchShape::fractal, NotchShape::tree,     NotchShape::landscape,   NotchShape::petals,
    NotchShape::crystal, NotchShape::spiral,   NotchShape::kaleidoscope, NotchShape::topography,
    NotchShape::orbit};

WallpaperExportSettings randomDesign(std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(0, 1);
    WallpaperExportSettings s;
    s.seed = random();
    s.shape = cellShapes[random() % std::size(cellShapes)];
    const auto& palettes = builtInPalettes();
    for (const Color& color : palettes[random() % palettes.size()].colors)
        s.colors.push_back(WallpaperExportSettings::rgb(color));
    s.angle = 360 * unit(random);
    s.spread = 40 + 200 * unit(random);
    s.centerX = 100 * unit(random);
    s.centerY = 100 * unit(random);
    s.phase = 360 * unit(random);
    s.frequencyX = 1 + 8 * unit(random);
    s.frequencyY = 1 + 8 * unit(random);
    s.pixelScale = 1 + 5 * unit(random);
    s.quantization = 2 + 10 * unit(random);
    s.dither = DitherMode(random() % 6);
    s.chroma = random() % 2 ? 20 * unit(random) : 0;
    s.warp = random() % 2 ? 100 * unit(random) : 0;
    s.hue = random() % 3 == 0 ? 180 * unit(random) : 0;
    s.noise = random() % 3 == 0 ? 30 * unit(random) : 0;
    s.mirror = random() % 2;
    s.invert = random() % 4 == 0;
    s.scanlines = random() % 2;
    s.vignette = random() % 2;
    s.rgbSplit = random() % 2;
    return s;
}

// The design a moment later, as an animation moves it.
void advance(WallpaperExportSettings& s, std::mt19937_64& random) {
    std::uniform_real_distribution<double> step(-1.5, 1.5);
    s.angle += step(random);
    s.phase += 4 * step(random);
    s.centerX += step(random);
    s.chroma = s.chroma > 0 ? std::max(0.0, s.chroma + 0.2 * step(random)) : 0;
}

bool inside(const std::vector<PixelRect>& rects, std::int64_t x, std::int64_t y) {
    for (const PixelRect& r : rects)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
    return false;
}

// Every frame drawn in pieces equals the whole frame drawn afresh, and every
// pixel that differs from the frame before lies in a returned rectangle.
TEST(LiveCanvasFrames, FramesDrawnInPiecesEqualWholeFramesOverRandomDesigns) {
    std::mt19937_64 random(0x11ce0f7a);
    int partialFrames = 0;
    for (int design = 0; design < 24; ++design) {
        WallpaperExportSettings s = randomDesign(random);
        const double scale = design % 3 == 0 ? 2 : (design % 3 == 1 ? 1 : 1.25);
        const double width = 300 + double(random() % 200);
        const double height = 120 + double(random() % 160);
        Pixels pixels(std::int64_t(std::ceil(width * scale)), std::int64_t(std::ceil(height * scale)));
        Pixels whole = pixels;
        LiveCanvasFrames frames;
        for (int frame = 0; frame < 6; ++frame) {
            const std::vector<std::uint8_t> before = pixels.bytes;
            const auto span = frames.draw(s, pixels.context(scale), width, height);
            const std::vector<PixelRect> rects(span.begin(), span.end());
            draw(s, whole.context(scale, 3), width, height);
            ASSERT_EQ(pixels.bytes, whole.bytes) << "design " << design << " frame " << frame;
            if (frame == 0) {
                ASSERT_EQ(rects, (std::vector<PixelRect>{{0, 0, pixels.width, pixels.height}}));
            } else if (rects.size() != 1 || rects[0].area() != pixels.width * pixels.height) {
                ++partialFrames;
                for (std::int64_t y = 0; y < pixels.height; ++y)
                    for (std::int64_t x = 0; x < pixels.width; ++x) {
                        const std::size_t i = std::size_t((y * pixels.width + x) * 4);
                        if (std::equal(&before[i], &before[i] + 4, &pixels.bytes[i])) continue;
                        ASSERT_TRUE(inside(rects, x, y)) << "pixel " << x << "," << y << " changed outside";
                    }
            }
            advance(s, random);
        }
    }
    EXPECT_GT(partialFrames, 24);  // most frames after the first took the piecewise path
}

TEST(LiveCanvasFrames, AFrameWithNoChangedCellPaintsNothing) {
    std::mt19937_64 random(7);
    WallpaperExportSettings s = randomDesign(random);
    s.rgbSplit = s.scanlines = s.vignette = true;
    Pixels pixels(400, 240);
    LiveCanvasFrames frames;
    EXPECT_EQ(frames.draw(s, pixels.context(1), 400, 240).size(), 1u);
    // Scribbled over where no cell changed: a frame that paints nothing keeps it.
    pixels.bytes[0] = 1;
    const std::vector<std::uint8_t> scribbled = pixels.bytes;
    EXPECT_TRUE(frames.draw(s, pixels.context(1), 400, 240).empty());
    EXPECT_EQ(frames.changedCells(), 0);
    EXPECT_EQ(pixels.bytes, scribbled);
}

TEST(LiveCanvasFrames, AnythingButCellColoursRepaintsTheWholeCanvas) {
    std::mt19937_64 random(9);
    WallpaperExportSettings s = randomDesign(random);
    s.pixelScale = 4;  // 56 columns here; 1 gives 106
    Pixels pixels(320, 200);
    LiveCanvasFrames frames;
    const auto whole = [&] { return std::vector<PixelRect>{{0, 0, pixels.width, pixels.height}}; };
    frames.draw(s, pixels.context(1), 320, 200);
    for (auto change : {+[](WallpaperExportSettings& d) { d.rgbSplit = !d.rgbSplit; },
                        +[](WallpaperExportSettings& d) { d.scanlines = !d.scanlines; },
                        +[](WallpaperExportSettings& d) { d.vignette = !d.vignette; },
                        +[](WallpaperExportSettings& d) { d.pixelScale = 1; }}) {
        change(s);
        const auto span = frames.draw(s, pixels.context(1), 320, 200);
        EXPECT_EQ(std::vector<PixelRect>(span.begin(), span.end()), whole());
    }
    // A different canvas size over the same pixels, and pixels changed elsewhere.
    auto span = frames.draw(s, pixels.context(1), 300, 200);
    EXPECT_EQ(std::vector<PixelRect>(span.begin(), span.end()), whole());
    frames.forget();
    span = frames.draw(s, pixels.context(1), 300, 200);
    EXPECT_EQ(std::vector<PixelRect>(span.begin(), span.end()), whole());
    // Designs that are not a cell grid are drawn whole every time.
    s.shape = NotchShape::smoothGradient;
    for (int i = 0; i < 2; ++i) {
        span = frames.draw(s, pixels.context(1), 300, 200);
        EXPECT_EQ(std::vector<PixelRect>(span.begin(), span.end()), whole());
    }
    // A canvas without area draws nothing.
    EXPECT_TRUE(frames.draw(s, pixels.context(1), 0, 200).empty());
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
