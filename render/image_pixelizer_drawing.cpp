#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "render/image_pixelizer.hpp"
#include "render/parallel_bands.hpp"

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

struct Point {
    double x;
    double y;
};

// Largest sagitta between a fill outline's curve and its chords, in pixels.
// With the vertices moved out to balance the area (below), coverage moves by
// about a level at most.
constexpr double fillFlatness = 0.008;

// Collects a closed outline as a polygon, flattening curves finely enough
// that its exact area coverage is the curve's to within about a level.
class PolygonBuilder {
public:
    PolygonBuilder(std::vector<Point>& points, double flatness) : points_(points), flatness_(flatness) {
        points_.clear();
    }

    void moveTo(double x, double y) { points_.push_back({x, y}); }
    void lineTo(double x, double y) { points_.push_back({x, y}); }

    void curveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
        const Point p0 = points_.back();
        // A piecewise-linear curve of n equal steps strays at most
        // max|B''| / (8 n^2) from the cubic, and |B''| <= 6 max|second difference|.
        const double d1 = std::hypot(p0.x - 2 * x1 + x2, p0.y - 2 * y1 + y2);
        const double d2 = std::hypot(x1 - 2 * x2 + x3, y1 - 2 * y2 + y3);
        const double steps = std::ceil(std::sqrt(6 * std::max(d1, d2) / (8 * flatness_)));
        const int n = int(std::clamp(steps, 1.0, 4096.0));
        auto at = [&](int i) {
            const double t = double(i) / n;
            const double u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            return Point{a * p0.x + b * x1 + c * x2 + d * x3, a * p0.y + b * y1 + c * y2 + d * y3};
        };
        // Chords cut inside the curve by up to the sagitta s, losing 2/3 s of
        // area along each; moving every inner vertex out by 2/3 s balances
        // that, so coverage errors cancel within a pixel instead of adding up.
        // The second difference of three vertices is 8 s across the curve.
        Point previous = p0;
        Point current = at(1);
        for (int i = 1; i < n; ++i) {
            const Point next = at(i + 1);
            const double dx = previous.x - 2 * current.x + next.x;
            const double dy = previous.y - 2 * current.y + next.y;
            const double tx = next.x - previous.x;
            const double ty = next.y - previous.y;
            const double length2 = tx * tx + ty * ty;
            const double along = length2 > 0 ? (dx * tx + dy * ty) / length2 : 0;
            points_.push_back({current.x - (dx - along * tx) / 12, current.y - (dy - along * ty) / 12});
            previous = current;
            current = next;
        }
        points_.push_back({x3, y3});
    }

private:
    std::vector<Point>& points_;
    double flatness_;
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

double roundedRadius(double width, double height, double radius) {
    return std::min(radius, std::min(width, height) / 2 / cornerExtent);
}

void continuousRoundedRect(PolygonBuilder& path, double width, double height, double radius) {
    const double r = roundedRadius(width, height, radius);
    // Clockwise from the top edge: each corner point, the way back along the
    // arriving edge, and the way on along the leaving edge.
    const double corners[4][6] = {
        {width, 0, -1, 0, 0, 1},
        {width, height, 0, -1, -1, 0},
        {0, height, 1, 0, 0, -1},
        {0, 0, 0, 1, 1, 0},
    };
    path.moveTo(cornerExtent * r, 0);
    for (const auto& k : corners) {
        auto x = [&](int i) { return k[0] + (cornerCurve[i][0] * k[2] + cornerCurve[i][1] * k[4]) * r; };
        auto y = [&](int i) { return k[1] + (cornerCurve[i][0] * k[3] + cornerCurve[i][1] * k[5]) * r; };
        path.lineTo(k[0] + cornerExtent * r * k[2], k[1] + cornerExtent * r * k[3]);
        for (int i = 0; i < 9; i += 3) path.curveTo(x(i), y(i), x(i + 1), y(i + 1), x(i + 2), y(i + 2));
    }
}

void ellipse(PolygonBuilder& path, double width, double height) {
    constexpr double kappa = 0.5522847498307936;  // cubic approximation of a quarter circle
    const double rx = width / 2;
    const double ry = height / 2;
    path.moveTo(width, ry);
    path.curveTo(width, ry + kappa * ry, rx + kappa * rx, height, rx, height);
    path.curveTo(rx - kappa * rx, height, 0, ry + kappa * ry, 0, ry);
    path.curveTo(0, ry - kappa * ry, rx - kappa * rx, 0, rx, 0);
    path.curveTo(rx + kappa * rx, 0, width, ry - kappa * ry, width, ry);
}

void diamond(PolygonBuilder& path, double width, double height) {
    path.moveTo(width / 2, 0);
    path.lineTo(width, height / 2);
    path.lineTo(width / 2, height);
    path.lineTo(0, height / 2);
}

void rectangle(PolygonBuilder& path, double width, double height) {
    path.moveTo(0, 0);
    path.lineTo(width, 0);
    path.lineTo(width, height);
    path.lineTo(0, height);
}

// Exact area coverage of closed polygons: each edge adds the signed area it
// sweeps in every pixel it crosses, and a running sum along each row turns
// those into coverage. An outline and a reversed one inside it leave a ring.
// Two layers (a fill and its stroke) share one pass over the pixels.
class CoverageRaster {
public:
    // Starts a width x height raster; the buffer is all zero between uses.
    void begin(int width, int height) {
        width_ = width;
        height_ = height;
        const std::size_t size = 2 * std::size_t(width + 2) * std::size_t(height);
        if (cells_.size() < size) cells_.resize(size, 0.0);
    }

    void addPolygon(int layer, const std::vector<Point>& points, double dx, double dy, bool reversed) {
        if (points.empty()) return;
        double* cells = cells_.data() + layer;
        const double sign = reversed ? -1 : 1;
        Point a = points.back();
        for (const Point& b : points) {
            addLine(cells, sign, a.x + dx, a.y + dy, b.x + dx, b.y + dy);
            a = b;
        }
    }

    // Calls visit(x, y, fill coverage, stroke coverage) as bytes for each
    // covered pixel, and clears the buffer. Without a stroke its layer,
    // never written, is left alone.
    template <bool withStroke>
    void finish(const auto& visit) {
        const std::size_t stride = 2 * std::size_t(width_ + 2);
        for (int y = 0; y < height_; ++y) {
            double* row = cells_.data() + std::size_t(y) * stride;
            double fill = 0;
            double stroke = 0;
            for (int x = 0; x < width_; ++x, row += 2) {
                fill += row[0];
                row[0] = 0;
                const unsigned a = coverageByte(std::abs(fill));
                unsigned b = 0;
                if constexpr (withStroke) {
                    stroke += row[1];
                    row[1] = 0;
                    b = coverageByte(std::abs(stroke));
                }
                if ((a | b) != 0) visit(x, y, a, b);
            }
            std::fill(row, row + 4, 0.0);
        }
    }

    static unsigned coverageByte(double coverage) { return unsigned(std::min(coverage, 1.0) * 255 + 0.5); }

private:
    // Cells of one layer are every other double.
    void addLine(double* cells, double direction, double x0, double y0, double x1, double y1) {
        const double w = double(width_);
        const double h = double(height_);
        x0 = std::clamp(x0, 0.0, w);
        x1 = std::clamp(x1, 0.0, w);
        y0 = std::clamp(y0, 0.0, h);
        y1 = std::clamp(y1, 0.0, h);
        if (y0 == y1) return;
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
            direction = -direction;
        }
        const std::size_t stride = 2 * std::size_t(width_ + 2);
        const double top = std::floor(y0);
        if (y1 <= top + 1) {
            // Most flattened segments stay within one pixel: they need no slope.
            const double left = std::floor(std::min(x0, x1));
            if (std::max(x0, x1) <= left + 1) {
                double* cell = cells + std::size_t(top) * stride + 2 * std::size_t(left);
                const double d = (y1 - y0) * direction;
                const double mid = 0.5 * (x0 + x1) - left;
                cell[0] += d - d * mid;
                cell[2] += d * mid;
                return;
            }
        }
        const double dxdy = (x1 - x0) / (y1 - y0);
        double x = x0;
        const int yEnd = std::min(int(std::ceil(y1)), height_);
        for (int y = int(y0); y < yEnd; ++y) {
            double* row = cells + std::size_t(y) * stride;
            const double dy = std::min(double(y + 1), y1) - std::max(double(y), y0);
            const double xNext = x + dxdy * dy;
            const double d = dy * direction;
            const double xa = std::min(x, xNext);
            const double xb = std::max(x, xNext);
            const double floorA = std::floor(xa);
            const int ia = int(floorA);
            const int ib = int(std::ceil(xb));
            if (ib <= ia + 1) {
                // Within one pixel column: its share lies left of the mean x.
                const double mid = 0.5 * (x + xNext) - floorA;
                row[2 * ia] += d - d * mid;
                row[2 * (ia + 1)] += d * mid;
            } else {
                const double s = 1 / (xb - xa);
                const double fa = xa - floorA;
                const double first = 0.5 * s * (1 - fa) * (1 - fa);
                const double fb = xb - double(ib) + 1;
                const double last = 0.5 * s * fb * fb;
                row[2 * ia] += d * first;
                if (ib == ia + 2) {
                    row[2 * (ia + 1)] += d * (1 - first - last);
                } else {
                    const double second = s * (1.5 - fa);
                    row[2 * (ia + 1)] += d * (second - first);
                    for (int i = ia + 2; i < ib - 1; ++i) row[2 * i] += d * s;
                    const double beforeLast = second + double(ib - ia - 3) * s;
                    row[2 * (ib - 1)] += d * (1 - beforeLast - last);
                }
                row[2 * ib] += d * last;
            }
            x = xNext;
        }
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<double> cells_;
};

// Larger shapes come only from absurd input; they are drawn as plain
// rectangles rather than rasterising huge outlines.
constexpr double maxMaskSide = 4096;

enum class CellFill { rectangle, ellipse, diamond, rounded };

// A cell's shape in target pixels, at its exact fractional position.
struct Edges {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// What every band shares: the geometry in pixels and the outlines of a cell's
// shape and of its bevel stroke, which are the same for every cell.
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
        // Every shape of a grid has the same size.
        const ImagePixelizer::Rect shape = geometry.shape(0, 0);
        width_ = shape.width * scale;
        height_ = shape.height * scale;
        if (!(width_ > 0) || !(height_ > 0) || !(width_ <= maxMaskSide) || !(height_ <= maxMaskSide)) {
            fill_ = CellFill::rectangle;
            return;
        }
        const double radius = geometry.cornerRadius(shape) * scale;
        if (radius > 0) fill_ = CellFill::rounded;
        outline(fillOutline_, width_, height_, radius, 0, fillFlatness);
        if (geometry.renderMode == ImageRenderMode::mosaic && geometry.bevelAmount > 0) {
            const double lineWidth = std::min(geometry.bevelLineWidth(shape) * scale, maxMaskSide);
            // The stroke is centred on the outline: the ring between the
            // outline grown by half the width and the outline shrunk by it.
            // A rounded corner's offset is its curve at the offset radius.
            const double half = lineWidth / 2;
            const double r = fill_ == CellFill::rounded ? roundedRadius(width_, height_, radius) : 0;
            // The bevel's opacity damps its outline's error: the same error in
            // colour allows a coarser outline.
            const double strokeFlatness = std::min(fillFlatness / (geometry.bevelAmount * 0.28), 0.05);
            outline(strokeOuter_, width_ + lineWidth, height_ + lineWidth, r + half, -half, strokeFlatness);
            if (width_ > lineWidth && height_ > lineWidth) {
                outline(strokeInner_, width_ - lineWidth, height_ - lineWidth, std::max(r - half, 0.0), half,
                        strokeFlatness);
            }
            reach_ = half;
            // The bevel colour in 16 bits per channel, keeping the high byte.
            bevelAlpha_ = unsigned(geometry.bevelAmount * 0.28 * 65535 + 0.5) >> 8;
        }
    }

    // The shape of cell (r, c) in pixels; false when it is empty.
    bool edgesOf(std::int64_t r, std::int64_t c, Edges& edges) const {
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
        edges = {shape.x * scale_, shape.y * scale_, right * scale_, bottom * scale_};
        return edges.right > edges.left && edges.bottom > edges.top;
    }

    // Whether a rectangle's right (bottom) edge is the left (top) edge of the
    // next cell, which then paints over the shared pixels.
    bool meetsNextColumn(std::int64_t c) const {
        return sharesEdges() && geometry_.shape(0, c).width == geometry_.cellWidth &&
               c + 1 < geometry_.columns;
    }
    bool meetsNextRow(std::int64_t r) const {
        return sharesEdges() && geometry_.shape(r, 0).height == geometry_.cellHeight &&
               r + 1 < geometry_.rows;
    }

    const ImagePixelizer::PixelGrid& grid() const { return grid_; }
    const ImagePixelizer::CellGeometry& geometry() const { return geometry_; }
    bool plainFill() const { return fill_ == CellFill::rectangle; }
    bool bevel() const { return !strokeOuter_.empty(); }
    unsigned bevelAlpha() const { return bevelAlpha_; }
    // How far the bevel stroke reaches past the shape.
    double reach() const { return reach_; }
    double shapeWidth() const { return width_; }
    double shapeHeight() const { return height_; }
    const std::vector<Point>& fillOutline() const { return fillOutline_; }
    const std::vector<Point>& strokeOuter() const { return strokeOuter_; }
    const std::vector<Point>& strokeInner() const { return strokeInner_; }

private:
    bool sharesEdges() const { return geometry_.inset == 0 && fill_ == CellFill::rectangle; }

    // The shape's outline at the size given, its top left corner at (at, at).
    void outline(std::vector<Point>& points, double width, double height, double radius, double at,
                 double flatness) const {
        PolygonBuilder path(points, flatness);
        switch (fill_) {
        case CellFill::ellipse: ellipse(path, width, height); break;
        case CellFill::diamond: diamond(path, width, height); break;
        case CellFill::rounded: continuousRoundedRect(path, width, height, radius); break;
        case CellFill::rectangle: rectangle(path, width, height); break;
        }
        for (Point& p : points) {
            p.x += at;
            p.y += at;
        }
    }

    const ImagePixelizer::PixelGrid& grid_;
    const ImagePixelizer::CellGeometry& geometry_;
    double scale_;
    CellFill fill_ = CellFill::rectangle;
    double width_ = 0;
    double height_ = 0;
    double reach_ = 0;
    unsigned bevelAlpha_ = 0;
    std::vector<Point> fillOutline_;
    std::vector<Point> strokeOuter_;
    std::vector<Point> strokeInner_;
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
        fillGround(grid.background);
        const double pad = plan_.reach();
        for (std::int64_t r = 0; r < geometry.rows; ++r) {
            Edges row;
            // Every shape of a row spans the same rows of pixels.
            if (!plan_.edgesOf(r, 0, row)) continue;
            if (row.bottom + pad <= double(top_)) continue;
            if (row.top - pad >= double(bottom_)) break;
            const bool meetsNextRow = plan_.meetsNextRow(r);
            for (std::int64_t c = 0; c < geometry.columns; ++c) {
                Edges edges;
                if (!plan_.edgesOf(r, c, edges)) continue;
                if (edges.right + pad <= 0 || edges.left - pad >= double(target_.width)) continue;
                const RGB color = grid.cells[std::size_t(r * geometry.columns + c)];
                if (plan_.plainFill()) fillRectangle(edges, color, plan_.meetsNextColumn(c), meetsNextRow);
                if (!plan_.plainFill() || plan_.bevel()) drawOutlines(edges, color);
            }
        }
    }

private:
    std::uint8_t* pixel(std::int64_t x, std::int64_t y) const {
        return target_.data + y * target_.stride + x * 4;
    }

    static void blendPixel(std::uint8_t* p, const unsigned source[3], unsigned a) {
        if (a == 0) return;
        if (a == 255) {
            p[0] = std::uint8_t(source[0]);
            p[1] = std::uint8_t(source[1]);
            p[2] = std::uint8_t(source[2]);
            return;
        }
        for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(multiply(source[k], a) + multiply(p[k], 255 - a));
    }

    // A row of `width` opaque pixels of one colour, ready to copy.
    const std::uint8_t* solidRow(RGB color, std::int64_t width) {
        if (row_.size() < std::size_t(width) * 4) row_.resize(std::size_t(width) * 4);
        for (std::int64_t x = 0; x < width; ++x) {
            row_[std::size_t(x) * 4] = color.red;
            row_[std::size_t(x) * 4 + 1] = color.green;
            row_[std::size_t(x) * 4 + 2] = color.blue;
            row_[std::size_t(x) * 4 + 3] = 255;
        }
        return row_.data();
    }

    void fillGround(RGB color) {
        const std::uint8_t* row = solidRow(color, target_.width);
        for (std::int64_t y = top_; y < bottom_; ++y)
            std::memcpy(pixel(0, y), row, std::size_t(target_.width) * 4);
    }

    // An axis-aligned rectangle with exact area coverage: pixel (x, y) gets
    // overlapX(x) * overlapY(y). A shape meeting the next cell paints its
    // last partial column (row) fully; the next cell's own partial coverage
    // then goes over it, so no background shows between them.
    void fillRectangle(const Edges& edges, RGB color, bool meetsNextColumn, bool meetsNextRow) {
        // Clamping keeps every visible pixel's overlap and the integers in range.
        const double left = std::max(edges.left, -1.0);
        const double top = std::max(edges.top, double(top_) - 1);
        double right = std::min(edges.right, double(target_.width) + 1);
        double bottom = std::min(edges.bottom, double(bottom_) + 1);
        if (meetsNextColumn) right = std::ceil(right);
        if (meetsNextRow) bottom = std::ceil(bottom);
        const auto x0 = std::max<std::int64_t>(std::int64_t(std::floor(left)), 0);
        const auto x1 = std::min<std::int64_t>(std::int64_t(std::ceil(right)), target_.width);
        const auto y0 = std::max<std::int64_t>(std::int64_t(std::floor(top)), top_);
        const auto y1 = std::min<std::int64_t>(std::int64_t(std::ceil(bottom)), bottom_);
        if (x0 >= x1 || y0 >= y1) return;
        auto overlap = [](double lo, double hi, std::int64_t i) {
            return std::max(std::min(double(i + 1), hi) - std::max(double(i), lo), 0.0);
        };
        // Columns [inner0, inner1) are wholly covered; at most one partial column on each side.
        const std::int64_t inner0 = std::clamp<std::int64_t>(std::int64_t(std::ceil(left)), x0, x1);
        const std::int64_t inner1 = std::clamp<std::int64_t>(std::int64_t(std::floor(right)), inner0, x1);
        const double firstX = overlap(left, right, x0);
        const double lastX = overlap(left, right, x1 - 1);
        const unsigned source[3] = {color.red, color.green, color.blue};
        const std::uint8_t* solid = inner1 > inner0 ? solidRow(color, inner1 - inner0) : nullptr;
        for (std::int64_t y = y0; y < y1; ++y) {
            const double coverY = overlap(top, bottom, y);
            std::uint8_t* p = pixel(0, y);
            if (x0 < inner0) blendPixel(p + x0 * 4, source, CoverageRaster::coverageByte(firstX * coverY));
            if (inner0 < inner1) {
                const unsigned a = CoverageRaster::coverageByte(coverY);
                if (a == 255) {
                    std::memcpy(p + inner0 * 4, solid, std::size_t(inner1 - inner0) * 4);
                } else if (a > 0) {
                    for (std::int64_t x = inner0; x < inner1; ++x) blendPixel(p + x * 4, source, a);
                }
            }
            if (inner1 < x1) blendPixel(p + (x1 - 1) * 4, source, CoverageRaster::coverageByte(lastX * coverY));
        }
    }

    // The fill outline and the bevel ring placed at the cell's exact
    // position in a small raster whose origin is the whole-pixel part of it;
    // each covered target pixel inside the band gets the cell's colour by
    // the fill's coverage, then translucent white by the stroke's.
    void drawOutlines(const Edges& edges, RGB color) {
        // The raster spans exactly the pixels the outlines can reach.
        const double reach = plan_.reach();
        const double left = std::floor(edges.left - reach);
        const double top = std::floor(edges.top - reach);
        const double dx = edges.left - left;
        const double dy = edges.top - top;
        const int width = int(std::ceil(dx + plan_.shapeWidth() + reach));
        const int height = int(std::ceil(dy + plan_.shapeHeight() + reach));
        const auto originX = std::int64_t(left);
        const auto originY = std::int64_t(top);
        raster_.begin(width, height);
        if (!plan_.plainFill()) raster_.addPolygon(0, plan_.fillOutline(), dx, dy, false);
        if (plan_.bevel()) {
            raster_.addPolygon(1, plan_.strokeOuter(), dx, dy, false);
            if (!plan_.strokeInner().empty()) raster_.addPolygon(1, plan_.strokeInner(), dx, dy, true);
        }
        const unsigned source[3] = {color.red, color.green, color.blue};
        const unsigned alpha = plan_.bevelAlpha();
        auto blend = [&](int x, int y, unsigned fill, unsigned stroke) {
            const std::int64_t tx = originX + x;
            const std::int64_t ty = originY + y;
            if (tx < 0 || tx >= target_.width || ty < top_ || ty >= bottom_) return;
            std::uint8_t* p = pixel(tx, ty);
            blendPixel(p, source, fill);
            if (stroke == 0) return;
            const unsigned s = multiply(alpha, stroke);
            for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(s + multiply(p[k], 255 - s));
        };
        if (plan_.bevel()) {
            raster_.finish<true>(blend);
        } else {
            raster_.finish<false>(blend);
        }
    }

    const DrawingPlan& plan_;
    ImagePixelizer::RGBATarget target_;
    std::int64_t top_;
    std::int64_t bottom_;
    std::vector<std::uint8_t> row_;
    CoverageRaster raster_;
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
    const DrawingPlan plan(grid, geometry, scale);

    const int wanted = threadCount > 0 ? threadCount : defaultThreadCount();
    const std::int64_t bands =
        std::clamp<std::int64_t>(std::min<std::int64_t>(wanted, target.height / 32), 1, 64);
    try {
        forEachBand(int(bands), threadCount, [&](int band) {
            BandPainter(plan, target, target.height * band / bands, target.height * (band + 1) / bands).paint();
        });
    } catch (const std::bad_alloc&) {
        throw PixelizerError::bitmapUnavailable;
    }
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
