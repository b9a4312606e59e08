#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/palette.hpp"
#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/disc_drawing.hpp"
#include "render/grain_gradient.hpp"
#include "render/wallpaper_renderer.hpp"
#include "tests/render/png_reading.hpp"

namespace glimora::WallpaperRenderer {
namespace {

constexpr double pi = std::numbers::pi;

std::vector<RGB> palette(std::size_t index) {
    std::vector<RGB> colors;
    for (const Color& color : builtInPalettes().at(index).colors) colors.push_back(WallpaperExportSettings::rgb(color));
    return colors;
}

WallpaperExportSettings cells(NotchShape shape, ExportResolution resolution = ExportResolution::hd) {
    WallpaperExportSettings s;
    s.shape = shape;
    s.resolution = resolution;
    s.colors = palette(0);  // "CRT Night"
    return s;
}

WallpaperExportSettings grain(GrainGradientMode mode, ExportResolution resolution = ExportResolution::hd) {
    WallpaperExportSettings s;
    s.grainGradientActive = true;
    s.grainGradientMode = mode;
    s.resolution = resolution;
    s.seed = 0x5eed;
    s.noise = 35;
    s.colors = {RGB{20, 10, 60}, RGB{200, 40, 120}, RGB{250, 200, 90}, RGB{40, 180, 220}};
    return s;
}

WallpaperExportSettings smooth(ExportResolution resolution = ExportResolution::hd) {
    WallpaperExportSettings s;
    s.shape = NotchShape::smoothGradient;
    s.resolution = resolution;
    s.colors = {RGB{10, 20, 90}, RGB{230, 60, 120}, RGB{250, 220, 140}};
    return s;
}

PixelImageBuffer photo() {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            bytes->insert(bytes->end(), {std::uint8_t(x * 3), std::uint8_t(y * 4), std::uint8_t(x * y % 256), 255});
    return {80, 60, std::move(bytes)};
}

RGB at(const Bitmap& bitmap, std::int64_t x, std::int64_t y) {
    const std::uint8_t* p = bitmap.rgba.get() + (y * bitmap.width + x) * 4;
    return {p[0], p[1], p[2]};
}

std::uint8_t byteOf(double v) { return std::uint8_t(std::clamp(std::round(v), 0.0, 255.0)); }

void expectOpaque(const Bitmap& bitmap) {
    const auto bytes = bitmap.bytes();
    ASSERT_EQ(bytes.size(), std::size_t(bitmap.width * bitmap.height * 4));
    for (std::size_t i = 3; i < bytes.size(); i += 4) ASSERT_EQ(bytes[i], 255) << "pixel " << i / 4;
}

void expectNear(RGB actual, RGB expected, int tolerance, const std::string& where) {
    EXPECT_NEAR(actual.red, expected.red, tolerance) << where;
    EXPECT_NEAR(actual.green, expected.green, tolerance) << where;
    EXPECT_NEAR(actual.blue, expected.blue, tolerance) << where;
}

// ---- Cell grid ----

TEST(WallpaperBitmap, CrtNightCentreCell) {
    // Linear, "CRT Night", pixelScale 3 and the snapshot's defaults: no noise,
    // hue, brightness, chroma, warp, split or scanlines, contrast 100. The
    // default vignette and dither leave this cell alone: it sits within 0.225
    // of the centre, and its tone lands exactly on the middle colour.
    const Bitmap bitmap = renderBitmap(cells(NotchShape::linear));
    ASSERT_EQ(bitmap.width, 1920);
    ASSERT_EQ(bitmap.height, 1080);
    EXPECT_EQ(at(bitmap, 960, 545), (RGB{30, 0, 173}));

    WallpaperExportSettings plain = cells(NotchShape::linear);
    plain.vignette = false;
    plain.dither = DitherMode::off;
    EXPECT_EQ(at(renderBitmap(plain), 960, 545), (RGB{30, 0, 173}));
    // Row 60 is even: scanlines take it to 0.88.
    plain.scanlines = true;
    EXPECT_EQ(at(renderBitmap(plain), 960, 545), (RGB{26, 0, 152}));
}

// Every pixel of every cell against the colour of that cell worked out on its
// own, the split bands included.
void expectCellsExact(const WallpaperExportSettings& s) {
    const Bitmap bitmap = renderBitmap(s);
    const CellGrid grid = cellGrid(s, double(bitmap.width), double(bitmap.height));
    const CellColorer colorer(s);
    for (std::int64_t r = 0; r < grid.rows; ++r) {
        const PixelSpan rows = grid.coveringRowSpan(r, bitmap.height);
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const RGB color = colorer.rasterColor(c, r, grid.unitX(c), grid.unitY(r));
            // The bands follow the cell's own truncated span; past the last
            // cell the image repeats its last pixel.
            const PixelSpan own = grid.columnSpan(c, bitmap.width);
            const PixelSpan columns = grid.coveringColumnSpan(c, bitmap.width);
            const std::int64_t band = std::max<std::int64_t>(1, std::int64_t(0.14 * double(own.end - own.begin)));
            const RGB left{byteOf(0.66 * color.red + 86.7), byteOf(0.66 * color.green), byteOf(0.66 * color.blue)};
            const RGB right{byteOf(0.66 * color.red), byteOf(0.66 * color.green + 86.7),
                            byteOf(0.66 * color.blue + 86.7)};
            for (std::int64_t y = rows.begin; y < rows.end; y += std::max<std::int64_t>(1, rows.end - rows.begin - 1)) {
                for (std::int64_t x = columns.begin; x < columns.end; ++x) {
                    RGB expected = color;
                    const std::int64_t px = std::min(x, own.end - 1);
                    if (s.rgbSplit) expected = px - own.begin < band ? left : own.end - px <= band ? right : color;
                    ASSERT_EQ(at(bitmap, x, y), expected) << "cell " << c << "," << r << " pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(WallpaperBitmap, CellGridPixelsAreTheirCellsColours) {
    WallpaperExportSettings s = cells(NotchShape::radial);
    s.noise = 40;
    s.hue = 30;
    s.scanlines = true;
    s.chroma = 12;
    expectCellsExact(s);

    s = cells(NotchShape::ribbonBands, ExportResolution::fourK);
    s.rgbSplit = true;
    s.warp = 60;
    s.brightness = -10;
    s.colors = palette(7);
    expectCellsExact(s);

    s = cells(NotchShape::glowDots, ExportResolution::sixK);
    s.rgbSplit = true;
    s.pixelScale = 1.5;
    expectCellsExact(s);
}

TEST(WallpaperBitmap, SplitBandsOfAShortLastCell) {
    // pixelScale 2.9 at hd: 220 columns of 8.727 pixels; the last cell spans
    // pixels 1911...1918 (1919.99999 truncated), so its bands are 1 pixel wide
    // (trunc(0.14 x 8)): red at 1911, cyan at 1918, and 1919 repeats 1918.
    WallpaperExportSettings s = cells(NotchShape::linear);
    s.pixelScale = 2.9;
    s.rgbSplit = true;
    s.vignette = false;
    const Bitmap bitmap = renderBitmap(s);
    const CellGrid grid = cellGrid(s, 1920, 1080);
    ASSERT_EQ(grid.columns, 220);
    const CellColorer colorer(s);
    for (std::int64_t r = 0; r < grid.rows; r += 17) {
        const RGB c = colorer.rasterColor(219, r, 1, grid.unitY(r));
        const RGB left{byteOf(0.66 * c.red + 86.7), byteOf(0.66 * c.green), byteOf(0.66 * c.blue)};
        const RGB right{byteOf(0.66 * c.red), byteOf(0.66 * c.green + 86.7), byteOf(0.66 * c.blue + 86.7)};
        const auto y = grid.rowSpan(r, 1080).begin;
        // Pixel 1910 ends the cell before (1902...1910): its cyan band.
        const RGB before = colorer.rasterColor(218, r, grid.unitX(218), grid.unitY(r));
        EXPECT_EQ(at(bitmap, 1910, y),
                  (RGB{byteOf(0.66 * before.red), byteOf(0.66 * before.green + 86.7), byteOf(0.66 * before.blue + 86.7)}))
            << r;
        EXPECT_EQ(at(bitmap, 1911, y), left) << r;
        for (std::int64_t x = 1912; x < 1918; ++x) EXPECT_EQ(at(bitmap, x, y), c) << r << " pixel " << x;
        EXPECT_EQ(at(bitmap, 1918, y), right) << r;
        EXPECT_EQ(at(bitmap, 1919, y), right) << r;
    }
}

TEST(WallpaperBitmap, LastColumnAndRowReachTheEdges) {
    // At these scales the truncated spans of the last cell stop short of 1920.
    for (double scale : {2.9, 3.1, 3.2, 5.8, 6.1, 6.2, 7.2}) {
        WallpaperExportSettings s = cells(NotchShape::sine);
        s.pixelScale = scale;
        s.noise = 20;
        const CellGrid grid = cellGrid(s, 1920, 1080);
        ASSERT_LT(grid.columnSpan(grid.columns - 1, 1920).end, 1920) << scale;
        // Drawn over magenta, so any pixel left unwritten shows.
        std::vector<std::uint8_t> bytes(1920 * 1080 * 4);
        for (std::size_t i = 0; i < bytes.size(); i += 4) bytes[i] = 255, bytes[i + 1] = 0, bytes[i + 2] = 255;
        drawCellGrid(s, {bytes.data(), 1920, 1080, 1920 * 4});
        const CellColorer colorer(s);
        for (std::int64_t r = 0; r < grid.rows; ++r) {
            const RGB last = colorer.rasterColor(grid.columns - 1, r, 1, grid.unitY(r));
            const std::uint8_t* p = bytes.data() + (grid.coveringRowSpan(r, 1080).begin * 1920 + 1919) * 4;
            ASSERT_EQ((RGB{p[0], p[1], p[2]}), last) << scale << " row " << r;
        }
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const RGB last = colorer.rasterColor(c, grid.rows - 1, grid.unitX(c), grid.unitY(grid.rows - 1));
            const std::uint8_t* p = bytes.data() + (1079 * 1920 + grid.coveringColumnSpan(c, 1920).begin) * 4;
            ASSERT_EQ((RGB{p[0], p[1], p[2]}), last) << scale << " column " << c;
        }
    }
}

// ---- Every path ----

std::vector<std::pair<std::string, WallpaperExportSettings>> everyPath(ExportResolution resolution) {
    WallpaperExportSettings image = cells(NotchShape::linear, resolution);
    image.imageBuffer = photo();
    image.imageSettings.pixelShape = ImagePixelShape::dot;
    WallpaperExportSettings grid = cells(NotchShape::spiral, resolution);
    grid.rgbSplit = true;
    grid.noise = 25;
    WallpaperExportSettings smoothWithOverlays = smooth(resolution);
    smoothWithOverlays.scanlines = true;
    WallpaperExportSettings halftone = grain(GrainGradientMode::halftone, resolution);
    halftone.scanlines = true;
    return {{"image", image},
            {"cells", grid},
            {"liquid", grain(GrainGradientMode::liquid, resolution)},
            {"halftone", halftone},
            {"smooth", smoothWithOverlays}};
}

TEST(WallpaperBitmap, EveryPathIsOpaqueAtEveryResolution) {
    for (ExportResolution resolution : {ExportResolution::hd, ExportResolution::fourK, ExportResolution::sixK}) {
        const PixelSize size = exportPixelSize(resolution);
        for (const auto& [name, settings] : everyPath(resolution)) {
            SCOPED_TRACE(name + " at " + std::to_string(size.width));
            const Bitmap bitmap = renderBitmap(settings);
            EXPECT_EQ(bitmap.width, size.width);
            EXPECT_EQ(bitmap.height, size.height);
            expectOpaque(bitmap);
        }
    }
}

TEST(WallpaperBitmap, AnyThreadCountGivesTheSameBytes) {
    for (ExportResolution resolution : {ExportResolution::hd, ExportResolution::fourK}) {
        for (const auto& [name, settings] : everyPath(resolution)) {
            const Bitmap one = renderBitmap(settings, 1);
            const auto expected = one.bytes();
            for (int threads : {2, 5, 8}) {
                const Bitmap many = renderBitmap(settings, threads);
                ASSERT_TRUE(std::equal(expected.begin(), expected.end(), many.bytes().begin(), many.bytes().end()))
                    << name << " on " << threads << " threads";
            }
        }
    }
}

TEST(WallpaperBitmap, PhotoDesignsAreThePixelizersImage) {
    WallpaperExportSettings s = cells(NotchShape::linear);
    s.imageBuffer = photo();
    s.imageSettings.renderMode = ImageRenderMode::mosaic;
    s.imageSettings.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.imageSettings.mosaicCornerRadius = 0.3;
    const PixelImageBuffer expected = ImagePixelizer::renderImage(*s.imageBuffer, s.imageSettings, 1920, 1080);
    const Bitmap bitmap = renderBitmap(s);
    ASSERT_TRUE(std::equal(expected.bytes().begin(), expected.bytes().end(), bitmap.bytes().begin(),
                           bitmap.bytes().end()));
}

// ---- Grain gradient ----

// The cell grid of the grain drawing, as the tests see it.
struct GrainLayout {
    GrainGrid grid;
    double w, h;
    std::vector<RGB> fills;
    std::vector<HalftoneDot> dots;

    explicit GrainLayout(const WallpaperExportSettings& s) {
        const PixelSize size = exportPixelSize(s.resolution);
        const double W = double(size.width), H = double(size.height);
        grid = grainGrid(s, W, H);
        w = W / double(grid.columns);
        h = H / double(grid.rows);
        const GrainColorer colorer(s, W / H);
        for (std::int64_t r = 0; r < grid.rows; ++r)
            for (std::int64_t c = 0; c < grid.columns; ++c) {
                const auto cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
                const RGB scanlined = colorer.scanlined(cell.color, r);
                fills.push_back(colorer.ground(scanlined));
                dots.push_back(colorer.halftoneDot(cell, scanlined, r, c, w * double(c), h * double(r), w + 0.25,
                                                   h + 0.25));
            }
    }
    RGB fill(std::int64_t r, std::int64_t c) const { return fills[std::size_t(r * grid.columns + c)]; }
};

// 1 - alpha of a vignette (black, clear to `clearTo` between r0 and r1, up to
// `alpha` at r1, nothing past it) at the centre of pixel (x, y).
double shadeAt(double W, double H, double x, double y, double r0, double r1, double clearTo, double alpha) {
    const double d = std::hypot(x + 0.5 - std::floor(W / 2), y + 0.5 - std::floor(H / 2));
    const double t = (d - r0) / (r1 - r0);
    if (t <= clearTo || t > 1) return 1;
    return 1 - alpha * (t - clearTo) / (1 - clearTo);
}

TEST(WallpaperBitmap, GrainCellInteriorsAreExact) {
    WallpaperExportSettings s = grain(GrainGradientMode::bloom);
    s.vignette = false;
    s.scanlines = true;
    GrainLayout layout(s);
    Bitmap bitmap = renderBitmap(s);
    for (std::int64_t r = 0; r < layout.grid.rows; ++r)
        for (std::int64_t c = 0; c < layout.grid.columns; ++c) {
            const auto x = std::int64_t(layout.w * (double(c) + 0.5));
            const auto y = std::int64_t(layout.h * (double(r) + 0.5));
            ASSERT_EQ(at(bitmap, x, y), layout.fill(r, c)) << "cell " << c << "," << r;
        }

    // The vignette darkens the same pixels by its gradient.
    s.vignette = true;
    bitmap = renderBitmap(s);
    for (std::int64_t r = 0; r < layout.grid.rows; r += 3)
        for (std::int64_t c = 0; c < layout.grid.columns; c += 3) {
            const auto x = std::int64_t(layout.w * (double(c) + 0.5));
            const auto y = std::int64_t(layout.h * (double(r) + 0.5));
            const double k = shadeAt(1920, 1080, double(x), double(y), 0.2 * 1080, 0.78 * 1920, 0.36, 0.4);
            const RGB fill = layout.fill(r, c);
            expectNear(at(bitmap, x, y), {byteOf(fill.red * k), byteOf(fill.green * k), byteOf(fill.blue * k)}, 1,
                       "cell " + std::to_string(c) + "," + std::to_string(r));
        }
}

TEST(WallpaperBitmap, GrainEdgesBlendOnlyTheirNeighbours) {
    // Cells meet at fractional positions; an edge pixel mixes the cells that
    // reach into it and nothing else: no dark or light seam, no background.
    for (GrainGradientMode mode : {GrainGradientMode::liquid, GrainGradientMode::ribbon}) {
        WallpaperExportSettings s = grain(mode, ExportResolution::fourK);
        s.vignette = false;
        GrainLayout layout(s);
        const Bitmap bitmap = renderBitmap(s);
        for (std::int64_t y = 0; y < bitmap.height; ++y) {
            const auto r0 = std::int64_t(std::max(0.0, std::floor((double(y) - 0.25) / layout.h)));
            const auto r1 = std::min<std::int64_t>(layout.grid.rows - 1, std::int64_t(double(y + 1) / layout.h));
            for (std::int64_t x = 0; x < bitmap.width; ++x) {
                const auto c0 = std::int64_t(std::max(0.0, std::floor((double(x) - 0.25) / layout.w)));
                const auto c1 = std::min<std::int64_t>(layout.grid.columns - 1, std::int64_t(double(x + 1) / layout.w));
                int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
                for (std::int64_t r = r0; r <= r1; ++r)
                    for (std::int64_t c = c0; c <= c1; ++c) {
                        const RGB f = layout.fill(r, c);
                        const int v[3] = {f.red, f.green, f.blue};
                        for (int k = 0; k < 3; ++k) low[k] = std::min(low[k], v[k]), high[k] = std::max(high[k], v[k]);
                    }
                const RGB p = at(bitmap, x, y);
                const int v[3] = {p.red, p.green, p.blue};
                for (int k = 0; k < 3; ++k) {
                    ASSERT_GE(v[k], low[k] - 1) << "pixel " << x << "," << y;
                    ASSERT_LE(v[k], high[k] + 1) << "pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(WallpaperBitmap, HalftoneDotsOverTheirDarkGround) {
    WallpaperExportSettings s = grain(GrainGradientMode::halftone, ExportResolution::sixK);
    s.vignette = false;
    GrainLayout layout(s);
    const Bitmap bitmap = renderBitmap(s);
    int checked = 0;
    for (std::int64_t r = 0; r < layout.grid.rows; r += 5)
        for (std::int64_t c = 0; c < layout.grid.columns; c += 5) {
            const HalftoneDot& dot = layout.dots[std::size_t(r * layout.grid.columns + c)];
            const RGB ground = layout.fill(r, c);
            // The cell's top-left interior corner lies outside any dot.
            const auto x0 = std::int64_t(std::ceil(layout.w * double(c) + 0.25));
            const auto y0 = std::int64_t(std::ceil(layout.h * double(r) + 0.25));
            ASSERT_EQ(at(bitmap, x0, y0), ground) << "cell " << c << "," << r;
            if (dot.radius < 1.5) continue;
            // The dot's centre pixel is wholly inside it: the dot's colour at
            // its alpha over the ground (antialiased drawing, so within 2).
            const auto x = std::int64_t(dot.centerX), y = std::int64_t(dot.centerY);
            const auto mix = [&](int d, int g) { return byteOf(dot.alpha * d + (1 - dot.alpha) * g); };
            expectNear(at(bitmap, x, y),
                       {mix(dot.color.red, ground.red), mix(dot.color.green, ground.green),
                        mix(dot.color.blue, ground.blue)},
                       2, "dot " + std::to_string(c) + "," + std::to_string(r));
            ++checked;
        }
    EXPECT_GT(checked, 100);
}

// The grain drawing by the painter's rule in double precision: the snapped
// cells, then cell by cell (rows from the top, columns from the left) its
// rectangle (a quarter pixel larger) by area coverage and right after it its
// halftone dot, for the pixels [0, size) x [0, size).
std::vector<RGB> paintedGrain(const WallpaperExportSettings& s, std::int64_t size) {
    const GrainLayout layout(s);
    const PixelSize image = exportPixelSize(s.resolution);
    const auto snapped = [](double cell, std::int64_t cells, std::int64_t p, std::int64_t pixels) {
        std::int64_t found = 0;
        for (std::int64_t k = 0; k < cells; ++k) {
            const auto begin = std::int64_t(cell * double(k));
            const auto end = k == cells - 1 ? pixels : std::max(begin + 1, std::int64_t(cell * double(k + 1)));
            if (p >= begin && p < end) found = k;
        }
        return found;
    };
    std::vector<std::array<double, 3>> canvas(std::size_t(size * size));
    for (std::int64_t y = 0; y < size; ++y)
        for (std::int64_t x = 0; x < size; ++x) {
            const RGB f = layout.fill(snapped(layout.h, layout.grid.rows, y, image.height),
                                      snapped(layout.w, layout.grid.columns, x, image.width));
            canvas[std::size_t(y * size + x)] = {double(f.red), double(f.green), double(f.blue)};
        }
    const auto lay = [&](std::int64_t x, std::int64_t y, RGB color, double a) {
        auto& p = canvas[std::size_t(y * size + x)];
        const double c[3] = {double(color.red), double(color.green), double(color.blue)};
        for (int k = 0; k < 3; ++k) p[std::size_t(k)] = a * c[k] + (1 - a) * p[std::size_t(k)];
    };
    const auto overlap = [](double from, double to, std::int64_t p) {
        return std::max(0.0, std::min(double(p + 1), to) - std::max(double(p), from));
    };
    const auto lastRow = std::int64_t(double(size) / layout.h) + 1;
    const auto lastColumn = std::int64_t(double(size) / layout.w) + 1;
    for (std::int64_t r = 0; r <= lastRow; ++r)
        for (std::int64_t c = 0; c <= lastColumn; ++c) {
            const double x0 = layout.w * double(c), y0 = layout.h * double(r);
            for (std::int64_t y = 0; y < size; ++y)
                for (std::int64_t x = 0; x < size; ++x) {
                    const double a = overlap(y0, y0 + layout.h + 0.25, y) * overlap(x0, x0 + layout.w + 0.25, x);
                    if (a > 0) lay(x, y, layout.fill(r, c), a);
                }
            const HalftoneDot& dot = layout.dots[std::size_t(r * layout.grid.columns + c)];
            for (std::int64_t y = 0; y < size; ++y)
                for (std::int64_t x = 0; x < size; ++x) {
                    const double covered = discCoverage(dot.centerX, dot.centerY, dot.radius, x, y);
                    if (covered > 0) lay(x, y, dot.color, dot.alpha * covered);
                }
        }
    std::vector<RGB> pixels;
    for (const auto& p : canvas) pixels.push_back({byteOf(p[0]), byteOf(p[1]), byteOf(p[2])});
    return pixels;
}

TEST(WallpaperBitmap, HalftoneDotsAreDrawnRightAfterTheirCells) {
    // A dot near its cell's right or bottom edge shares pixels with the cells
    // drawn after it, which lay their edges over that part of the dot.
    for (ExportResolution resolution : {ExportResolution::hd, ExportResolution::fourK}) {
        WallpaperExportSettings s = grain(GrainGradientMode::halftone, resolution);
        s.vignette = false;
        s.grainGradientGlow = 100;
        constexpr std::int64_t size = 120;
        const std::vector<RGB> expected = paintedGrain(s, size);
        const Bitmap bitmap = renderBitmap(s);
        int off = 0, worst = 0;
        std::string first;
        for (std::int64_t y = 0; y < size; ++y)
            for (std::int64_t x = 0; x < size; ++x) {
                const RGB p = at(bitmap, x, y), e = expected[std::size_t(y * size + x)];
                const int d = std::max({std::abs(p.red - e.red), std::abs(p.green - e.green), std::abs(p.blue - e.blue)});
                if (d <= 1) continue;
                if (off++ == 0) first = std::to_string(x) + "," + std::to_string(y);
                worst = std::max(worst, d);
            }
        EXPECT_EQ(off, 0) << "first at " << first << ", worst by " << worst;
    }
}

// ---- Smooth gradient ----

// The smooth gradient worked out per pixel in double precision: the linear
// gradient held at its end colours, the two glows (colour and alpha both
// fading to clear) in screen blend, the scanline bands' coverage, the vignette.
RGB smoothReference(const WallpaperExportSettings& s, double W, double H, std::int64_t x, std::int64_t y) {
    const std::vector<RGB> colors = smoothGradientColors(s);
    const double px = double(x) + 0.5, py = double(y) + 0.5;
    const double b = (s.angle + 0.15 * s.phase) * pi / 180;
    const double x0 = (0.5 - 0.7 * std::cos(b)) * W, y0 = (0.5 - 0.7 * std::sin(b)) * H;
    const double x1 = (0.5 + 0.7 * std::cos(b)) * W, y1 = (0.5 + 0.7 * std::sin(b)) * H;
    const double t = std::clamp(((px - x0) * (x1 - x0) + (py - y0) * (y1 - y0)) /
                                    ((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0)),
                                0.0, 1.0);
    double c[3];
    const std::size_t n = colors.size();
    const double position = t * double(n - 1);
    const std::size_t i = n == 1 ? 0 : std::min(std::size_t(position), n - 2);
    const RGB a = colors[i], e = colors[std::min(i + 1, n - 1)];
    const double f = position - double(i);
    c[0] = a.red + f * (e.red - a.red), c[1] = a.green + f * (e.green - a.green), c[2] = a.blue + f * (e.blue - a.blue);

    const double cx = std::clamp(s.centerX / 100, 0.0, 1.0), cy = std::clamp(s.centerY / 100, 0.0, 1.0);
    const double r1 = std::max(0.16 * std::min(W, H), std::clamp(s.spread / 260, 0.18, 1.2) * std::max(W, H));
    const auto glow = [&](RGB color, double gx, double gy, double radius) {
        const double d = std::hypot(px - gx, py - gy);
        if (d >= radius) return;
        const double k = (1 - d / radius) * (1 - d / radius);
        const double g[3] = {color.red * k, color.green * k, color.blue * k};
        for (int j = 0; j < 3; ++j) c[j] = c[j] + g[j] - c[j] * g[j] / 255;
    };
    glow(colors.back(), cx * W, cy * H, r1);
    glow(colors.front(), (1 - cx) * W, (0.72 + 0.08 * std::sin(s.phase * pi / 180)) * H, 0.78 * r1);

    double k = 1;
    if (s.scanlines) {
        const double pitch = std::max(H / 140, 2.0), band = std::max(1.0, 0.12 * H / 140);
        for (double top = 0; top < H; top += 2 * pitch) {
            const double covered = std::min(double(y + 1), top + band) - std::max(double(y), top);
            if (covered > 0) k *= 1 - 0.1 * covered;
        }
    }
    if (s.vignette) k *= shadeAt(W, H, double(x), double(y), 0.12 * std::min(W, H), 0.72 * std::max(W, H), 0.34, 0.72);
    return {byteOf(c[0] * k), byteOf(c[1] * k), byteOf(c[2] * k)};
}

void expectSmooth(const WallpaperExportSettings& s, const std::string& name) {
    const Bitmap bitmap = renderBitmap(s);
    const double W = double(bitmap.width), H = double(bitmap.height);
    for (std::int64_t y = 0; y < bitmap.height; y += 7) {
        for (std::int64_t x = y % 5; x < bitmap.width; x += 13) {
            const RGB expected = smoothReference(s, W, H, x, y);
            const RGB actual = at(bitmap, x, y);
            if (std::abs(actual.red - expected.red) > 1 || std::abs(actual.green - expected.green) > 1 ||
                std::abs(actual.blue - expected.blue) > 1) {
                FAIL() << name << ": pixel " << x << "," << y;
            }
        }
    }
    // The corners, where the diagonal gradient runs past its ends.
    for (std::int64_t y : {std::int64_t(0), bitmap.height - 1})
        for (std::int64_t x : {std::int64_t(0), bitmap.width - 1})
            expectNear(at(bitmap, x, y), smoothReference(s, W, H, x, y), 1, name + " corner");
}

TEST(WallpaperBitmap, SmoothGradientFollowsItsFormulas) {
    expectSmooth(smooth(), "default");
    WallpaperExportSettings s = smooth(ExportResolution::fourK);
    s.angle = 20;
    s.phase = 70;
    s.centerX = 10;
    s.centerY = 130;  // held at the bottom edge
    s.spread = 400;
    s.scanlines = true;
    s.colors = palette(3);
    expectSmooth(s, "fourK with scanlines");
    s = smooth();
    s.vignette = false;
    s.angle = 270;
    s.invert = true;
    s.hue = 40;
    s.colors = {RGB{255, 140, 0}};
    expectSmooth(s, "one colour");
    s.colors.clear();
    expectSmooth(s, "no colours");
}

TEST(WallpaperBitmap, SmoothScanlinesAreThinBands) {
    WallpaperExportSettings s = smooth();
    s.vignette = false;
    const Bitmap plain = renderBitmap(s);
    s.scanlines = true;
    const Bitmap lined = renderBitmap(s);
    // At 1080 the bands are one pixel high every 2 x 7.714 rows: rows 0 and
    // 108 (band at 108.0) lie wholly in a band, rows 1 to 14 in none.
    for (std::int64_t x : {0, 777, 1919}) {
        for (std::int64_t y : {0, 108}) {
            const RGB p = at(plain, x, y);
            expectNear(at(lined, x, y), {byteOf(0.9 * p.red), byteOf(0.9 * p.green), byteOf(0.9 * p.blue)}, 1,
                       "banded row " + std::to_string(y));
        }
        for (std::int64_t y = 1; y < 15; ++y) EXPECT_EQ(at(lined, x, y), at(plain, x, y)) << y;
    }
}

TEST(WallpaperBitmap, OutlandishValuesStillGiveAnOpaqueImage) {
    // Values the editor never makes but a hand-edited recipe might carry.
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {std::nan(""), inf, -inf, 1e300, -1e300}) {
        for (auto [name, s] : everyPath(ExportResolution::hd)) {
            if (s.imageBuffer) continue;
            s.angle = s.phase = s.spread = s.centerX = s.centerY = v;
            s.pixelScale = s.noise = s.hue = s.brightness = s.contrast = s.chroma = s.warp = v;
            s.grainGradientScale = s.grainGradientWarp = s.grainGradientFlow = s.grainGradientGlow = v;
            SCOPED_TRACE(name + " with " + std::to_string(v));
            expectOpaque(renderBitmap(s));
            EXPECT_EQ(renderSVG(s).substr(0, 4), "<svg");
        }
    }
}

// ---- Targets and PNG ----

TEST(WallpaperBitmap, DrawingChecksItsTarget) {
    for (const auto& [name, settings] : everyPath(ExportResolution::hd)) {
        if (settings.imageBuffer) continue;
        std::vector<std::uint8_t> bytes(40 * 10 * 4, 7);
        EXPECT_THROW(drawWallpaper(settings, {bytes.data(), 40, 10, 39 * 4}), RendererError) << name;
        drawWallpaper(settings, {bytes.data(), 0, 10, 0});  // nothing to draw
        EXPECT_EQ(bytes[0], 7);
        // Any size draws, opaque to the last pixel.
        drawWallpaper(settings, {bytes.data(), 37, 9, 40 * 4});
        for (std::int64_t y = 0; y < 9; ++y)
            for (std::int64_t x = 0; x < 37; ++x) ASSERT_EQ(bytes[std::size_t(y * 160 + x * 4 + 3)], 255) << name;
        EXPECT_EQ(bytes[37 * 4 + 3], 7) << name;  // the stride's padding stays untouched
    }
}

TEST(WallpaperBitmap, PngOfAnExportDecodesToItsPixels) {
    WallpaperExportSettings s = grain(GrainGradientMode::ribbon);
    const Bitmap bitmap = renderBitmap(s);
    const auto png = renderPNG(s);
    const auto decoded = test::decodePng(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 1920u);
    EXPECT_EQ(decoded->height, 1080u);
    EXPECT_TRUE(std::equal(decoded->rgba.begin(), decoded->rgba.end(), bitmap.bytes().begin(), bitmap.bytes().end()));
    EXPECT_THROW(encodePNG(Bitmap{}), RendererError);
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
