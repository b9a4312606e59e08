#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "model/palette.hpp"
#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/color_math.hpp"
#include "render/fixed_decimal.hpp"
#include "render/grain_gradient.hpp"
#include "render/wallpaper_renderer.hpp"
#include "tests/render/comma_locale.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora::WallpaperRenderer {
namespace {

const std::string root =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100%\" height=\"100%\" viewBox=\"0 0 1920 1080\" "
    "preserveAspectRatio=\"xMidYMid meet\" style=\"display:block;max-width:100%;height:auto\">";

WallpaperExportSettings crtNight(ExportResolution resolution = ExportResolution::hd) {
    WallpaperExportSettings s;
    s.shape = NotchShape::linear;
    s.resolution = resolution;
    for (const Color& color : builtInPalettes().at(0).colors) s.colors.push_back(WallpaperExportSettings::rgb(color));
    return s;
}

WallpaperExportSettings grain(GrainGradientMode mode) {
    WallpaperExportSettings s;
    s.grainGradientActive = true;
    s.grainGradientMode = mode;
    s.seed = 99;
    s.noise = 30;
    s.colors = {RGB{20, 10, 60}, RGB{200, 40, 120}, RGB{250, 200, 90}};
    return s;
}

WallpaperExportSettings smooth() {
    WallpaperExportSettings s;
    s.shape = NotchShape::smoothGradient;
    s.angle = 0;
    s.colors = {RGB{0x12, 0x34, 0x56}, RGB{0xAB, 0xCD, 0xEF}};
    return s;
}

std::string hex(RGB color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color.red, color.green, color.blue);
    return text;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// The elements named `name` ("<rect", "<circle"), each up to its "/>".
std::vector<std::string> elements(const std::string& svg, const std::string& name) {
    std::vector<std::string> found;
    for (std::size_t at = svg.find(name + " "); at != std::string::npos; at = svg.find(name + " ", at + 1)) {
        const std::size_t end = svg.find("/>", at);
        if (end == std::string::npos) break;
        found.push_back(svg.substr(at, end + 2 - at));
    }
    return found;
}

// The value of an attribute of one element, or "" when it has none.
std::string attribute(const std::string& element, const std::string& name) {
    const std::size_t at = element.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    const std::size_t start = at + name.size() + 3;
    return element.substr(start, element.find('"', start) - start);
}

// Whether a number is written with exactly `decimals` digits after a point.
bool fixedDecimals(const std::string& number, std::size_t decimals) {
    const std::size_t point = number.find('.');
    if (point == std::string::npos || point == 0 || number.size() - point - 1 != decimals) return false;
    for (std::size_t i = 0; i < number.size(); ++i)
        if (i != point && !std::isdigit(static_cast<unsigned char>(number[i]))) return false;
    return true;
}

bool hexColor(const std::string& text) {
    return text.size() == 7 && text[0] == '#' &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); });
}

// The fill colours of the rect elements that are cells (not split bands).
std::vector<std::string> cellFills(const std::string& svg) {
    std::vector<std::string> fills;
    for (const std::string& rect : elements(svg, "<rect"))
        if (attribute(rect, "opacity").empty() && hexColor(attribute(rect, "fill"))) fills.push_back(attribute(rect, "fill"));
    return fills;
}

double number(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TEST(WallpaperSVG, CellGridDocument) {
    const WallpaperExportSettings s = crtNight();
    const std::string svg = renderSVG(s);
    const CellGrid grid = cellGrid(s, 1920, 1080);
    const CellColorer colorer(s);
    // w = 9.0141 and h = 9.0, each grown by 0.2.
    const std::string first = "<g shape-rendering=\"crispEdges\"><rect x=\"0.00\" y=\"0.00\" width=\"9.21\" "
                              "height=\"9.20\" fill=\"" + hex(colorer.rasterColor(0, 0, 0, 0)) + "\"/><rect x=\"9.01\" "
                              "y=\"0.00\" width=\"9.21\" height=\"9.20\" fill=\"" +
                              hex(colorer.rasterColor(1, 0, grid.unitX(1), 0)) + "\"/>";
    EXPECT_EQ(svg.substr(0, root.size() + first.size()), root + first);
    EXPECT_EQ(svg.substr(svg.size() - 10), "</g></svg>");
    EXPECT_EQ(count(svg, "<rect"), 25560u);

    // Every cell has the colour the bitmap gives its pixels.
    const Bitmap bitmap = renderBitmap(s);
    const auto fills = cellFills(svg);
    ASSERT_EQ(fills.size(), 25560u);
    for (std::int64_t r = 0; r < grid.rows; ++r)
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const std::uint8_t* p = bitmap.rgba.get() + (grid.rowSpan(r, 1080).begin * 1920 + grid.columnSpan(c, 1920).begin) * 4;
            ASSERT_EQ(fills[std::size_t(r * grid.columns + c)], hex({p[0], p[1], p[2]})) << c << "," << r;
        }
}

TEST(WallpaperSVG, SplitBands) {
    WallpaperExportSettings s = crtNight();
    s.rgbSplit = true;
    const std::string svg = renderSVG(s);
    EXPECT_EQ(count(svg, "<rect"), 76680u);
    // Bands max(0.14 w, 0.8) = 1.26 wide, at the cell's left and right edges.
    EXPECT_NE(svg.find("<rect x=\"9.01\" y=\"0.00\" width=\"1.26\" height=\"9.20\" fill=\"#FF0000\" opacity=\"0.34\"/>"
                       "<rect x=\"16.77\" y=\"0.00\" width=\"1.26\" height=\"9.20\" fill=\"#00FFFF\" opacity=\"0.34\"/>"),
              std::string::npos);
    s.resolution = ExportResolution::sixK;
    EXPECT_EQ(count(renderSVG(s), "<rect"), 114660u);  // 260 x 147 cells, three elements each
}

TEST(WallpaperSVG, SmoothGradientDocument) {
    WallpaperExportSettings s = smooth();
    const std::string expected =
        root +
        "\n  <defs>"
        "\n    <linearGradient id=\"ombriq-smooth-base\" x1=\"-0.19999999999999996\" y1=\"0.5\" x2=\"1.2\" y2=\"0.5\">"
        "<stop offset=\"0.00%\" stop-color=\"#123456\"/><stop offset=\"100.00%\" stop-color=\"#ABCDEF\"/>"
        "</linearGradient>"
        "\n    <radialGradient id=\"ombriq-smooth-accent\" cx=\"0.5\" cy=\"0.5\" r=\"0.5384615384615384\">"
        "\n      <stop offset=\"0%\" stop-color=\"#ABCDEF\" stop-opacity=\"0.48\"/>"
        "\n      <stop offset=\"100%\" stop-color=\"#ABCDEF\" stop-opacity=\"0\"/>"
        "\n    </radialGradient>"
        "\n    <radialGradient id=\"ombriq-smooth-secondary\" cx=\"0.5\" cy=\"0.72\" r=\"0.42\">"
        "\n      <stop offset=\"0%\" stop-color=\"#123456\" stop-opacity=\"0.24\"/>"
        "\n      <stop offset=\"100%\" stop-color=\"#123456\" stop-opacity=\"0\"/>"
        "\n    </radialGradient>"
        "\n    <radialGradient id=\"ombriq-smooth-vignette\" cx=\"50%\" cy=\"50%\" r=\"72%\">"
        "\n      <stop offset=\"12%\" stop-color=\"#000000\" stop-opacity=\"0\"/>"
        "\n      <stop offset=\"34%\" stop-color=\"#000000\" stop-opacity=\"0\"/>"
        "\n      <stop offset=\"100%\" stop-color=\"#000000\" stop-opacity=\"0.72\"/>"
        "\n    </radialGradient>"
        "\n  </defs>"
        "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-base)\"/>"
        "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-accent)\" style=\"mix-blend-mode:screen\"/>"
        "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-secondary)\" style=\"mix-blend-mode:screen\"/>"
        "\n  "
        "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-vignette)\"/>"
        "\n</svg>";
    EXPECT_EQ(renderSVG(s), expected);
    EXPECT_EQ(count(expected, "\n"), 22u);

    // 135 degrees; one colour (its one stop at 0, accent and secondary alike);
    // no vignette rectangle, though its gradient is still defined.
    s.angle = 135;
    s.vignette = false;
    s.colors = {RGB{0xFF, 0x80, 0x00}};
    const std::string single = renderSVG(s);
    EXPECT_NE(single.find("x1=\"0.9949747468305832\" y1=\"0.00502525316941671\" x2=\"0.005025253169416821\" "
                          "y2=\"0.9949747468305833\"><stop offset=\"0.00%\" stop-color=\"#FF8000\"/></linearGradient>"),
              std::string::npos);
    EXPECT_EQ(count(single, "stop-color=\"#FF8000\""), 5u);
    EXPECT_EQ(count(single, "ombriq-smooth-vignette"), 1u);
    EXPECT_EQ(single.substr(single.size() - 13), "\n  \n  \n</svg>");
}

TEST(WallpaperSVG, SmoothScanlinesMatchTheBitmapsBands) {
    WallpaperExportSettings s = smooth();
    s.vignette = false;
    s.scanlines = true;
    const std::string svg = renderSVG(s);
    const std::size_t line = svg.find("\n  <path d=\"M0 0.00H1920V1.00H0ZM0 15.43H1920V16.43H0ZM0 30.86H1920V31.86H0Z");
    ASSERT_NE(line, std::string::npos);
    EXPECT_NE(svg.find("\" fill=\"#000\" fill-opacity=\"0.1\"/>\n  \n</svg>"), std::string::npos);
    EXPECT_EQ(count(svg, "M0 "), 70u);  // one band every 2 x 1080 / 140 rows
    EXPECT_EQ(count(svg, "\n"), 22u);

    // The rows the bitmap darkens are the rows those bands cover.
    const Bitmap lined = renderBitmap(s);
    s.scanlines = false;
    const Bitmap plain = renderBitmap(s);
    std::vector<double> coverage(1080, 0);
    for (std::size_t at = svg.find("M0 "); at != std::string::npos; at = svg.find("M0 ", at + 1)) {
        const std::size_t h = svg.find("H1920V", at), z = svg.find("H0Z", at);
        ASSERT_NE(z, std::string::npos);
        const double top = number(svg.substr(at + 3, h - at - 3)), bottom = number(svg.substr(h + 6, z - h - 6));
        for (auto y = std::int64_t(top); double(y) < bottom && y < 1080; ++y)
            coverage[std::size_t(y)] += std::min(double(y + 1), bottom) - std::max(double(y), top);
    }
    for (std::int64_t y = 0; y < 1080; ++y) {
        const std::size_t at = std::size_t(y * 1920 + 700) * 4;
        const bool darker = lined.rgba[at] + lined.rgba[at + 1] + lined.rgba[at + 2] <
                            plain.rgba[at] + plain.rgba[at + 1] + plain.rgba[at + 2];
        // Two decimals of position: a row touched by under 1% counts as clear.
        if (coverage[std::size_t(y)] < 0.01) {
            EXPECT_FALSE(darker) << y;
        } else if (coverage[std::size_t(y)] >= 0.5) {
            EXPECT_TRUE(darker) << y;
        }
    }
}

TEST(WallpaperSVG, GrainDocument) {
    WallpaperExportSettings s = grain(GrainGradientMode::liquid);
    s.vignette = false;
    s.scanlines = true;
    const std::string svg = renderSVG(s);
    const GrainGrid grid = grainGrid(s, 1920, 1080);
    std::string slice = root;
    slice.replace(slice.find("meet"), 4, "slice");
    const std::string start = slice + "<defs></defs><g shape-rendering=\"crispEdges\"><rect x=\"0.00\" y=\"0.00\" ";
    EXPECT_EQ(svg.substr(0, start.size()), start);
    EXPECT_EQ(svg.substr(svg.size() - 10), "</g></svg>");
    EXPECT_EQ(count(svg, "<rect"), std::size_t(grid.columns * grid.rows));
    EXPECT_EQ(svg.find("<path"), std::string::npos);  // the rows carry the scanlines

    // Each cell's fill is the colour inside that cell in the bitmap.
    const Bitmap bitmap = renderBitmap(s);
    const auto fills = cellFills(svg);
    const double w = 1920.0 / double(grid.columns), h = 1080.0 / double(grid.rows);
    for (std::int64_t r = 0; r < grid.rows; r += 2)
        for (std::int64_t c = 0; c < grid.columns; c += 2) {
            const std::uint8_t* p =
                bitmap.rgba.get() + (std::int64_t(h * (double(r) + 0.5)) * 1920 + std::int64_t(w * (double(c) + 0.5))) * 4;
            ASSERT_EQ(fills[std::size_t(r * grid.columns + c)], hex({p[0], p[1], p[2]})) << c << "," << r;
        }

    s = grain(GrainGradientMode::halftone);
    const std::string halftone = renderSVG(s);
    const GrainGrid dots = grainGrid(s, 1920, 1080);
    EXPECT_EQ(count(halftone, "<circle"), std::size_t(dots.columns * dots.rows));
    // Each dot follows its cell's rect: centre, radius, colour, opacity.
    const std::string dot = elements(halftone, "<circle").front();
    EXPECT_NE(halftone.find("/>" + dot + "<rect "), std::string::npos);
    EXPECT_EQ(dot.substr(0, 12), "<circle cx=\"");
    for (const char* name : {"cx", "cy", "r"}) EXPECT_TRUE(fixedDecimals(attribute(dot, name), 2)) << dot;
    EXPECT_TRUE(hexColor(attribute(dot, "fill"))) << dot;
    EXPECT_TRUE(fixedDecimals(attribute(dot, "opacity"), 3)) << dot;
    const std::string vignette =
        "</g><defs><radialGradient id=\"ombriq-grain-vignette\"><stop offset=\"20%\" stop-color=\"#000\" "
        "stop-opacity=\"0\"/><stop offset=\"100%\" stop-color=\"#000\" stop-opacity=\"0.4\"/></radialGradient></defs>"
        "<rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-grain-vignette)\"/></svg>";
    EXPECT_EQ(halftone.substr(halftone.size() - vignette.size()), vignette);
}

// Channels times a factor, rounded half away from zero and clamped.
RGB scaled(RGB color, double factor) {
    return {std::uint8_t(clampToByte(color.red * factor)), std::uint8_t(clampToByte(color.green * factor)),
            std::uint8_t(clampToByte(color.blue * factor))};
}

TEST(WallpaperSVG, GrainCellsAndHalftoneDotsFollowTheirFormulas) {
    WallpaperExportSettings s = grain(GrainGradientMode::halftone);
    s.scanlines = true;
    s.vignette = false;
    const std::string svg = renderSVG(s);
    const GrainGrid grid = grainGrid(s, 1920, 1080);
    ASSERT_EQ(grid.columns, 280);
    const GrainColorer colorer(s, 1920.0 / 1080.0);
    const auto rects = elements(svg, "<rect");
    const auto circles = elements(svg, "<circle");
    ASSERT_EQ(rects.size(), std::size_t(grid.columns * grid.rows));
    ASSERT_EQ(circles.size(), rects.size());
    const double w = 1920.0 / double(grid.columns), h = 1080.0 / double(grid.rows), m = std::min(w, h);
    const auto fraction = [](std::uint64_t key) {
        const double z = std::sin(double(key % 1000000)) * 43758.5453123;
        return z - std::floor(z);
    };
    for (const std::int64_t r : std::initializer_list<std::int64_t>{0, 1, 2, 7, grid.rows - 1}) {
        for (const std::int64_t c : std::initializer_list<std::int64_t>{0, 1, 99, grid.columns - 1}) {
            const double x = double(c) / double(grid.columns - 1), y = double(r) / double(grid.rows - 1);
            const GrainColorer::Cell cell = colorer.cell(r, c, x, y);
            // Even rows lose a tenth; the rect is the dark ground under the dot.
            const RGB lined = r % 2 == 0 ? scaled(cell.color, 0.9) : cell.color;
            char text[200];
            std::snprintf(text, sizeof text, "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\"/>",
                          w * double(c), h * double(r), w + 0.2, h + 0.2, hex(scaled(lined, 0.14)).c_str());
            const std::size_t index = std::size_t(r * grid.columns + c);
            EXPECT_EQ(rects[index], text) << r << "," << c;

            const std::uint64_t key = 15731 * std::uint64_t(r) + 789221 * std::uint64_t(c);
            const double jx = 2 * fraction(s.seed + 1003 + key) - 1, jy = 2 * fraction(s.seed + 2017 + key) - 1;
            const double v = cell.sample.v, a = cell.sample.a;
            const double size = std::clamp(2.25 * (v - (0.38 + 0.12 * jx)) + 0.42, 0.08, 1.0);
            const RGB glint = adjustGrainCell(gradientColor(s.colors, std::min(1.0, v + 0.16 + 0.08 * a)), r, c, s);
            std::snprintf(text, sizeof text, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" fill=\"%s\" opacity=\"%.3f\"/>",
                          w * double(c) + w / 2 + 0.14 * m * jx, h * double(r) + h / 2 + 0.14 * m * jy,
                          m * (0.035 + 0.28 * size), hex(mixColor(lined, glint, 0.32 * a)).c_str(),
                          std::min(0.96, 0.2 + 0.72 * size + 0.12 * a));
            EXPECT_EQ(circles[index], text) << r << "," << c;
        }
    }
}

std::vector<std::string> everyDocument() {
    WallpaperExportSettings split = crtNight(ExportResolution::fourK);
    split.rgbSplit = true;
    split.chroma = 10;
    WallpaperExportSettings lined = smooth();
    lined.scanlines = true;
    lined.phase = 33;
    lined.spread = 517;
    WallpaperExportSettings dots = grain(GrainGradientMode::halftone);
    dots.scanlines = true;
    return {renderSVG(crtNight()), renderSVG(split), renderSVG(smooth()), renderSVG(lined),
            renderSVG(grain(GrainGradientMode::bloom)), renderSVG(dots)};
}

TEST(WallpaperSVG, SameBytesUnderADecimalCommaLocale) {
    const auto plain = everyDocument();
    test::CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be set up";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    ASSERT_STREQ(probe, "1,50");  // the locale is really in force
    const auto comma = everyDocument();
    for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_TRUE(comma[i] == plain[i]) << "document " << i;
}

TEST(WallpaperSVG, EveryDocumentIsWellFormedXml) {
    test::TempDir folder;
    const auto documents = everyDocument();
    std::string list;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        const auto file = folder.path() / ("document" + std::to_string(i) + ".svg");
        std::ofstream(file, std::ios::binary) << documents[i];
        list += " '" + file.string() + "'";
    }
    // Python's parser prints, per document, the root's tag and its element count.
    const auto output = folder.path() / "parsed";
    const std::string command =
        "python3 -c 'import sys, xml.etree.ElementTree as E\n"
        "for f in sys.argv[1:]:\n"
        "    root = E.parse(f).getroot()\n"
        "    print(root.tag, sum(1 for _ in root.iter()))' " +
        list + " >'" + output.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << std::string(std::istreambuf_iterator<char>(std::ifstream(output).rdbuf()), {});
    std::ifstream in(output);
    for (const std::string& document : documents) {
        std::string tag;
        std::size_t elements = 0;
        in >> tag >> elements;
        EXPECT_EQ(tag, "{http://www.w3.org/2000/svg}svg");
        EXPECT_EQ(elements, count(document, "<") - count(document, "</"));
    }
}

TEST(WallpaperSVG, ShortestNumbers) {
    const auto text = [](double v) {
        std::string out;
        appendShortest(out, v);
        return out;
    };
    EXPECT_EQ(text(0.5), "0.5");
    EXPECT_EQ(text(1), "1.0");
    EXPECT_EQ(text(0.18), "0.18");
    EXPECT_EQ(text(0), "0.0");
    EXPECT_EQ(text(-0.0), "-0.0");
    EXPECT_EQ(text(0.5 - 0.7), "-0.19999999999999996");
    EXPECT_EQ(text(0.0001), "0.0001");
    EXPECT_EQ(text(0.00012), "0.00012");
    EXPECT_EQ(text(1e-05), "1e-05");
    EXPECT_EQ(text(-2.5e-07), "-2.5e-07");
    EXPECT_EQ(text(123456789), "123456789.0");
    EXPECT_EQ(text(9007199254740992.0), "9007199254740992.0");  // 2^53
    EXPECT_EQ(text(36028797018963968.0), "3.602879701896397e+16");
}

}  // namespace
}  // namespace glimora::WallpaperRenderer
