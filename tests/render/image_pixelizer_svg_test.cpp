#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "render/fixed_decimal.hpp"
#include "render/image_pixelizer.hpp"
#include "tests/render/comma_locale.hpp"

namespace glimora {
namespace {

using Settings = ImagePixelizer::Settings;

std::vector<std::uint8_t> paintedBytes(std::int64_t width, std::int64_t height) {
    std::vector<std::uint8_t> bytes;
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            bytes.insert(bytes.end(),
                         {std::uint8_t(x * 255 / (width - 1)), std::uint8_t(y * 255 / (height - 1)),
                          std::uint8_t((x * 37 + y * 91) % 256), 255});
        }
    return bytes;
}

std::vector<std::uint8_t> solidBytes(std::int64_t count, RGB color) {
    std::vector<std::uint8_t> bytes;
    for (std::int64_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), {color.red, color.green, color.blue, 255});
    return bytes;
}

// 28 x 16 cells on a 560 x 320 output: every cell is 20 x 20.
Settings twentyPixelCells() {
    Settings s;
    s.pixelSize = 100;
    s.referenceWidth = 1512;
    s.colorCount = 256;
    s.dither = ImageDitherStyle::none;
    return s;
}

// The n-th element after the background, and the text before the first cell.
std::string element(const std::string& svg, int n) {
    std::size_t start = svg.find("/>") + 2;  // end of the background rectangle
    for (int i = 0; i < n; ++i) start = svg.find("/>", start) + 2;
    return svg.substr(start, svg.find("/>", start) + 2 - start);
}

TEST(FixedDecimal, MatchesPrintfInTheCLocale) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> values(0, 7000);
    for (int i = 0; i < 20000; ++i) {
        double value = values(random);
        if (i % 3 == 0) value = std::round(value * 1000) / 1000 + 0.005;  // near ties
        if (i % 5 == 0) value = double(random() % 100000) / 8;            // exact binary ties
        for (int precision : {2, 3}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, precision == 2 ? "%.2f" : "%.3f", value);
            std::string actual;
            appendFixed(actual, value, precision);
            ASSERT_EQ(actual, expected) << value;
        }
    }
    std::string text;
    appendFixed(text, 0.125, 2);
    appendFixed(text, 0.0975, 3);
    appendFixed(text, 28.0291970802919, 2);
    EXPECT_EQ(text, "0.120.09828.03");
}

TEST(ImagePixelizerSVG, DocumentFrameAndBackground) {
    const auto bytes = solidBytes(4, {10, 171, 255});
    Settings s = twentyPixelCells();
    const std::string svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 1920, 1080);
    const std::string head =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100%\" height=\"100%\" viewBox=\"0 0 1920 1080\" "
        "preserveAspectRatio=\"xMidYMid meet\" style=\"display:block;max-width:100%;height:auto\">"
        "<g shape-rendering=\"crispEdges\"><rect width=\"1920\" height=\"1080\" fill=\"#0AABFF\"/><rect "
        "x=\"0.00\" ";
    EXPECT_EQ(svg.substr(0, head.size()), head);
    EXPECT_EQ(svg.substr(svg.size() - 10), "</g></svg>");
    EXPECT_EQ(svg.find('\n'), std::string::npos);
    EXPECT_EQ(svg.find("/> "), std::string::npos);

    s.renderMode = ImageRenderMode::mosaic;
    const std::string mosaic = ImagePixelizer::renderSVG(2, 2, bytes, s, 1920, 1080);
    EXPECT_NE(mosaic.find("height:auto\"><g><rect width=\"1920\""), std::string::npos);
    EXPECT_EQ(mosaic.find("crispEdges"), std::string::npos);
}

TEST(ImagePixelizerSVG, EveryCellIsOneElement) {
    const auto bytes = paintedBytes(9, 7);
    Settings s = twentyPixelCells();
    for (auto mode : {ImageRenderMode::pixel, ImageRenderMode::mosaic}) {
        s.renderMode = mode;
        s.cellGap = 0.9;
        const std::string svg = ImagePixelizer::renderSVG(9, 7, bytes, s, 560, 320);
        std::size_t count = 0;
        for (std::size_t at = svg.find("fill=\"#"); at != std::string::npos;
             at = svg.find("fill=\"#", at + 1))
            ++count;
        EXPECT_EQ(count, 1 + 28 * 16);
    }
}

TEST(ImagePixelizerSVG, PixelShapes) {
    const auto bytes = solidBytes(4, {1, 2, 3});
    Settings s = twentyPixelCells();
    // 137 x 77 cells on 3840 x 2160 without gap.
    s.pixelSize = 5;
    s.referenceWidth = 1512;
    std::string svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 3840, 2160);
    EXPECT_EQ(element(svg, 0),
              "<rect x=\"0.00\" y=\"0.00\" width=\"28.03\" height=\"28.05\" fill=\"#010203\"/>");
    EXPECT_EQ(element(svg, 138),
              "<rect x=\"28.03\" y=\"28.05\" width=\"28.03\" height=\"28.05\" fill=\"#010203\"/>");

    s = twentyPixelCells();
    s.cellGap = 0.14;  // inset 1.4 on 20 x 20 cells
    s.pixelShape = ImagePixelShape::dot;
    svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 560, 320);
    EXPECT_EQ(element(svg, 1),
              "<ellipse cx=\"30.00\" cy=\"10.00\" rx=\"8.60\" ry=\"8.60\" fill=\"#010203\"/>");
    s.pixelShape = ImagePixelShape::diamond;
    svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 560, 320);
    EXPECT_EQ(element(svg, 28),
              "<polygon points=\"10.00,21.40 18.60,30.00 10.00,38.60 1.40,30.00\" fill=\"#010203\"/>");

    // A gap so large the cell would vanish still writes it, 0.5 across.
    s.pixelShape = ImagePixelShape::square;
    s.cellGap = 0.8;
    svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 28, 16);
    EXPECT_EQ(element(svg, 0),
              "<rect x=\"0.40\" y=\"0.40\" width=\"0.50\" height=\"0.50\" fill=\"#010203\"/>");
    s.cellGap = std::nan("");
    svg = ImagePixelizer::renderSVG(2, 2, bytes, s, 28, 16);
    EXPECT_EQ(element(svg, 0),
              "<rect x=\"0.00\" y=\"0.00\" width=\"1.00\" height=\"1.00\" fill=\"#010203\"/>");
}

TEST(ImagePixelizerSVG, MosaicTiles) {
    const auto bytes = solidBytes(4, {200, 16, 0});
    Settings s = twentyPixelCells();
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicCornerRadius = 0.18;
    auto first = [&] { return element(ImagePixelizer::renderSVG(2, 2, bytes, s, 560, 320), 0); };

    s.mosaicTileShape = ImageMosaicTileShape::square;
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"0.00\" width=\"20.00\" height=\"20.00\" rx=\"0.00\" fill=\"#C81000\"/>");
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"0.00\" width=\"20.00\" height=\"20.00\" rx=\"3.60\" fill=\"#C81000\"/>");
    s.mosaicTileShape = ImageMosaicTileShape::wide;
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"3.80\" width=\"20.00\" height=\"12.40\" rx=\"0.00\" fill=\"#C81000\"/>");
    s.mosaicTileShape = ImageMosaicTileShape::tall;
    EXPECT_EQ(first(),
              "<rect x=\"3.80\" y=\"0.00\" width=\"12.40\" height=\"20.00\" rx=\"0.00\" fill=\"#C81000\"/>");
    s.mosaicTileShape = ImageMosaicTileShape::brick;  // 17.6 x 16.8, radius 0.18 * 16.8
    EXPECT_EQ(first(),
              "<rect x=\"1.20\" y=\"1.60\" width=\"17.60\" height=\"16.80\" rx=\"3.02\" fill=\"#C81000\"/>");
    s.mosaicCornerRadius = 1;  // acts as 0.45
    EXPECT_EQ(first(),
              "<rect x=\"1.20\" y=\"1.60\" width=\"17.60\" height=\"16.80\" rx=\"7.56\" fill=\"#C81000\"/>");

    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.18;
    s.mosaicBevel = 50;
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"0.00\" width=\"20.00\" height=\"20.00\" rx=\"3.60\" fill=\"#C81000\" "
              "stroke=\"#FFFFFF\" stroke-opacity=\"0.140\" stroke-width=\"0.65\"/>");
    s.mosaicBevel = 35;  // 20 * 0.065 * 0.35 = 0.455: the minimum width
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"0.00\" width=\"20.00\" height=\"20.00\" rx=\"3.60\" fill=\"#C81000\" "
              "stroke=\"#FFFFFF\" stroke-opacity=\"0.098\" stroke-width=\"0.50\"/>");
    s.mosaicBevel = 400;  // acts as 100
    EXPECT_EQ(first(),
              "<rect x=\"0.00\" y=\"0.00\" width=\"20.00\" height=\"20.00\" rx=\"3.60\" fill=\"#C81000\" "
              "stroke=\"#FFFFFF\" stroke-opacity=\"0.280\" stroke-width=\"1.30\"/>");
    for (double none : {0.0, -5.0}) {
        s.mosaicBevel = none;
        EXPECT_EQ(first().find("stroke"), std::string::npos);
    }
}

using test::CommaLocale;

Settings goldenSettings() {
    Settings s;
    s.seed = 0x5EED1234ABCDull;
    s.pixelSize = 100;
    s.referenceWidth = 1512;
    s.colorCount = 6;
    s.dither = ImageDitherStyle::bayer8;
    s.renderMode = ImageRenderMode::mosaic;
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.18;
    s.mosaicBevel = 35;
    s.mosaicVariation = 8;
    s.cellGap = 0.14;
    s.brightness = 4;
    s.contrast = 110;
    s.saturation = 120;
    s.crop = {0.3, 0.6, 1.25};
    return s;
}

TEST(ImagePixelizerSVG, GoldenDocumentUnderADecimalCommaLocale) {
    const auto bytes = paintedBytes(40, 30);
    const std::string golden = std::string(GLIMORA_TEST_DATA) + "/photo_mosaic_golden.svg";
    // 1000 x 563: 28 x 16 cells of 35.714 x 35.1875, so every number rounds.
    if (std::getenv("GLIMORA_WRITE_GOLDEN")) {
        std::ofstream(golden, std::ios::binary)
            << ImagePixelizer::renderSVG(40, 30, bytes, goldenSettings(), 1000, 563);
    }
    std::stringstream expected;
    expected << std::ifstream(golden, std::ios::binary).rdbuf();
    ASSERT_FALSE(expected.str().empty()) << golden;

    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be set or generated";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    ASSERT_STREQ(probe, "1,50") << locale.name();  // the locale really writes commas

    const std::string svg = ImagePixelizer::renderSVG(40, 30, bytes, goldenSettings(), 1000, 563);
    EXPECT_TRUE(svg == expected.str()) << "differs from " << golden;
    EXPECT_EQ(svg.find(','), std::string::npos);
    // The first tile, worked out by hand: inset 35.1875 * 0.07 = 2.463125,
    // radius 0.18 * 30.26125, stroke 30.26125 * 0.065 * 0.35.
    const std::string tile =
        "<rect x=\"2.46\" y=\"2.46\" width=\"30.79\" height=\"30.26\" rx=\"5.45\" fill=\"#";
    EXPECT_EQ(element(svg, 0).substr(0, tile.size()), tile);
    EXPECT_NE(element(svg, 0).find("stroke-opacity=\"0.098\" stroke-width=\"0.69\"/>"), std::string::npos);
}

}  // namespace
}  // namespace glimora
