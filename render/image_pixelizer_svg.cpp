#include <algorithm>
#include <cmath>

#include "render/fixed_decimal.hpp"
#include "render/image_pixelizer.hpp"
#include "render/pixel_sampling.hpp"
#include "render/svg_text.hpp"

namespace glimora {

namespace {

using svg::appendAttribute;
using svg::appendColor;

void appendPoint(std::string& out, double x, double y) {
    appendFixed(out, x, 2);
    out += ',';
    appendFixed(out, y, 2);
}

double clampedGap(double cellGap) {
    if (!(cellGap > 0)) return 0;
    return std::min(cellGap, 0.8);
}

double clampedCornerFactor(double radius) {
    if (!(radius > 0)) return 0;
    return std::min(radius, 0.45);
}

}  // namespace

std::string ImagePixelizer::renderSVG(std::int64_t width, std::int64_t height,
                                      std::span<const std::uint8_t> rgba, const Settings& settings,
                                      std::int64_t outputWidth, std::int64_t outputHeight) {
    // An empty output would give an empty or negative view box; draw one pixel.
    const std::int64_t outW = std::max<std::int64_t>(outputWidth, 1);
    const std::int64_t outH = std::max<std::int64_t>(outputHeight, 1);
    const PixelGrid grid = pixel_sampling::pixelize(width, height, rgba, outW, outH, settings);

    const double cellW = double(outW) / double(grid.columns);
    const double cellH = double(outH) / double(grid.rows);
    const double minSide = std::min(cellW, cellH);
    const double inset = minSide * clampedGap(settings.cellGap) * 0.5;
    const bool mosaic = settings.renderMode == ImageRenderMode::mosaic;
    const double k = clampedCornerFactor(settings.mosaicCornerRadius);
    double bevel = 0;
    if (settings.mosaicBevel > 0) bevel = settings.mosaicBevel > 100 ? 1 : settings.mosaicBevel / 100;

    std::string out;
    out.reserve(std::size_t(300 + grid.cells.size() * (mosaic ? 150 : 80)));
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100%\" height=\"100%\" viewBox=\"0 0 ";
    appendInteger(out, outW);
    out += ' ';
    appendInteger(out, outH);
    out += "\" preserveAspectRatio=\"xMidYMid meet\" style=\"display:block;max-width:100%;height:auto\">";
    out += mosaic ? "<g>" : "<g shape-rendering=\"crispEdges\">";
    out += "<rect width=\"";
    appendInteger(out, outW);
    out += "\" height=\"";
    appendInteger(out, outH);
    out += "\" fill=\"";
    appendColor(out, grid.background);
    out += "\"/>";

    for (std::int64_t r = 0; r < grid.rows; ++r) {
        for (std::int64_t c = 0; c < grid.columns; ++c) {
            const RGB color = grid.cells[std::size_t(r * grid.columns + c)];
            const double x = inset + cellW * double(c);
            const double y = cellH * double(r) + inset;
            const double w = std::max(cellW - 2 * inset, 0.5);
            const double h = std::max(cellH - 2 * inset, 0.5);
            if (!mosaic) {
                switch (settings.pixelShape) {
                case ImagePixelShape::square:
                    out += "<rect";
                    appendAttribute(out, "x", x);
                    appendAttribute(out, "y", y);
                    appendAttribute(out, "width", w);
                    appendAttribute(out, "height", h);
                    break;
                case ImagePixelShape::dot:
                    out += "<ellipse";
                    appendAttribute(out, "cx", x + w / 2);
                    appendAttribute(out, "cy", y + h / 2);
                    appendAttribute(out, "rx", w / 2);
                    appendAttribute(out, "ry", h / 2);
                    break;
                case ImagePixelShape::diamond:
                    out += "<polygon points=\"";
                    appendPoint(out, x + w / 2, y);
                    out += ' ';
                    appendPoint(out, x + w, y + h / 2);
                    out += ' ';
                    appendPoint(out, x + w / 2, y + h);
                    out += ' ';
                    appendPoint(out, x, y + h / 2);
                    out += '"';
                    break;
                }
                out += " fill=\"";
                appendColor(out, color);
                out += "\"/>";
                continue;
            }
            double tx = x;
            double ty = y;
            double tw = w;
            double th = h;
            double radius = 0;
            switch (settings.mosaicTileShape) {
            case ImageMosaicTileShape::square: break;
            case ImageMosaicTileShape::wide:
                ty = y + (h - 0.62 * h) * 0.5;
                th = 0.62 * h;
                break;
            case ImageMosaicTileShape::tall:
                tx = x + (w - 0.62 * w) * 0.5;
                tw = 0.62 * w;
                break;
            case ImageMosaicTileShape::brick:
                tx = x + 0.06 * w;
                ty = y + 0.08 * h;
                tw = w - 2 * (0.06 * w);
                th = h - 2 * (0.08 * h);
                radius = k * std::min(tw, th);
                break;
            case ImageMosaicTileShape::rounded: radius = k * std::min(w, h); break;
            }
            out += "<rect";
            appendAttribute(out, "x", tx);
            appendAttribute(out, "y", ty);
            appendAttribute(out, "width", std::max(tw, 0.5));
            appendAttribute(out, "height", std::max(th, 0.5));
            appendAttribute(out, "rx", radius);
            out += " fill=\"";
            appendColor(out, color);
            out += '"';
            if (bevel > 0) {
                out += " stroke=\"#FFFFFF\"";
                appendAttribute(out, "stroke-opacity", bevel * 0.28, 3);
                appendAttribute(out, "stroke-width", std::max(std::min(tw, th) * 0.065 * bevel, 0.5));
            }
            out += "/>";
        }
    }
    out += "</g></svg>";
    return out;
}

}  // namespace glimora
