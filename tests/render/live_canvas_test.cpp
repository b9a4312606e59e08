#include "render/live_canvas.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "model/palette.hpp"
#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/grain_gradient.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora::WallpaperRenderer {
namespace {

struct Frame {
    std::int64_t width;
    std::int64_t height;
    std::vector<std::uint8_t> bytes;

    Frame(std::int64_t w, std::int64_t h, std::uint8_t fill = 77)
        : width(w), height(h), bytes(std::size_t(w * h * 4), fill) {}
    CanvasContext context(double scale = 1, int threads = 1) {
        return {{bytes.data(), width, height, width * 4}, scale, threads};
    }
    RGB at(std::int64_t x, std::int64_t y) const {
        const std::size_t i = std::size_t((y * width + x) * 4);
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
};

WallpaperExportSettings plainDesign(NotchShape shape = NotchShape::linear) {
    WallpaperExportSettings s;
    s.seed = 0xfeedfacecafebeef;
    s.shape = shape;
    s.vignette = false;
    for (const Color& color : builtInPalettes()[26].colors)
        s.colors.push_back(WallpaperExportSettings::rgb(color));
    return s;
}

// The cell colours of the live canvas, as the cell colouring gives them.
std::vector<RGB> liveColors(const WallpaperExportSettings& s, const CellGrid& grid) {
    std::vector<RGB> colors(std::size_t(grid.columns * grid.rows));
    CellColorer(s).fillRows(grid, 0, grid.rows, colors, CellFinish::live);
    return colors;
}

TEST(LiveCanvas, ACanvasWithoutAreaIsLeftUntouched) {
    Frame frame(16, 16);
    const std::vector<std::uint8_t> before = frame.bytes;
    for (const auto& [w, h] : {std::pair{0.0, 500.0}, {500.0, 0.0}, {-3.0, 10.0}, {std::nan(""), 10.0}}) {
        draw(plainDesign(), frame.context(), w, h);
        EXPECT_EQ(frame.bytes, before);
    }
    WallpaperExportSettings photo = plainDesign();
    photo.imageBuffer = PixelImageBuffer{2, 2, std::make_shared<std::vector<std::uint8_t>>(16, 90)};
    draw(photo, frame.context(), 0, 500);  // not even the photo's ground
    EXPECT_EQ(frame.bytes, before);
    ImagePixelizer::draw(frame.context().pixels, *photo.imageBuffer, photo.imageSettings, 0, 500, 1);
    EXPECT_EQ(frame.bytes, before);
}

TEST(LiveCanvas, CellCentresShowTheCellColours) {
    for (const double scale : {1.0, 2.0}) {
        const WallpaperExportSettings s = plainDesign(NotchShape::spiral);
        const double width = 640;
        const double height = 360;
        Frame frame(std::int64_t(width * scale), std::int64_t(height * scale));
        draw(s, frame.context(scale), width, height);
        const CellGrid grid = cellGrid(s, width, height);
        const std::vector<RGB> colors = liveColors(s, grid);
        for (std::int64_t r = 0; r < grid.rows; r += 7) {
            for (std::int64_t c = 0; c < grid.columns; c += 5) {
                const auto x = std::int64_t((grid.cellWidth * (double(c) + 0.5)) * scale);
                const auto y = std::int64_t((grid.cellHeight * (double(r) + 0.5)) * scale);
                ASSERT_EQ(frame.at(x, y), colors[std::size_t(r * grid.columns + c)])
                    << "cell " << r << "," << c << " at scale " << scale;
            }
        }
    }
}

TEST(LiveCanvas, EveryPixelIsWrittenAndOpaque) {
    for (const bool grain : {false, true}) {
        WallpaperExportSettings s = plainDesign();
        s.grainGradientActive = grain;
        Frame a(333, 187, 0);
        Frame b(333, 187, 255);
        draw(s, a.context(), 333, 187);
        draw(s, b.context(), 333, 187);
        EXPECT_EQ(a.bytes, b.bytes) << "grain " << grain;  // nothing of what was there before shows
        for (std::size_t i = 3; i < a.bytes.size(); i += 4) ASSERT_EQ(a.bytes[i], 255);
    }
}

TEST(LiveCanvas, ThreadsPaintTheSameFrameAsOne) {
    std::vector<WallpaperExportSettings> designs;
    WallpaperExportSettings busy = plainDesign(NotchShape::ribbonBands);
    busy.rgbSplit = busy.scanlines = busy.vignette = true;
    busy.chroma = 12;
    designs.push_back(busy);
    WallpaperExportSettings halftone = plainDesign();
    halftone.grainGradientActive = true;
    halftone.grainGradientMode = GrainGradientMode::halftone;
    halftone.vignette = halftone.scanlines = true;
    designs.push_back(halftone);
    WallpaperExportSettings smooth = plainDesign(NotchShape::smoothGradient);
    smooth.vignette = smooth.scanlines = true;
    designs.push_back(smooth);
    for (const WallpaperExportSettings& s : designs) {
        Frame one(500, 300);
        Frame many(500, 300);
        draw(s, one.context(1.0, 1), 500, 300);
        draw(s, many.context(1.0, 5), 500, 300);
        EXPECT_EQ(one.bytes, many.bytes) << rawValue(s.shape) << " grain " << s.grainGradientActive;
    }
}

TEST(LiveCanvas, SplitBandsTintCellEdgesAndLaterCellsCoverThem) {
    // Large cells at two pixels per point, so the bands span whole pixels.
    WallpaperExportSettings s = plainDesign();
    s.pixelScale = 8;
    const double width = 2000;
    const double height = 300;
    Frame plain(4000, 600);
    draw(s, plain.context(2), width, height);
    s.rgbSplit = true;
    Frame split(4000, 600);
    draw(s, split.context(2), width, height);
    const CellGrid grid = cellGrid(s, width, height);
    const double w = grid.cellWidth;
    const double a = std::max(0.08 * w, 0.8);
    const double b = std::max(0.14 * w, 1.1);
    const auto y = std::int64_t(2 * grid.cellHeight * 3.5);
    int redChecked = 0;
    for (std::int64_t c = 1; c + 1 < grid.columns; ++c) {
        // The red band reaches b - a into the cell from its left edge.
        const auto redPixel = std::int64_t(std::ceil(2 * w * double(c)));
        if (double(redPixel + 1) <= 2 * (w * double(c) - a + b)) {
            const RGB before = plain.at(redPixel, y);
            const RGB after = split.at(redPixel, y);
            EXPECT_NEAR(after.red, 0.66 * before.red + 0.34 * 255, 1.5);
            EXPECT_NEAR(after.green, 0.66 * before.green, 1.5);
            ++redChecked;
        }
        const auto mid = std::int64_t(2 * w * (double(c) + 0.5));
        EXPECT_EQ(split.at(mid, y), plain.at(mid, y));
    }
    EXPECT_GT(redChecked, 10);
    // Each cyan band lies under the next cell and its red band; only the last
    // cell's shows, at the canvas' right edge, once cells pass 10 points.
    const RGB before = plain.at(3999, y);
    const RGB after = split.at(3999, y);
    EXPECT_NEAR(after.green, 0.66 * before.green + 0.34 * 255, 1.5);
    EXPECT_NEAR(after.red, 0.66 * before.red, 1.5);
    EXPECT_EQ(split.at(std::int64_t(2 * w * (double(grid.columns) - 1) - 6), y),
              plain.at(std::int64_t(2 * w * (double(grid.columns) - 1) - 6), y));
}

TEST(LiveCanvas, ScanlinesAndVignetteAreDrawnOnceOverTheWholeGrid) {
    WallpaperExportSettings s = plainDesign();
    Frame plain(640, 360);
    draw(s, plain.context(), 640, 360);
    s.scanlines = true;
    Frame lined(640, 360);
    draw(s, lined.context(), 640, 360);
    const CellGrid grid = cellGrid(s, 640, 360);
    ASSERT_EQ(grid.cellHeight, 9.0);  // bands of 1.08 points at y = 0, 18, 36, ...
    const auto x = std::int64_t(grid.cellWidth * 7.5);
    EXPECT_NEAR(lined.at(x, 36).red, 0.88 * plain.at(x, 36).red, 1.01);
    EXPECT_NEAR(lined.at(x, 36).blue, 0.88 * plain.at(x, 36).blue, 1.01);
    EXPECT_EQ(lined.at(x, 40), plain.at(x, 40));  // the rest of the row
    EXPECT_EQ(lined.at(x, 45), plain.at(x, 45));  // an odd row

    s.scanlines = false;
    s.vignette = true;
    Frame shaded(640, 360);
    draw(s, shaded.context(), 640, 360);
    EXPECT_EQ(shaded.at(320, 180), plain.at(320, 180));
    // Clear, clear, black at 0.72 from radius 43.2 to 460.8: the corner pixel,
    // 366.6 from the centre, is darkened by 0.72 (t - 0.5) / 0.5.
    const double t = (std::hypot(319.5, 179.5) - 43.2) / (460.8 - 43.2);
    EXPECT_NEAR(shaded.at(0, 0).blue, (1 - 0.72 * (t - 0.5) / 0.5) * plain.at(0, 0).blue, 1.01);
}

TEST(LiveCanvas, GrainCellsShowTheirGrainColours) {
    WallpaperExportSettings s = plainDesign();
    s.grainGradientActive = true;
    s.grainGradientMode = GrainGradientMode::bloom;
    s.scanlines = true;
    const double width = 700;
    const double height = 400;
    Frame frame(700, 400);
    draw(s, frame.context(), width, height);
    const GrainGrid grid = grainGrid(s, width, height);
    const GrainColorer colorer(s, width / height);
    const double w = width / double(grid.columns);
    const double h = height / double(grid.rows);
    for (std::int64_t r = 1; r < grid.rows; r += 9) {
        for (std::int64_t c = 1; c < grid.columns; c += 11) {
            const RGB expected =
                colorer.ground(colorer.scanlined(colorer.cell(r, c, grid.unitX(c), grid.unitY(r)).color, r));
            ASSERT_EQ(frame.at(std::int64_t(w * (double(c) + 0.5)), std::int64_t(h * (double(r) + 0.5))),
                      expected)
                << r << "," << c;
        }
    }
}

TEST(LiveCanvas, HalftoneDotsLightTheirDarkGround) {
    WallpaperExportSettings s = plainDesign();
    s.grainGradientActive = true;
    s.grainGradientMode = GrainGradientMode::halftone;
    Frame frame(600, 338);
    draw(s, frame.context(), 600, 338);
    const GrainGrid grid = grainGrid(s, 600, 338);
    const GrainColorer colorer(s, 600.0 / 338.0);
    const double w = 600.0 / double(grid.columns);
    const double h = 338.0 / double(grid.rows);
    int lit = 0;
    int checked = 0;
    for (std::int64_t r = 2; r < grid.rows; r += 5) {
        for (std::int64_t c = 2; c < grid.columns; c += 7) {
            const auto cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
            const RGB ground = colorer.ground(cell.color);
            const HalftoneDot dot =
                colorer.halftoneDot(cell, cell.color, r, c, w * double(c), h * double(r), w + 0.55, h + 0.55);
            const RGB centre = frame.at(std::int64_t(dot.centerX), std::int64_t(dot.centerY));
            ++checked;
            // The dot's centre pixel lies between the ground and the dot colour.
            const int lo = std::min(ground.green, dot.color.green) - 2;
            const int hi = std::max(ground.green, dot.color.green) + 2;
            EXPECT_GE(centre.green, lo);
            EXPECT_LE(centre.green, hi);
            if (centre != ground) ++lit;
        }
    }
    EXPECT_GT(lit, checked * 3 / 4);
}

TEST(LiveCanvas, SmoothGradientRunsAlongItsAngleUnderItsGlows) {
    WallpaperExportSettings s = plainDesign(NotchShape::smoothGradient);
    s.angle = 0;
    s.phase = 0;
    s.spread = 10;  // the smallest glows: radius 72 at the top right, 56 at the left
    s.centerX = 100;
    s.centerY = 0;
    Frame frame(400, 200);
    draw(s, frame.context(), 400, 200);
    const std::vector<RGB> colors = smoothGradientColors(s);
    // The ramp runs from x = -80 to x = 480.
    const auto rampAt = [&](double x) {
        const double position = std::clamp((x + 80) / 560, 0.0, 1.0) * double(colors.size() - 1);
        const auto i = std::min(std::size_t(position), colors.size() - 2);
        const double f = position - double(i);
        return std::array<double, 3>{colors[i].red + (colors[i + 1].red - colors[i].red) * f,
                                     colors[i].green + (colors[i + 1].green - colors[i].green) * f,
                                     colors[i].blue + (colors[i + 1].blue - colors[i].blue) * f};
    };
    for (const auto& [x, y] : {std::pair{0, 0}, {399, 199}, {200, 20}}) {
        const auto expected = rampAt(x + 0.5);
        EXPECT_NEAR(frame.at(x, y).red, expected[0], 1.5) << x << "," << y;
        EXPECT_NEAR(frame.at(x, y).blue, expected[2], 1.5) << x << "," << y;
    }
    // Inside the accent the last colour shows through at 0.48 (1 - d / 72).
    const double d = std::hypot(400 - 390.5, 5.5);
    const double alpha = 0.48 * (1 - d / 72);
    const auto under = rampAt(390.5);
    EXPECT_NEAR(frame.at(390, 5).green, under[1] + (colors.back().green - under[1]) * alpha, 2.5);
}

// Channel by channel, `shaded` is `plain` darkened towards black by `alpha`.
void expectDarkened(RGB shaded, RGB plain, double alpha, const char* where) {
    EXPECT_NEAR(shaded.red, (1 - alpha) * plain.red, 1.01) << where;
    EXPECT_NEAR(shaded.green, (1 - alpha) * plain.green, 1.01) << where;
    EXPECT_NEAR(shaded.blue, (1 - alpha) * plain.blue, 1.01) << where;
}

TEST(LiveCanvas, SmoothGradientScanlinesAreThinBandsEveryTwoPitches) {
    // 2800 points high: pitch 20, so bands at y = 0, 40, 80, ..., each
    // 0.12 x 2800 / 140 = 2.4 points high at opacity 0.1.
    WallpaperExportSettings s = plainDesign(NotchShape::smoothGradient);
    Frame plain(60, 2800);
    draw(s, plain.context(), 60, 2800);
    s.scanlines = true;
    Frame lined(60, 2800);
    draw(s, lined.context(), 60, 2800);
    for (const std::int64_t top : {0, 40, 1320, 2760}) {
        expectDarkened(lined.at(30, top), plain.at(30, top), 0.1, "band row");
        expectDarkened(lined.at(30, top + 1), plain.at(30, top + 1), 0.1, "band row");
        expectDarkened(lined.at(30, top + 2), plain.at(30, top + 2), 0.04, "the band's last 0.4 point");
        EXPECT_EQ(lined.at(30, top + 3), plain.at(30, top + 3));
        EXPECT_EQ(lined.at(30, top + 20), plain.at(30, top + 20));  // one pitch on: between bands
    }

    // 350 points high: the pitch floor of 2 does not apply (2.5), the band
    // height floor of 0.6 does.
    s.scanlines = false;
    Frame shortPlain(60, 350);
    draw(s, shortPlain.context(), 60, 350);
    s.scanlines = true;
    Frame shortLined(60, 350);
    draw(s, shortLined.context(), 60, 350);
    for (const std::int64_t top : {0, 5, 345}) {
        expectDarkened(shortLined.at(30, top), shortPlain.at(30, top), 0.06, "short band");
        for (std::int64_t y = top + 1; y < top + 5 && y < 350; ++y)
            EXPECT_EQ(shortLined.at(30, y), shortPlain.at(30, y)) << y;
    }
}

TEST(LiveCanvas, SmoothGradientAndGrainVignettesHaveTheirOwnRadii) {
    // Smooth gradient: clear up to the middle of 0.12 min(W, H) ... 0.72 max(W, H),
    // then black rising to 0.72; the corner of 640 x 360 lies at t = 0.7741.
    WallpaperExportSettings smooth = plainDesign(NotchShape::smoothGradient);
    Frame smoothPlain(640, 360);
    draw(smooth, smoothPlain.context(), 640, 360);
    smooth.vignette = true;
    Frame smoothShaded(640, 360);
    draw(smooth, smoothShaded.context(), 640, 360);
    const double smoothT = (std::hypot(319.5, 179.5) - 43.2) / (460.8 - 43.2);
    expectDarkened(smoothShaded.at(0, 0), smoothPlain.at(0, 0), 0.72 * (smoothT - 0.5) / 0.5, "smooth corner");
    EXPECT_EQ(smoothShaded.at(320 + 240, 180), smoothPlain.at(320 + 240, 180));  // 240.5 < 252

    // Grain gradient: 0.2 min(W, H) = 72 to 0.78 max(W, H) = 499.2, peak 0.4,
    // so nothing darkens within 285.6 of the centre.
    WallpaperExportSettings grain = plainDesign();
    grain.grainGradientActive = true;
    Frame grainPlain(640, 360);
    draw(grain, grainPlain.context(), 640, 360);
    grain.vignette = true;
    Frame grainShaded(640, 360);
    draw(grain, grainShaded.context(), 640, 360);
    const auto grainAlpha = [](double distance) {
        const double t = (distance - 72) / (499.2 - 72);
        return 0.4 * std::max(t - 0.5, 0.0) / 0.5;
    };
    expectDarkened(grainShaded.at(0, 0), grainPlain.at(0, 0), grainAlpha(std::hypot(319.5, 179.5)),
                   "grain corner");
    expectDarkened(grainShaded.at(0, 180), grainPlain.at(0, 180), grainAlpha(319.5), "grain left edge");
    EXPECT_EQ(grainShaded.at(320 + 270, 180), grainPlain.at(320 + 270, 180));  // 270.5 < 285.6
}

TEST(LiveCanvas, PhotosAreTheBitmapsCellsAtTheCanvasSize) {
    PixelImageBuffer photo{4, 3, nullptr};
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 12; ++i)
        bytes.insert(bytes.end(), {std::uint8_t(i * 20), std::uint8_t(200 - i * 15), 90, 255});
    photo.rgba = std::make_shared<std::vector<std::uint8_t>>(bytes);
    WallpaperExportSettings s = plainDesign();
    s.imageBuffer = photo;
    s.imageSettings.pixelSize = 6;
    s.imageSettings.cellGap = 0.2;
    s.imageSettings.pixelShape = ImagePixelShape::dot;
    s.imageSettings.referenceWidth = 320;
    Frame frame(320, 200);
    draw(s, frame.context(), 320, 200);
    const PixelImageBuffer bitmap = ImagePixelizer::renderImage(photo, s.imageSettings, 320, 200);
    EXPECT_EQ(frame.bytes, *bitmap.rgba);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
