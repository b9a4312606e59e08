#include <algorithm>
#include <cmath>

#include "render/cell_color.hpp"
#include "render/cell_grid.hpp"
#include "render/field_math.hpp"
#include "render/fixed_decimal.hpp"
#include "render/grain_gradient.hpp"
#include "render/svg_text.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora::WallpaperRenderer {

namespace {

using fieldmath::clamp;
using fieldmath::pi;
using svg::appendAttribute;
using svg::appendColor;

void appendRoot(std::string& out, std::int64_t width, std::int64_t height, const char* aspect) {
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100%\" height=\"100%\" viewBox=\"0 0 ";
    appendInteger(out, width);
    out += ' ';
    appendInteger(out, height);
    out += "\" preserveAspectRatio=\"";
    out += aspect;
    out += "\" style=\"display:block;max-width:100%;height:auto\">";
}

void appendRect(std::string& out, double x, double y, double width, double height) {
    out += "<rect";
    appendAttribute(out, "x", x);
    appendAttribute(out, "y", y);
    appendAttribute(out, "width", width);
    appendAttribute(out, "height", height);
}

// ` name="value"` with the value in its shortest form.
void appendShortestAttribute(std::string& out, const char* name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendShortest(out, value);
    out += '"';
}

// A radial gradient's two stops: the colour at `opacity` fading out.
void appendFadingStops(std::string& out, RGB color, const char* opacity) {
    out += "\n      <stop offset=\"0%\" stop-color=\"";
    appendColor(out, color);
    out += "\" stop-opacity=\"";
    out += opacity;
    out += "\"/>\n      <stop offset=\"100%\" stop-color=\"";
    appendColor(out, color);
    out += "\" stop-opacity=\"0\"/>\n    </radialGradient>";
}

std::int64_t positive(std::int64_t value) { return std::max<std::int64_t>(value, 1); }

}  // namespace

std::string renderSVG(const WallpaperExportSettings& settings) {
    const PixelSize size = exportPixelSize(settings.resolution);
    if (settings.grainGradientActive) return grainGradientSVG(size.width, size.height, settings);
    if (settings.shape == NotchShape::smoothGradient) return smoothGradientSVG(size.width, size.height, settings);

    const CellGrid grid = cellGrid(settings, double(size.width), double(size.height));
    const CellColorer colorer(settings);
    std::vector<RGB> colors(std::size_t(grid.columns * grid.rows));
    colorer.fillRows(grid, 0, grid.rows, colors, CellFinish::raster);

    const double w = grid.cellWidth;
    const double h = grid.cellHeight;
    const double split = std::max(0.14 * w, 0.8);
    std::string out;
    out.reserve(std::size_t(300 + colors.size() * (settings.rgbSplit ? 3 * 90 : 90)));
    appendRoot(out, size.width, size.height, "xMidYMid meet");
    out += "<g shape-rendering=\"crispEdges\">";
    std::size_t index = 0;
    for (std::int64_t r = 0; r < grid.rows; ++r) {
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const double x = w * double(c);
            const double y = h * double(r);
            appendRect(out, x, y, w + 0.2, h + 0.2);
            out += " fill=\"";
            appendColor(out, colors[index++]);
            out += "\"/>";
            if (!settings.rgbSplit) continue;
            appendRect(out, x, y, split, h + 0.2);
            out += " fill=\"#FF0000\" opacity=\"0.34\"/>";
            appendRect(out, x + w - split, y, split, h + 0.2);
            out += " fill=\"#00FFFF\" opacity=\"0.34\"/>";
        }
    }
    out += "</g></svg>";
    return out;
}

std::string grainGradientSVG(std::int64_t width, std::int64_t height, const WallpaperExportSettings& settings) {
    width = positive(width);
    height = positive(height);
    const double W = double(width);
    const double H = double(height);
    const GrainGrid grid = grainGrid(settings, W, H);
    const GrainColorer colorer(settings, W / std::max(H, 1.0));
    const double w = W / double(grid.columns);
    const double h = H / double(grid.rows);

    std::string out;
    out.reserve(std::size_t(600 + grid.columns * grid.rows * (colorer.halftone() ? 180 : 90)));
    appendRoot(out, width, height, "xMidYMid slice");
    out += "<defs></defs><g shape-rendering=\"crispEdges\">";
    for (std::int64_t r = 0; r < grid.rows; ++r) {
        const double y = h * double(r);
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const double x = w * double(c);
            const GrainColorer::Cell cell = colorer.cell(r, c, grid.unitX(c), grid.unitY(r));
            const RGB scanlined = colorer.scanlined(cell.color, r);
            appendRect(out, x, y, w + 0.2, h + 0.2);
            out += " fill=\"";
            appendColor(out, colorer.ground(scanlined));
            out += "\"/>";
            if (!colorer.halftone()) continue;
            const HalftoneDot dot = colorer.halftoneDot(cell, scanlined, r, c, x, y, w, h);
            out += "<circle";
            appendAttribute(out, "cx", dot.centerX);
            appendAttribute(out, "cy", dot.centerY);
            appendAttribute(out, "r", dot.radius);
            out += " fill=\"";
            appendColor(out, dot.color);
            out += '"';
            appendAttribute(out, "opacity", dot.alpha, 3);
            out += "/>";
        }
    }
    out += "</g>";
    if (settings.vignette) {
        out += "<defs><radialGradient id=\"ombriq-grain-vignette\"><stop offset=\"20%\" stop-color=\"#000\" "
               "stop-opacity=\"0\"/><stop offset=\"100%\" stop-color=\"#000\" stop-opacity=\"0.4\"/>"
               "</radialGradient></defs><rect width=\"100%\" height=\"100%\" "
               "fill=\"url(#ombriq-grain-vignette)\"/>";
    }
    // No scanline element: the rows above already carry the darkening.
    out += "</svg>";
    return out;
}

std::string smoothGradientSVG(std::int64_t width, std::int64_t height, const WallpaperExportSettings& settings) {
    width = positive(width);
    height = positive(height);
    const std::vector<RGB> colors = smoothGradientColors(settings);
    const double b = (settings.angle + 0.15 * settings.phase) * pi / 180;
    const double cb = std::cos(b);
    const double sb = std::sin(b);
    const double cx = clamp(settings.centerX / 100, 0, 1);
    const double cy = clamp(settings.centerY / 100, 0, 1);
    const double R = clamp(settings.spread / 260, 0.18, 1.2);

    std::string out;
    out.reserve(2048 + colors.size() * 48);
    appendRoot(out, width, height, "xMidYMid meet");
    out += "\n  <defs>\n    <linearGradient id=\"ombriq-smooth-base\"";
    appendShortestAttribute(out, "x1", 0.5 - 0.7 * cb);
    appendShortestAttribute(out, "y1", 0.5 - 0.7 * sb);
    appendShortestAttribute(out, "x2", 0.7 * cb + 0.5);
    appendShortestAttribute(out, "y2", 0.7 * sb + 0.5);
    out += '>';
    const std::size_t n = colors.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += "<stop offset=\"";
        appendFixed(out, n >= 2 ? double(i) / double(n - 1) * 100 : 0, 2);
        out += "%\" stop-color=\"";
        appendColor(out, colors[i]);
        out += "\"/>";
    }
    out += "</linearGradient>\n    <radialGradient id=\"ombriq-smooth-accent\"";
    appendShortestAttribute(out, "cx", cx);
    appendShortestAttribute(out, "cy", cy);
    appendShortestAttribute(out, "r", R);
    out += '>';
    appendFadingStops(out, colors.back(), "0.48");
    out += "\n    <radialGradient id=\"ombriq-smooth-secondary\"";
    appendShortestAttribute(out, "cx", 1 - cx);
    appendShortestAttribute(out, "cy", 0.72 + 0.08 * std::sin(settings.phase * pi / 180));
    appendShortestAttribute(out, "r", 0.78 * R);
    out += '>';
    appendFadingStops(out, colors.front(), "0.24");
    out += "\n    <radialGradient id=\"ombriq-smooth-vignette\" cx=\"50%\" cy=\"50%\" r=\"72%\">"
           "\n      <stop offset=\"12%\" stop-color=\"#000000\" stop-opacity=\"0\"/>"
           "\n      <stop offset=\"34%\" stop-color=\"#000000\" stop-opacity=\"0\"/>"
           "\n      <stop offset=\"100%\" stop-color=\"#000000\" stop-opacity=\"0.72\"/>"
           "\n    </radialGradient>"
           "\n  </defs>"
           "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-base)\"/>"
           "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-accent)\" "
           "style=\"mix-blend-mode:screen\"/>"
           "\n  <rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-secondary)\" "
           "style=\"mix-blend-mode:screen\"/>"
           "\n  ";
    if (settings.scanlines) {
        // The bitmap's bands: one every 2p, p = max(H / 140, 2), each
        // max(1, 0.12 H / 140) high, across the whole width.
        const double H = double(height);
        const double pitch = std::max(H / 140, 2.0);
        const double band = std::max(1.0, 0.12 * H / 140);
        out += "<path d=\"";
        for (double y = 0; y < H; y += 2 * pitch) {
            out += "M0 ";
            appendFixed(out, y, 2);
            out += 'H';
            appendInteger(out, width);
            out += 'V';
            appendFixed(out, y + band, 2);
            out += "H0Z";
        }
        out += "\" fill=\"#000\" fill-opacity=\"0.1\"/>";
    }
    out += "\n  ";
    if (settings.vignette) out += "<rect width=\"100%\" height=\"100%\" fill=\"url(#ombriq-smooth-vignette)\"/>";
    out += "\n</svg>";
    return out;
}

}  // namespace glimora::WallpaperRenderer
