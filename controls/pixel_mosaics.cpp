#include "controls/pixel_mosaics.hpp"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
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
    setSize(size);
}

void PixelSwatch::sync() {
    std::vector<Color> colors = read(source_);
    if (colors == colors_) return;
    colors_ = std::move(colors);
    update();
}

void PixelSwatch::setSize(double size) {
    size_ = std::isfinite(size) && size > 0 ? size : 0;
    setFixedSize(sizeHint());
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
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double width = size_, height = size_ * 0.68;
    const QRectF frame((this->width() - width) / 2, (this->height() - height) / 2, width, height);
    QPainterPath clip;
    clip.addRoundedRect(frame, 4, 4);
    painter.setClipPath(clip);
    const double w = width / 5, h = height / 3;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            painter.fillRect(QRectF(frame.left() + w * c, frame.top() + h * r, w + 0.5, h + 0.5), cellColor(r, c));
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
    update();
}

void PixelThumbnail::setTileHeight(double height) {
    height_ = std::isfinite(height) && height > 0 ? height : 0;
    setFixedHeight(static_cast<int>(std::ceil(height_)));
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
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame(0, (height() - height_) / 2, width(), height_);
    QPainterPath outline;
    outline.addRoundedRect(frame, 8, 8);
    painter.save();
    painter.setClipPath(outline);
    const double w = frame.width() / 12, h = frame.height() / 6;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 12; ++c)
            painter.fillRect(QRectF(frame.left() + w * c, frame.top() + h * r, w + 0.7, h + 0.7), cellColor(r, c));
    painter.restore();
    QPen pen(borderColor(), borderWidth(), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.strokePath(outline, pen);
}

}  // namespace glimora
