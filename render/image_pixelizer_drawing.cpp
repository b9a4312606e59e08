#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

#include "render/image_pixelizer.hpp"

namespace glimora {

// Cairo's ARGB32 pixels are native-endian words; on a little-endian machine
// their bytes are blue, green, red, alpha. Handing cairo each colour with red
// and blue exchanged makes it write our red, green, blue, alpha order
// directly, with no conversion pass over the bitmap.
static_assert(std::endian::native == std::endian::little, "the drawing writes RGBA bytes through cairo's ARGB32");

namespace {

double clampedGap(double cellGap) {
    if (!(cellGap > 0)) return 0;
    return std::min(cellGap, 0.8);
}

double clampedCornerFactor(double radius) {
    if (!(radius > 0)) return 0;
    return std::min(radius, 0.45);
}

// Pixel-centre coverage: pixel i is inside [start, end) when i + 0.5 is.
std::int64_t snapEdge(double value, std::int64_t limit) {
    const double edge = std::ceil(value - 0.5);
    if (!(edge > 0)) return 0;
    if (edge >= double(limit)) return limit;
    return std::int64_t(edge);
}

struct Box {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;
    std::int64_t bottom;
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

void continuousRoundedRect(cairo_t* cr, double left, double top, double right, double bottom, double radius) {
    const double limit = std::min(right - left, bottom - top) / 2 / cornerExtent;
    const double r = std::min(radius, limit);
    // Clockwise from the top edge: each corner point, the way back along the
    // arriving edge, and the way on along the leaving edge.
    const double corners[4][6] = {
        {right, top, -1, 0, 0, 1},
        {right, bottom, 0, -1, -1, 0},
        {left, bottom, 1, 0, 0, -1},
        {left, top, 0, 1, 1, 0},
    };
    cairo_new_path(cr);
    cairo_move_to(cr, left + cornerExtent * r, top);
    for (const auto& k : corners) {
        auto point = [&](int i, double& x, double& y) {
            x = k[0] + (cornerCurve[i][0] * k[2] + cornerCurve[i][1] * k[4]) * r;
            y = k[1] + (cornerCurve[i][0] * k[3] + cornerCurve[i][1] * k[5]) * r;
        };
        cairo_line_to(cr, k[0] + cornerExtent * r * k[2], k[1] + cornerExtent * r * k[3]);
        for (int i = 0; i < 9; i += 3) {
            double x1, y1, x2, y2, x3, y3;
            point(i, x1, y1);
            point(i + 1, x2, y2);
            point(i + 2, x3, y3);
            cairo_curve_to(cr, x1, y1, x2, y2, x3, y3);
        }
    }
    cairo_close_path(cr);
}

void ellipse(cairo_t* cr, double x, double y, double width, double height) {
    constexpr double kappa = 0.5522847498307936;  // cubic approximation of a quarter circle
    const double rx = width / 2;
    const double ry = height / 2;
    const double cx = x + rx;
    const double cy = y + ry;
    cairo_new_path(cr);
    cairo_move_to(cr, cx + rx, cy);
    cairo_curve_to(cr, cx + rx, cy + kappa * ry, cx + kappa * rx, cy + ry, cx, cy + ry);
    cairo_curve_to(cr, cx - kappa * rx, cy + ry, cx - rx, cy + kappa * ry, cx - rx, cy);
    cairo_curve_to(cr, cx - rx, cy - kappa * ry, cx - kappa * rx, cy - ry, cx, cy - ry);
    cairo_curve_to(cr, cx + kappa * rx, cy - ry, cx + rx, cy - kappa * ry, cx + rx, cy);
    cairo_close_path(cr);
}

std::uint32_t pixelWord(RGB color) {
    const std::uint8_t bytes[4] = {color.red, color.green, color.blue, 255};
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

// Draws the rows [bandTop, bandBottom) of the target: every cell that reaches
// into them, clipped to them. Any split into bands gives the same pixels.
class BandPainter {
public:
    BandPainter(const ImagePixelizer::PixelGrid& grid, const ImagePixelizer::CellGeometry& geometry, double scale,
                const ImagePixelizer::RGBATarget& target, std::int64_t bandTop, std::int64_t bandBottom)
        : grid_(grid), geometry_(geometry), scale_(scale), target_(target), top_(bandTop), bottom_(bandBottom) {}

    ~BandPainter() {
        if (cr_) cairo_destroy(cr_);
        if (surface_) cairo_surface_destroy(surface_);
    }

    BandPainter(const BandPainter&) = delete;
    BandPainter& operator=(const BandPainter&) = delete;

    // False when cairo could not make its surface.
    bool paint() {
        fillBox({0, top_, target_.width, bottom_}, grid_.background);
        if (geometry_.columns <= 0 || geometry_.rows <= 0) return true;
        // Antialiased edges and bevel strokes reach a little past a cell.
        const double stroke = geometry_.bevelAmount > 0
                                  ? geometry_.bevelLineWidth({0, 0, geometry_.cellWidth, geometry_.cellHeight})
                                  : 0;
        const double reach = stroke * scale_ + 2;
        for (std::int64_t r = 0; r < geometry_.rows; ++r) {
            const double cellTop = double(r) * geometry_.cellHeight * scale_;
            const double cellBottom = double(r + 1) * geometry_.cellHeight * scale_;
            if (cellBottom + reach < double(top_) || cellTop - reach > double(bottom_)) continue;
            for (std::int64_t c = 0; c < geometry_.columns; ++c) {
                if (!paintCell(r, c)) return false;
            }
        }
        if (surface_) cairo_surface_flush(surface_);
        return true;
    }

private:
    bool paintCell(std::int64_t r, std::int64_t c) {
        const ImagePixelizer::Rect shape = geometry_.shape(r, c);
        if (!(shape.width > 0) || !(shape.height > 0)) return true;
        const RGB color = grid_.cells[std::size_t(r * geometry_.columns + c)];
        const bool mosaic = geometry_.renderMode == ImageRenderMode::mosaic;

        if (!mosaic && geometry_.pixelShape != ImagePixelShape::square) {
            if (!ensureCairo()) return false;
            const double x = shape.x * scale_;
            const double y = shape.y * scale_;
            const double w = shape.width * scale_;
            const double h = shape.height * scale_;
            if (geometry_.pixelShape == ImagePixelShape::dot) {
                ellipse(cr_, x, y, w, h);
            } else {
                cairo_new_path(cr_);
                cairo_move_to(cr_, x + w / 2, y);
                cairo_line_to(cr_, x + w, y + h / 2);
                cairo_line_to(cr_, x + w / 2, y + h);
                cairo_line_to(cr_, x, y + h / 2);
                cairo_close_path(cr_);
            }
            fillPath(color, false);
            return true;
        }

        // Rectangles and tiles: straight edges snap to pixel boundaries, so
        // neighbouring cells without a gap share each boundary exactly.
        const Box box = snappedBox(r, c, shape);
        const double radius = geometry_.cornerRadius(shape) * scale_;
        const bool bevel = mosaic && geometry_.bevelAmount > 0;
        if (radius > 0) {
            if (!ensureCairo()) return false;
            continuousRoundedRect(cr_, double(box.left), double(box.top), double(box.right), double(box.bottom), radius);
            fillPath(color, bevel);
        } else {
            if (cairoDirty_) {
                cairo_surface_flush(surface_);
                cairoDirty_ = false;
            }
            fillBox(box, color);
            if (surface_) cairo_surface_mark_dirty(surface_);
            if (bevel) {
                if (!ensureCairo()) return false;
                cairo_new_path(cr_);
                cairo_rectangle(cr_, double(box.left), double(box.top), double(box.right - box.left),
                                double(box.bottom - box.top));
            }
        }
        if (bevel) {
            cairo_set_source_rgba(cr_, 1, 1, 1, geometry_.bevelAmount * 0.28);
            cairo_set_line_width(cr_, geometry_.bevelLineWidth(shape) * scale_);
            cairo_stroke(cr_);
            cairoDirty_ = true;
        }
        return true;
    }

    Box snappedBox(std::int64_t r, std::int64_t c, const ImagePixelizer::Rect& shape) const {
        double left = shape.x;
        double top = shape.y;
        double right = shape.x + shape.width;
        double bottom = shape.y + shape.height;
        if (geometry_.inset == 0) {
            // Without a gap a full-width (or full-height) shape ends exactly
            // where the next cell begins, with no rounding difference between them.
            const ImagePixelizer::Rect cell = geometry_.cell(r, c);
            if (shape.x == cell.x && shape.width == cell.width) right = double(c + 1) * geometry_.cellWidth;
            if (shape.y == cell.y && shape.height == cell.height) bottom = double(r + 1) * geometry_.cellHeight;
        }
        return {snapEdge(left * scale_, target_.width), snapEdge(top * scale_, target_.height),
                snapEdge(right * scale_, target_.width), snapEdge(bottom * scale_, target_.height)};
    }

    void fillBox(const Box& box, RGB color) {
        const std::int64_t top = std::max(box.top, top_);
        const std::int64_t bottom = std::min(box.bottom, bottom_);
        const std::int64_t width = box.right - box.left;
        if (top >= bottom || width <= 0) return;
        const std::uint32_t word = pixelWord(color);
        if (row_.size() < std::size_t(width)) row_.resize(std::size_t(width));
        std::fill_n(row_.begin(), width, word);
        for (std::int64_t y = top; y < bottom; ++y) {
            std::memcpy(target_.data + y * target_.stride + box.left * 4, row_.data(), std::size_t(width) * 4);
        }
    }

    void fillPath(RGB color, bool keepPath) {
        cairo_set_source_rgb(cr_, color.blue / 255.0, color.green / 255.0, color.red / 255.0);
        if (keepPath) {
            cairo_fill_preserve(cr_);
        } else {
            cairo_fill(cr_);
        }
        cairoDirty_ = true;
    }

    bool ensureCairo() {
        if (cr_) return true;
        surface_ = cairo_image_surface_create_for_data(target_.data + top_ * target_.stride, CAIRO_FORMAT_ARGB32,
                                                       int(target_.width), int(bottom_ - top_), int(target_.stride));
        if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return false;
        cr_ = cairo_create(surface_);
        if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;
        cairo_translate(cr_, 0, -double(top_));
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
        return true;
    }

    const ImagePixelizer::PixelGrid& grid_;
    const ImagePixelizer::CellGeometry& geometry_;
    double scale_;
    ImagePixelizer::RGBATarget target_;
    std::int64_t top_;
    std::int64_t bottom_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    bool cairoDirty_ = false;
    std::vector<std::uint32_t> row_;
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
        if (settings.mosaicBevel > 0) bevelAmount = settings.mosaicBevel > 100 ? 1 : settings.mosaicBevel / 100;
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
    case ImageMosaicTileShape::rounded:
        return b;
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
    // Cairo addresses its surfaces with int sizes and word-aligned rows.
    if (target.width > 32767 || target.height > 32767 || target.stride < target.width * 4 ||
        target.stride % 4 != 0 || target.stride > std::numeric_limits<int>::max()) {
        throw PixelizerError::bitmapUnavailable;
    }
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isfinite(scale)) {
        width = 0;
        height = 0;
        scale = 0;
    }
    const CellGeometry geometry(grid, settings, width, height);

    unsigned bands = threadCount > 0 ? unsigned(threadCount) : std::max(1u, std::thread::hardware_concurrency());
    bands = unsigned(std::clamp<std::int64_t>(std::min<std::int64_t>(bands, target.height / 32), 1, 64));
    std::vector<char> succeeded(bands, 0);
    auto paintBand = [&](unsigned band) {
        const std::int64_t top = target.height * band / bands;
        const std::int64_t bottom = target.height * (band + 1) / bands;
        BandPainter painter(grid, geometry, scale, target, top, bottom);
        succeeded[band] = painter.paint();
    };
    if (bands == 1) {
        paintBand(0);
    } else {
        std::vector<std::thread> workers;
        workers.reserve(bands - 1);
        for (unsigned band = 1; band < bands; ++band) workers.emplace_back(paintBand, band);
        paintBand(0);
        for (auto& worker : workers) worker.join();
    }
    for (char ok : succeeded) {
        if (!ok) throw PixelizerError::bitmapUnavailable;
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
