// The cell grid's painting against the one-operation-at-a-time reference:
// every byte of every clip, over random designs, canvases, scales and clips,
// on the vector units and off them.
#include "render/live_cell_grid.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <random>
#include <vector>

#include "render/vector_units.hpp"
#include "tests/render/live_cell_grid_reference.hpp"
#include "tests/render/random_designs.hpp"

namespace glimora::WallpaperRenderer {
namespace {

struct Canvas {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    Canvas(std::int64_t w, std::int64_t h, std::mt19937_64& random)
        : width(w), height(h), bytes(std::size_t(w * h * 4)) {
        // Whatever the last frame left: painting must not depend on it.
        for (auto& byte : bytes) byte = std::uint8_t(random());
    }
    CanvasPixels pixels() { return {bytes.data(), width, height, width * 4}; }
};

class VectorUnitsOff {
public:
    explicit VectorUnitsOff(bool off) { allowVectorUnits(!off); }
    ~VectorUnitsOff() { allowVectorUnits(true); }
};

std::vector<RGB> randomColors(std::mt19937_64& random, std::int64_t count) {
    std::vector<RGB> colors{std::size_t(count), RGB{}};
    for (RGB& color : colors) {
        // Extremes often: 0 and 255 take the blends' short ways.
        const auto channel = [&] {
            const auto pick = random() % 4;
            return std::uint8_t(pick == 0 ? 0 : pick == 1 ? 255 : random() % 256);
        };
        color = {channel(), channel(), channel()};
    }
    return colors;
}

PixelRect randomClip(std::mt19937_64& random, std::int64_t width, std::int64_t height) {
    switch (random() % 4) {
    case 0: return {0, 0, width, height};
    case 1: {  // a band of whole rows, as the frame's threads paint
        const std::int64_t y = std::int64_t(random() % std::uint64_t(height));
        return {0, y, width, 1 + std::int64_t(random() % std::uint64_t(height - y))};
    }
    default: {  // any rectangle, now and then reaching outside the canvas
        const std::int64_t x = std::int64_t(random() % std::uint64_t(width + 4)) - 2;
        const std::int64_t y = std::int64_t(random() % std::uint64_t(height + 4)) - 2;
        return {x, y, 1 + std::int64_t(random() % std::uint64_t(width)),
                1 + std::int64_t(random() % std::uint64_t(height))};
    }
    }
}

// Lays out and paints `design` both ways over the same bytes and compares
// every byte of the canvas (those outside the clip must stay as they were).
void expectSamePixels(const WallpaperExportSettings& design, double width, double height, double scale,
                      std::mt19937_64& random, LiveCellGrid& grid, const std::string& what) {
    const auto w = std::int64_t(std::ceil(width * scale));
    const auto h = std::int64_t(std::ceil(height * scale));
    Canvas fast(w, h, random);
    Canvas slow = fast;
    const bool swap = random() % 2 == 0;
    grid.layOut(design, width, height, scale, fast.pixels(), swap);
    const std::vector<RGB> colors = randomColors(random, grid.cellCount());
    for (int clips = 0; clips < 3; ++clips) {
        const PixelRect clip = randomClip(random, w, h);
        grid.paint(colors, clip);
        test::paintCellGridReference(design, width, height, scale, slow.pixels(), swap, colors, clip);
        if (fast.bytes == slow.bytes) continue;
        for (std::size_t i = 0; i < fast.bytes.size(); ++i) {
            ASSERT_EQ(int(fast.bytes[i]), int(slow.bytes[i]))
                << what << " scale " << scale << " canvas " << width << "x" << height << " clip " << clip.x << ","
                << clip.y << " " << clip.width << "x" << clip.height << ": pixel " << (i / 4) % std::size_t(w)
                << "," << i / 4 / std::size_t(w) << " byte " << i % 4;
        }
    }
}

TEST(LiveCellGrid, PaintsEveryClipAsTheReferenceOverRandomDesigns) {
    std::mt19937_64 random(0x5eed19);
    for (const bool scalar : {false, true}) {
        const VectorUnitsOff units(scalar);
        LiveCellGrid kept;  // one grid over changing layouts, as the frames keep it
        kept.keepVignetteLevels(true);
        for (int design = 0; design < 36; ++design) {
            WallpaperExportSettings s = test::randomDesign(random, design, design % 6 == 5);
            s.pixelScale = 1 + 5 * std::uniform_real_distribution<double>(0, 1)(random);
            s.rgbSplit = random() % 2 == 0;
            s.scanlines = random() % 2 == 0;
            s.vignette = random() % 3 != 0;
            const double scale = std::array{1.0, 1.5, 2.0, 1.25}[std::size_t(design % 4)];
            const double width = 180 + double(random() % 260);
            const double height = 90 + double(random() % 200);
            LiveCellGrid fresh;  // works the vignette out at every paint
            const std::string what = (scalar ? "scalar design " : "design ") + std::to_string(design);
            expectSamePixels(s, width, height, scale, random, kept, what + " kept");
            expectSamePixels(s, width, height, scale, random, fresh, what + " fresh");
        }
    }
}

// Canvases so small that cells are a point or two: a cell row's whole pixel
// rows lie under the next cell row, scanline bands overlap, the vignette
// covers all. Also fractional canvases whose last pixel is partly covered.
TEST(LiveCellGrid, TinyAndFractionalCanvasesPaintAsTheReference) {
    std::mt19937_64 random(42);
    for (const bool scalar : {false, true}) {
        const VectorUnitsOff units(scalar);
        for (int design = 0; design < 60; ++design) {
            WallpaperExportSettings s = test::randomDesign(random, design);
            s.rgbSplit = design % 2 == 0;
            s.scanlines = design % 3 != 0;
            s.vignette = design % 4 != 0;
            const double width = design < 30 ? 3 + double(random() % 60) : 20.3 + double(random() % 90) + 0.37;
            const double height = design < 30 ? 2 + double(random() % 40) : 10.7 + double(random() % 50);
            const double scale = std::array{1.0, 1.5, 2.0}[std::size_t(design % 3)];
            LiveCellGrid grid;
            grid.keepVignetteLevels(design % 2 == 1);
            expectSamePixels(s, width, height, scale, random, grid, "tiny design " + std::to_string(design));
        }
    }
}

TEST(LiveCellGrid, LayOutTellsWhetherAnythingButTheColoursChanged) {
    std::mt19937_64 random(3);
    WallpaperExportSettings s = test::randomDesign(random, 4);
    s.vignette = true;
    std::vector<std::uint8_t> bytes(400 * 300 * 4);
    const CanvasPixels pixels{bytes.data(), 400, 300, 1600};
    LiveCellGrid grid;
    grid.keepVignetteLevels(true);
    EXPECT_FALSE(grid.layOut(s, 400, 300, 1, pixels));
    const std::size_t kept = grid.vignetteBytes();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, bytes.size() / 4);  // at most a byte a pixel
    s.phase += 40;  // colours only
    EXPECT_TRUE(grid.layOut(s, 400, 300, 1, pixels));
    EXPECT_EQ(grid.vignetteBytes(), kept);
    s.scanlines = !s.scanlines;
    EXPECT_FALSE(grid.layOut(s, 400, 300, 1, pixels));
    EXPECT_FALSE(grid.layOut(s, 400, 300, 1, pixels, true));
    EXPECT_FALSE(grid.layOut(s, 399, 300, 1, pixels, true));
    s.vignette = false;
    EXPECT_FALSE(grid.layOut(s, 399, 300, 1, pixels, true));
    EXPECT_EQ(grid.vignetteBytes(), 0u);  // freed when no vignette shows
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
