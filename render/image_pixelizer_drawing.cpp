#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "render/image_pixelizer.hpp"

namespace glimora {

namespace {

double clampedGap(double cellGap) {
    if (!(cellGap > 0)) return 0;
    return std::min(cellGap, 0.8);
}

double clampedCornerFactor(double radius) {
    if (!(radius > 0)) return 0;
    return std::min(radius, 0.45);
}

// Pixel-centre coverage: pixel i is inside [start, end) when i + 0.5 is. The
// bound only keeps absurd coordinates away from the integer conversion.
std::int64_t snapEdge(double value) {
    constexpr double bound = double(std::int64_t(1) << 40);
    const double edge = std::ceil(value - 0.5);
    if (!(edge > -bound)) return -std::int64_t(1 << 30) * 1024;
    if (edge > bound) return std::int64_t(1 << 30) * 1024;
    return std::int64_t(edge);
}

struct Box {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    std::int64_t width() const { return right - left; }
    std::int64_t height() const { return bottom - top; }
};

// Corner of a curvature-continuous rounded rectangle, as distances in units of
// the radius: X along the edge arriving at the corner, Y along the edge
// leaving it. The curve meets each edge 1.52866 radii from the corner.
constexpr double cornerExtent = 1.52866483;
constexpr double cornerCurve[9][2] = {
    {1.08849323, 0.0},        {0.86840689, 0.0},        {0.63149399, 0.07491100},
    {0.37282392, 0.16905899}, {0.16906013, 0.37282401}, {0.07491176, 0.63149399},
    {0.0, 0.86840689},        {0.0, 1.08849323},        {0.0, cornerExtent},
};

void continuousRoundedRect(cairo_t* cr, double width, double height, double radius) {
    const double r = std::min(radius, std::min(width, height) / 2 / cornerExtent);
    // Clockwise from the top edge: each corner point, the way back along the
    // arriving edge, and the way on along the leaving edge.
    const double corners[4][6] = {
        {width, 0, -1, 0, 0, 1},
        {width, height, 0, -1, -1, 0},
        {0, height, 1, 0, 0, -1},
        {0, 0, 0, 1, 1, 0},
    };
    cairo_new_path(cr);
    cairo_move_to(cr, cornerExtent * r, 0);
    for (const auto& k : corners) {
        auto x = [&](int i) { return k[0] + (cornerCurve[i][0] * k[2] + cornerCurve[i][1] * k[4]) * r; };
        auto y = [&](int i) { return k[1] + (cornerCurve[i][0] * k[3] + cornerCurve[i][1] * k[5]) * r; };
        cairo_line_to(cr, k[0] + cornerExtent * r * k[2], k[1] + cornerExtent * r * k[3]);
        for (int i = 0; i < 9; i += 3) cairo_curve_to(cr, x(i), y(i), x(i + 1), y(i + 1), x(i + 2), y(i + 2));
    }
    cairo_close_path(cr);
}

void ellipse(cairo_t* cr, double width, double height) {
    constexpr double kappa = 0.5522847498307936;  // cubic approximation of a quarter circle
    const double rx = width / 2;
    const double ry = height / 2;
    cairo_new_path(cr);
    cairo_move_to(cr, width, ry);
    cairo_curve_to(cr, width, ry + kappa * ry, rx + kappa * rx, height, rx, height);
    cairo_curve_to(cr, rx - kappa * rx, height, 0, ry + kappa * ry, 0, ry);
    cairo_curve_to(cr, 0, ry - kappa * ry, rx - kappa * rx, 0, rx, 0);
    cairo_curve_to(cr, rx + kappa * rx, 0, width, ry - kappa * ry, width, ry);
    cairo_close_path(cr);
}

void diamond(cairo_t* cr, double width, double height) {
    cairo_new_path(cr);
    cairo_move_to(cr, width / 2, 0);
    cairo_line_to(cr, width, height / 2);
    cairo_line_to(cr, width / 2, height);
    cairo_line_to(cr, 0, height / 2);
    cairo_close_path(cr);
}

constexpr std::int64_t maxMaskSide = 4096;

enum class CellFill { rectangle, ellipse, diamond, rounded };

// Antialiased coverage of one cell's shape (and of its bevel stroke, which
// reaches `pad` pixels past the cell's box), drawn by cairo once per box size.
struct CellMask {
    std::vector<std::uint8_t> fill;    // box width x height; empty for a plain rectangle
    std::vector<std::uint8_t> stroke;  // (width + 2 pad) x (height + 2 pad); empty without bevel
};

bool renderCoverage(std::int64_t width, std::int64_t height, double offset, const auto& path,
                    double lineWidth, std::vector<std::uint8_t>& out) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, int(width), int(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        cairo_translate(cr, offset, offset);
        path(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        if (lineWidth > 0) {
            cairo_set_line_width(cr, lineWidth);
            cairo_stroke(cr);
        } else {
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            cairo_fill(cr);
        }
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        out.resize(std::size_t(width * height));
        for (std::int64_t y = 0; y < height; ++y) {
            std::memcpy(out.data() + y * width, data + y * stride, std::size_t(width));
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}

// Everything the bands share: where each cell's box lies and the coverage
// masks of every box size that occurs. Built once, then only read.
class DrawingPlan {
public:
    DrawingPlan(const ImagePixelizer::PixelGrid& grid, const ImagePixelizer::CellGeometry& geometry,
                double scale)
        : grid_(grid), geometry_(geometry), scale_(scale) {
        if (geometry.columns <= 0 || geometry.rows <= 0) return;
        if (geometry.renderMode == ImageRenderMode::pixel) {
            if (geometry.pixelShape == ImagePixelShape::dot) fill_ = CellFill::ellipse;
            if (geometry.pixelShape == ImagePixelShape::diamond) fill_ = CellFill::diamond;
        }
        const ImagePixelizer::Rect shape = geometry.shape(0, 0);
        radius_ = geometry.cornerRadius(shape) * scale;
        if (radius_ > 0) fill_ = CellFill::rounded;
        if (geometry.renderMode == ImageRenderMode::mosaic && geometry.bevelAmount > 0) {
            lineWidth_ = std::min(geometry.bevelLineWidth(shape) * scale, double(maxMaskSide));
            pad_ = std::int64_t(std::ceil(lineWidth_ / 2)) + 1;
            // Cairo turns the colour into 16 bits per channel, then keeps the high byte.
            bevelAlpha_ = unsigned(geometry.bevelAmount * 0.28 * 65535 + 0.5) >> 8;
        }
    }

    // False when cairo could not draw a mask.
    bool prepareMasks() {
        if (fill_ == CellFill::rectangle && lineWidth_ <= 0) return true;
        for (std::int64_t r = 0; r < geometry_.rows; ++r) {
            for (std::int64_t c = 0; c < geometry_.columns; ++c) {
                Box box;
                if (!boxOf(r, c, box)) continue;
                const auto key = std::make_pair(box.width(), box.height());
                if (masks_.count(key)) continue;
                CellMask mask;
                if (!makeMask(box.width(), box.height(), mask)) return false;
                masks_.emplace(key, std::move(mask));
            }
        }
        return true;
    }

    // The cell's shape snapped to whole pixels; false when it is empty.
    bool boxOf(std::int64_t r, std::int64_t c, Box& box) const {
        const ImagePixelizer::Rect shape = geometry_.shape(r, c);
        if (!(shape.width > 0) || !(shape.height > 0)) return false;
        double right = shape.x + shape.width;
        double bottom = shape.y + shape.height;
        if (geometry_.inset == 0) {
            // Without a gap a full-width (or full-height) shape ends exactly
            // where the next cell begins, with no rounding difference between them.
            const ImagePixelizer::Rect cell = geometry_.cell(r, c);
            if (shape.x == cell.x && shape.width == cell.width) right = double(c + 1) * geometry_.cellWidth;
            if (shape.y == cell.y && shape.height == cell.height)
                bottom = double(r + 1) * geometry_.cellHeight;
        }
        box = {snapEdge(shape.x * scale_), snapEdge(shape.y * scale_), snapEdge(right * scale_),
               snapEdge(bottom * scale_)};
        return box.width() > 0 && box.height() > 0;
    }

    const CellMask* maskFor(const Box& box) const {
        const auto it = masks_.find({box.width(), box.height()});
        return it == masks_.end() ? nullptr : &it->second;
    }

    const ImagePixelizer::PixelGrid& grid() const { return grid_; }
    const ImagePixelizer::CellGeometry& geometry() const { return geometry_; }
    bool plainFill() const { return fill_ == CellFill::rectangle; }
    bool bevel() const { return lineWidth_ > 0; }
    unsigned bevelAlpha() const { return bevelAlpha_; }
    std::int64_t pad() const { return pad_; }

private:
    bool makeMask(std::int64_t width, std::int64_t height, CellMask& mask) const {
        // A box beyond any real cell size comes only from absurd input; it is
        // drawn as a plain rectangle rather than allocating a huge mask.
        if (width > maxMaskSide || height > maxMaskSide) return true;
        const double w = double(width);
        const double h = double(height);
        const double radius = radius_;
        auto shapePath = [&](cairo_t* cr) {
            switch (fill_) {
            case CellFill::ellipse: ellipse(cr, w, h); break;
            case CellFill::diamond: diamond(cr, w, h); break;
            case CellFill::rounded: continuousRoundedRect(cr, w, h, radius); break;
            case CellFill::rectangle:
                cairo_new_path(cr);
                cairo_rectangle(cr, 0, 0, w, h);
                break;
            }
        };
        if (fill_ != CellFill::rectangle && !renderCoverage(width, height, 0, shapePath, 0, mask.fill))
            return false;
        if (lineWidth_ > 0 && !renderCoverage(width + 2 * pad_, height + 2 * pad_, double(pad_), shapePath,
                                              lineWidth_, mask.stroke)) {
            return false;
        }
        return true;
    }

    const ImagePixelizer::PixelGrid& grid_;
    const ImagePixelizer::CellGeometry& geometry_;
    double scale_;
    CellFill fill_ = CellFill::rectangle;
    double radius_ = 0;
    double lineWidth_ = 0;
    std::int64_t pad_ = 0;
    unsigned bevelAlpha_ = 0;
    std::map<std::pair<std::int64_t, std::int64_t>, CellMask> masks_;
};

// x * y / 255, rounded, for bytes.
inline unsigned multiply(unsigned x, unsigned y) {
    const unsigned t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// Draws the rows [bandTop, bandBottom) of the target: every cell that reaches
// into them, clipped to them, in grid order. Any split into bands therefore
// gives the same pixels.
class BandPainter {
public:
    BandPainter(const DrawingPlan& plan, const ImagePixelizer::RGBATarget& target, std::int64_t bandTop,
                std::int64_t bandBottom)
        : plan_(plan), target_(target), top_(bandTop), bottom_(bandBottom) {}

    void paint() {
        const auto& geometry = plan_.geometry();
        const auto& grid = plan_.grid();
        fillBox({0, top_, target_.width, bottom_}, grid.background);
        for (std::int64_t r = 0; r < geometry.rows; ++r) {
            for (std::int64_t c = 0; c < geometry.columns; ++c) {
                Box box;
                if (!plan_.boxOf(r, c, box)) continue;
                // Rows of cells wholly above or below the band are skipped.
                if (box.bottom + plan_.pad() <= top_) break;
                if (box.top - plan_.pad() >= bottom_) return;
                const RGB color = grid.cells[std::size_t(r * geometry.columns + c)];
                const CellMask* mask = plan_.plainFill() && !plan_.bevel() ? nullptr : plan_.maskFor(box);
                if (mask && !mask->fill.empty()) {
                    blendFill(box, mask->fill, color);
                } else {
                    fillBox(box, color);
                }
                if (mask && !mask->stroke.empty()) blendStroke(box, mask->stroke);
            }
        }
    }

private:
    // The part of a box (grown by `pad`) inside the band and the target.
    struct Span {
        std::int64_t x0, x1, y0, y1;
        bool empty() const { return x0 >= x1 || y0 >= y1; }
    };

    Span clip(const Box& box, std::int64_t pad) const {
        return {std::max<std::int64_t>(box.left - pad, 0), std::min(box.right + pad, target_.width),
                std::max(box.top - pad, top_), std::min(box.bottom + pad, bottom_)};
    }

    std::uint8_t* pixel(std::int64_t x, std::int64_t y) const {
        return target_.data + y * target_.stride + x * 4;
    }

    void fillBox(const Box& box, RGB color) {
        const Span span = clip(box, 0);
        if (span.empty()) return;
        const std::int64_t width = span.x1 - span.x0;
        if (row_.size() < std::size_t(width) * 4) row_.resize(std::size_t(width) * 4);
        for (std::int64_t x = 0; x < width; ++x) {
            row_[std::size_t(x) * 4] = color.red;
            row_[std::size_t(x) * 4 + 1] = color.green;
            row_[std::size_t(x) * 4 + 2] = color.blue;
            row_[std::size_t(x) * 4 + 3] = 255;
        }
        for (std::int64_t y = span.y0; y < span.y1; ++y)
            std::memcpy(pixel(span.x0, y), row_.data(), std::size_t(width) * 4);
    }

    // The colour over what lies beneath, by coverage.
    void blendFill(const Box& box, const std::vector<std::uint8_t>& coverage, RGB color) {
        const Span span = clip(box, 0);
        const unsigned source[3] = {color.red, color.green, color.blue};
        for (std::int64_t y = span.y0; y < span.y1; ++y) {
            const std::uint8_t* m = coverage.data() + (y - box.top) * box.width() + (span.x0 - box.left);
            std::uint8_t* p = pixel(span.x0, y);
            for (std::int64_t x = span.x0; x < span.x1; ++x, ++m, p += 4) {
                const unsigned a = *m;
                if (a == 0) continue;
                if (a == 255) {
                    p[0] = std::uint8_t(source[0]);
                    p[1] = std::uint8_t(source[1]);
                    p[2] = std::uint8_t(source[2]);
                } else {
                    for (int k = 0; k < 3; ++k)
                        p[k] = std::uint8_t(multiply(source[k], a) + multiply(p[k], 255 - a));
                }
            }
        }
    }

    // Translucent white along the tile's outline.
    void blendStroke(const Box& box, const std::vector<std::uint8_t>& coverage) {
        const std::int64_t pad = plan_.pad();
        const Span span = clip(box, pad);
        const std::int64_t width = box.width() + 2 * pad;
        const unsigned alpha = plan_.bevelAlpha();
        for (std::int64_t y = span.y0; y < span.y1; ++y) {
            const std::uint8_t* m =
                coverage.data() + (y - box.top + pad) * width + (span.x0 - box.left + pad);
            std::uint8_t* p = pixel(span.x0, y);
            for (std::int64_t x = span.x0; x < span.x1; ++x, ++m, p += 4) {
                if (*m == 0) continue;
                const unsigned s = multiply(alpha, *m);
                for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(s + multiply(p[k], 255 - s));
            }
        }
    }

    const DrawingPlan& plan_;
    ImagePixelizer::RGBATarget target_;
    std::int64_t top_;
    std::int64_t bottom_;
    std::vector<std::uint8_t> row_;
};

}  // namespace

ImagePixelizer::CellGeometry::CellGeometry(const PixelGrid& grid, const Settings& settings, double width,
                                           double height)
    : renderMode(settings.renderMode),
      pixelShape(settings.pixelShape),
      tileShape(settings.mosaicTileShape),
      columns(grid.columns),
      rows(grid.rows) {
    // A grid made by hand may lack cells; such a grid draws only its background.
    if (columns <= 0 || rows <= 0 || grid.cells.size() / std::size_t(columns) < std::size_t(rows)) {
        columns = 0;
        rows = 0;
        return;
    }
    cellWidth = width / double(columns);
    cellHeight = height / double(rows);
    inset = std::min(cellWidth, cellHeight) * clampedGap(settings.cellGap) * 0.5;
    if (renderMode == ImageRenderMode::mosaic) {
        if (tileShape == ImageMosaicTileShape::brick || tileShape == ImageMosaicTileShape::rounded) {
            cornerFactor = clampedCornerFactor(settings.mosaicCornerRadius);
        }
        if (settings.mosaicBevel > 0)
            bevelAmount = settings.mosaicBevel > 100 ? 1 : settings.mosaicBevel / 100;
    }
}

ImagePixelizer::Rect ImagePixelizer::CellGeometry::cell(std::int64_t row, std::int64_t column) const {
    return {double(column) * cellWidth, double(row) * cellHeight, cellWidth, cellHeight};
}

ImagePixelizer::Rect ImagePixelizer::CellGeometry::base(std::int64_t row, std::int64_t column) const {
    const Rect c = cell(row, column);
    return {c.x + inset, c.y + inset, c.width - 2 * inset, c.height - 2 * inset};
}

ImagePixelizer::Rect ImagePixelizer::CellGeometry::shape(std::int64_t row, std::int64_t column) const {
    const Rect b = base(row, column);
    if (renderMode == ImageRenderMode::pixel) return b;
    switch (tileShape) {
    case ImageMosaicTileShape::square:
    case ImageMosaicTileShape::rounded: return b;
    case ImageMosaicTileShape::wide:
        return {b.x, (b.y + b.height / 2) - 0.31 * b.height, b.width, 0.62 * b.height};
    case ImageMosaicTileShape::tall:
        return {(b.x + b.width / 2) - 0.31 * b.width, b.y, 0.62 * b.width, b.height};
    case ImageMosaicTileShape::brick:
        return {b.x + 0.06 * b.width, b.y + 0.08 * b.height, b.width - 2 * (0.06 * b.width),
                b.height - 2 * (0.08 * b.height)};
    }
    return b;
}

double ImagePixelizer::CellGeometry::cornerRadius(const Rect& shape) const {
    return cornerFactor * std::min(shape.width, shape.height);
}

double ImagePixelizer::CellGeometry::bevelLineWidth(const Rect& shape) const {
    return std::max(bevelAmount * std::min(shape.width, shape.height) * 0.065, 0.5);
}

void ImagePixelizer::drawGrid(const PixelGrid& grid, const Settings& settings, double width, double height,
                              double scale, const RGBATarget& target, int threadCount) {
    if (!target.data || target.width <= 0 || target.height <= 0) return;
    if (target.stride < target.width * 4) throw PixelizerError::bitmapUnavailable;
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isfinite(scale)) {
        width = 0;
        height = 0;
        scale = 0;
    }
    const CellGeometry geometry(grid, settings, width, height);
    DrawingPlan plan(grid, geometry, scale);
    try {
        if (!plan.prepareMasks()) throw PixelizerError::bitmapUnavailable;
    } catch (const std::bad_alloc&) {
        throw PixelizerError::bitmapUnavailable;
    }

    unsigned bands =
        threadCount > 0 ? unsigned(threadCount) : std::max(1u, std::thread::hardware_concurrency());
    bands = unsigned(std::clamp<std::int64_t>(std::min<std::int64_t>(bands, target.height / 32), 1, 64));
    auto paintBand = [&](unsigned band) {
        BandPainter(plan, target, target.height * band / bands, target.height * (band + 1) / bands).paint();
    };
    if (bands == 1) {
        paintBand(0);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(bands - 1);
    for (unsigned band = 1; band < bands; ++band) {
        try {
            workers.emplace_back(paintBand, band);
        } catch (const std::system_error&) {
            paintBand(band);  // no thread to spare: this one paints it
        }
    }
    paintBand(0);
    for (auto& worker : workers) worker.join();
}

PixelImageBuffer ImagePixelizer::renderImage(const PixelImageBuffer& buffer, const Settings& settings,
                                             std::int64_t outputWidth, std::int64_t outputHeight) {
    if (outputWidth < 1 || outputHeight < 1 || outputWidth > 32767 || outputHeight > 32767) {
        throw PixelizerError::bitmapUnavailable;
    }
    const PixelGrid grid = pixelize(buffer, outputWidth, outputHeight, settings);
    std::shared_ptr<std::vector<std::uint8_t>> bytes;
    try {
        bytes = std::make_shared<std::vector<std::uint8_t>>(std::size_t(outputWidth * outputHeight * 4));
    } catch (const std::bad_alloc&) {
        throw PixelizerError::bitmapUnavailable;
    }
    drawGrid(grid, settings, double(outputWidth), double(outputHeight), 1.0,
             {bytes->data(), outputWidth, outputHeight, outputWidth * 4});
    return {outputWidth, outputHeight, std::move(bytes)};
}

}  // namespace glimora
