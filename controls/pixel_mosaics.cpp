#include "controls/pixel_mosaics.hpp"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <numbers>

#include "controls/panel_style.hpp"
#include "render/wallpaper_export_settings.hpp"

namespace glimora {

namespace {

constexpr double pi = std::numbers::pi;

bool isEven(double integral) { return std::fmod(integral, 2.0) == 0; }
double frac(double x) { return x - std::trunc(x); }
double wrap(double x) { return x - std::floor(x); }

bool fractalLit(double du, double dv) {
    double x = 2.8 * du, y = 2.8 * dv;
    for (int k = 1; k <= 8; ++k) {
        const double nx = x * x - y * y - 0.32;
        const double ny = 2 * x * y + 0.08;
        x = nx;
        y = ny;
        if (x * x + y * y > 4) return k % 2 == 1;
    }
    return true;
}

// An empty palette gives opaque black, as the renderer draws it.
QColor colorAt(const std::vector<Color>& colors, std::size_t index) {
    if (colors.empty()) return QColor(0, 0, 0);
    return paletteQColor(colors[index % colors.size()]);
}

std::vector<Color> read(const ColorsSource& source) { return source ? source() : std::vector<Color>{}; }

// The premultiplied pixel of a colour scaled by a coverage in 0...1.
QRgb premultiplied(const QColor& color, double coverage) {
    const double a = color.alphaF() * coverage;
    const auto channel = [a](int value) { return int(std::lround(value * a)); };
    return qRgba(channel(color.red()), channel(color.green()), channel(color.blue()), int(std::lround(255 * a)));
}

// Signed distance from p to the outline of a rounded rectangle (negative inside).
double roundedRectDistance(QPointF p, const QRectF& rect, double radius) {
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const double qx = std::abs(p.x() - rect.center().x()) - (rect.width() / 2 - r);
    const double qy = std::abs(p.y() - rect.center().y()) - (rect.height() / 2 - r);
    // sqrt rather than hypot: the lengths are a few hundred pixels, far from
    // overflow, and this runs for every edge pixel of every tile.
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

double coverageOf(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

struct Border {
    QColor color;
    double width;
};

// A grid of cells in `frame`, clipped to a rounded rectangle with an
// antialiased edge, and optionally a border stroked centred on that edge,
// as one image covering `size` points at `scale` device pixels to the point.
// Each device pixel takes the cell under its centre (later cells overlap
// earlier ones, so the cell to the right or below wins): cell edges are
// snapped to whole device pixels at every scale, never blended, and a cell
// edge at a fractional device position goes to the nearer pixel boundary.
// Only the outline is antialiased, from each pixel's distance to it.
// Computed here rather than with clip paths and strokes: the raster engine
// hands antialiased fills of many spans to its thread pool, which costs
// milliseconds per tile on a busy machine.
QImage renderMosaic(QSize size, double scale, QRectF frame, double radius, int rows, int columns,
                    const std::function<QColor(int, int)>& cellColor, std::optional<Border> border) {
    QImage image(devicePixelSize(QSizeF(size), scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    if (image.isNull() || !(frame.width() > 0 && frame.height() > 0)) return image;
    // From here on every length is in device pixels.
    frame = QRectF(frame.topLeft() * scale, frame.size() * scale);
    radius *= scale;
    if (border) border->width *= scale;
    size = image.size();
    std::vector<QColor> cells(std::size_t(rows * columns));
    std::vector<QRgb> solid(cells.size());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const std::size_t i = std::size_t(r * columns + c);
            cells[i] = cellColor(r, c);
            solid[i] = premultiplied(cells[i], 1);
        }
    const double w = frame.width() / columns, h = frame.height() / rows;
    // Pixels farther than this inside the outline are wholly inside and
    // untouched by the border.
    const double margin = 1 + (border ? border->width / 2 : 0);
    // The column under each pixel centre and its distance to the nearer side.
    std::vector<int> columnAt(std::size_t(size.width()));
    std::vector<double> sideDistance(std::size_t(size.width()));
    for (int x = 0; x < size.width(); ++x) {
        const double px = x + 0.5;
        columnAt[std::size_t(x)] = std::clamp(int(std::floor((px - frame.left()) / w)), 0, columns - 1);
        sideDistance[std::size_t(x)] = std::min(px - frame.left(), frame.right() - px);
    }
    // A line clear of the top and bottom edges and of the corners depends
    // only on its cell row (its side pixels are nearer the side than any
    // other edge): it repeats the line above in the same row, which saves
    // most of the work where a cell is many device pixels high.
    int repeatedRow = -1;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double py = y + 0.5;
        const int row = std::clamp(int(std::floor((py - frame.top()) / h)), 0, rows - 1);
        const QRgb* rowSolid = solid.data() + std::size_t(row * columns);
        const QColor* rowCells = cells.data() + std::size_t(row * columns);
        const double dy = std::min(py - frame.top(), frame.bottom() - py);
        const bool innerRow = dy > margin;
        const bool clearOfCorners = dy > radius;
        if (innerRow && clearOfCorners) {
            if (row == repeatedRow) {
                std::memcpy(line, image.constScanLine(y - 1), std::size_t(size.width()) * sizeof(QRgb));
                continue;
            }
            repeatedRow = row;
        } else {
            repeatedRow = -1;
        }
        // Along a straight top or bottom edge the distance stays the same
        // across a cell: its pixels repeat the last one worked out.
        int lastColumn = -1;
        double lastDistance = 0;
        QRgb lastPixel = 0;
        for (int x = 0; x < size.width(); ++x) {
            const int column = columnAt[std::size_t(x)];
            const double dx = sideDistance[std::size_t(x)];
            if (innerRow && dx > margin && (clearOfCorners || dx > radius)) {
                line[x] = rowSolid[column];
                continue;
            }
            const double distance = roundedRectDistance(QPointF(x + 0.5, py), frame, radius);
            if (column == lastColumn && distance == lastDistance) {
                line[x] = lastPixel;
                continue;
            }
            const double clip = coverageOf(distance);
            QRgb pixel = clip >= 1 ? rowSolid[column] : clip > 0 ? premultiplied(rowCells[column], clip) : 0;
            if (border) {
                const double ring = coverageOf(std::abs(distance) - border->width / 2);
                if (ring > 0) {
                    const QRgb over = premultiplied(border->color, std::min(ring, 1.0));
                    const int keep = 255 - qAlpha(over);
                    const auto mix = [keep](int top, int below) { return top + (below * keep + 127) / 255; };
                    pixel = qRgba(mix(qRed(over), qRed(pixel)), mix(qGreen(over), qGreen(pixel)),
                                  mix(qBlue(over), qBlue(pixel)), mix(qAlpha(over), qAlpha(pixel)));
                }
            }
            line[x] = lastPixel = pixel;
            lastColumn = column;
            lastDistance = distance;
        }
    }
    return image;
}

// Whether `image` is the drawing of a widget of `size` at `scale`: a resize
// or a move to a screen of another ratio draws it again.
bool drawnFor(const QImage& image, QSize size, double scale) {
    return !image.isNull() && image.devicePixelRatio() == scale && image.size() == devicePixelSize(QSizeF(size), scale);
}

}  // namespace

QColor paletteQColor(const Color& color) {
    const auto rgb = WallpaperExportSettings::rgb(color);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

bool pixelThumbnailCellLit(NotchShape shape, int row, int column) {
    const double v = row / 5.0, dv = v - 0.5;
    const double u = column / 11.0, du = u - 0.5;
    const double rho = std::hypot(du, dv);
    const double theta = std::atan2(dv, du);
    switch (shape) {
    case NotchShape::linear: return isEven(std::floor(4 * (0.7 * v + 0.8 * u)));
    case NotchShape::radial: return isEven(std::trunc(12 * rho));
    case NotchShape::smoothGradient: return v > 0.5 || std::hypot(u - 0.72, v - 0.32) < 0.22;
    case NotchShape::ribbonBands: return std::sin(9 * pi * v + 1.4 * std::sin(3 * pi * u)) > 0;
    case NotchShape::glowDots:
        return std::hypot(std::abs(frac(8 * u) - 0.5), std::abs(frac(5 * v) - 0.5)) < 0.24 ||
               std::hypot(du, v - 0.78) < 0.32;
    case NotchShape::conic: return isEven(std::trunc(8 * (theta + pi) / (2 * pi)));
    case NotchShape::sine: return std::sin(2 * pi * v + 6 * pi * u) > 0;
    case NotchShape::sunsetStrip: {
        const double a = (wrap(2.5 * du + 0.5) - 0.5) * 0.82;
        const double b = (wrap(4 * dv + 0.5) - 0.5) * 1.55;
        return std::cos(8 * pi * std::hypot(a, b)) < 0;
    }
    case NotchShape::diamond: return isEven(std::trunc(14 * (std::abs(du) + std::abs(dv))));
    case NotchShape::fractal: return fractalLit(du, dv);
    case NotchShape::tree: {
        if (std::abs(du) < 0.08 && v > 0.34) return true;
        const double k = std::trunc(7 * (1 - v)) - 1;
        return k >= 0 && k <= 5 && std::abs(std::abs(du) - std::max(0.3 * (1 - v), 0.04)) < 0.055;
    }
    case NotchShape::landscape:
        if (!(v > 0.52 - 0.18 * std::abs(std::sin(3 * pi * u)))) return false;
        return v > 0.7 - 0.12 * std::abs(std::sin(4 * pi * u + 0.5)) || isEven(std::trunc(12 * v));
    case NotchShape::petals: return isEven(std::trunc(18 * (rho + 0.12 * (0.5 * std::cos(6 * theta) + 0.5))));
    case NotchShape::crystal:
        return isEven(std::trunc(16 * (std::abs(frac(3 * u) - 0.5) + std::abs(frac(3 * v) - 0.5))));
    case NotchShape::spiral: return std::sin(24 * rho + 3 * theta) > 0;
    case NotchShape::kaleidoscope:
        return isEven(std::trunc(18 * rho + 12 * std::abs(frac(7 * (theta + pi) / (2 * pi)) - 0.5)));
    case NotchShape::topography:
        return isEven(std::trunc(
            5 * (std::sin(1.6 * std::sin(2 * pi * v) + 5 * pi * u) + 0.45 * std::sin(3 * pi * (v + u)) + 2)));
    case NotchShape::orbit: return std::sin(30 * std::hypot(1.25 * du, 0.72 * dv) - 4 * theta) > 0;
    }
    return false;
}

// PixelSwatch

PixelSwatch::PixelSwatch(ColorsSource colors, double size, QWidget* parent)
    : QWidget(parent), source_(std::move(colors)), colors_(read(source_)), size_(size) {
    setAttribute(Qt::WA_TranslucentBackground);
    // Layouts give it its own size; given a larger rectangle (a square
    // glyph), it centres the mosaic in it rather than clamping the rectangle.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSize(size);
    resize(sizeHint());
}

void PixelSwatch::sync() {
    std::vector<Color> colors = read(source_);
    if (colors == colors_) return;
    colors_ = std::move(colors);
    image_ = QImage();
    update();
}

void PixelSwatch::setSize(double size) {
    size_ = std::isfinite(size) && size > 0 ? size : 0;
    updateGeometry();
    image_ = QImage();
    update();
}

QSize PixelSwatch::sizeHint() const {
    return {static_cast<int>(std::ceil(size_)), static_cast<int>(std::ceil(size_ * 0.68))};
}

QColor PixelSwatch::cellColor(int row, int column) const {
    return colorAt(colors_, static_cast<std::size_t>(2 * row + column));
}

void PixelSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double scale = devicePixelScale(painter);
    if (!drawnFor(image_, size(), scale)) {
        const double width = size_, height = size_ * 0.68;
        const QRectF frame((this->width() - width) / 2, (this->height() - height) / 2, width, height);
        image_ = renderMosaic(size(), scale, frame, 4, 3, 5, [this](int r, int c) { return cellColor(r, c); },
                              std::nullopt);
    }
    painter.drawImage(QPointF(0, 0), image_);
}

// PixelThumbnail

PixelThumbnail::PixelThumbnail(NotchShape shape, ColorsSource colors, std::function<bool()> isSelected,
                               double height, QWidget* parent)
    : QWidget(parent),
      shape_(shape),
      source_(std::move(colors)),
      isSelected_(std::move(isSelected)),
      colors_(read(source_)),
      selected_(isSelected_ && isSelected_()),
      height_(height) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setTileHeight(height);
}

void PixelThumbnail::sync() {
    std::vector<Color> colors = read(source_);
    const bool selected = isSelected_ && isSelected_();
    if (colors == colors_ && selected == selected_) return;
    colors_ = std::move(colors);
    selected_ = selected;
    image_ = QImage();
    update();
}

void PixelThumbnail::setTileHeight(double height) {
    height_ = std::isfinite(height) && height > 0 ? height : 0;
    setFixedHeight(static_cast<int>(std::ceil(height_)));
    image_ = QImage();
    updateGeometry();
    update();
}

QSize PixelThumbnail::sizeHint() const { return {72, static_cast<int>(std::ceil(height_))}; }

QColor PixelThumbnail::cellColor(int row, int column) const {
    if (!pixelThumbnailCellLit(shape_, row, column)) return blackPercent(88);
    return colorAt(colors_, static_cast<std::size_t>(row + column));
}

QColor PixelThumbnail::borderColor() const { return selected_ ? whitePercent(90) : whitePercent(8); }

double PixelThumbnail::borderWidth() const { return selected_ ? 1.5 : 1; }

void PixelThumbnail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double scale = devicePixelScale(painter);
    if (!drawnFor(image_, size(), scale)) {
        const QRectF frame(0, (height() - height_) / 2, width(), height_);
        image_ = renderMosaic(size(), scale, frame, 8, 6, 12, [this](int r, int c) { return cellColor(r, c); },
                              Border{borderColor(), borderWidth()});
    }
    painter.drawImage(QPointF(0, 0), image_);
}

}  // namespace glimora
