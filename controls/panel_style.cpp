#include "controls/panel_style.hpp"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

QFont::Weight qtWeight(FontWeight weight) {
    switch (weight) {
    case FontWeight::light: return QFont::Light;
    case FontWeight::regular: return QFont::Normal;
    case FontWeight::medium: return QFont::Medium;
    case FontWeight::semibold: return QFont::DemiBold;
    case FontWeight::bold: return QFont::Bold;
    }
    return QFont::Normal;
}

int alphaOf(double percent) {
    if (!std::isfinite(percent)) return 0;
    // percent x 255 / 100 rather than x 2.55: 2.55 is not exact in binary,
    // and 90 x 2.55 would round a true half (229.5) down.
    return static_cast<int>(std::round(std::clamp(percent * 255 / 100, 0.0, 255.0)));
}

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

// Qt's pixel sizes are whole numbers; sizes like 10.5 or a title shrunk to
// 0.88 keep their fraction as a point size at the screen's resolution.
void setPixelSizeF(QFont& font, double pixelSize) {
    const double size = std::max(pixelSize, 1.0);
    if (size == std::floor(size)) font.setPixelSize(static_cast<int>(size));
    else font.setPointSizeF(size * 72.0 / screenDpi());
}

}  // namespace

double pixelSizeOf(const QFont& font) {
    if (font.pixelSize() > 0) return font.pixelSize();
    return font.pointSizeF() * screenDpi() / 72.0;
}

QFont panelFont(double pixelSize, FontWeight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    setPixelSizeF(font, pixelSize);
    font.setWeight(qtWeight(weight));
    return font;
}

QColor whitePercent(double percent) { return QColor(255, 255, 255, alphaOf(percent)); }

QColor whiteOpacity(double fraction) { return whitePercent(fraction * 100); }

QColor blackPercent(double percent) { return QColor(0, 0, 0, alphaOf(percent)); }

QColor accentColor() { return QColor(255, 204, 0); }

FittedText fitText(const QFont& font, const QString& text, double width, double minimumScale) {
    const double available = std::max(width, 0.0);
    const double size = pixelSizeOf(font);
    if (QFontMetricsF(font).horizontalAdvance(text) <= available) return {font, text};
    QFont scaled = font;
    const double scale = std::clamp(minimumScale, 0.0, 1.0);
    if (scale < 1 && size > 0) {
        // Find the largest size that fits in a few halvings of the interval.
        double low = size * scale, high = size;
        setPixelSizeF(scaled, low);
        if (QFontMetricsF(scaled).horizontalAdvance(text) <= available) {
            for (int i = 0; i < 6; ++i) {
                const double middle = (low + high) / 2;
                setPixelSizeF(scaled, middle);
                if (QFontMetricsF(scaled).horizontalAdvance(text) <= available) low = middle;
                else high = middle;
            }
            setPixelSizeF(scaled, low);
            return {scaled, text};
        }
    }
    return {scaled, QFontMetricsF(scaled).elidedText(text, Qt::ElideRight, available)};
}

double devicePixelScale(const QPainter& painter) {
    const QTransform& transform = painter.deviceTransform();
    const double scale = std::hypot(transform.m11(), transform.m12());
    return std::isfinite(scale) && scale > 0 ? scale : 1;
}

QSize devicePixelSize(QSizeF size, double scale) {
    // A rounding error is no pixel: 10 x 1.1 is 11.000000000000002, 11 pixels.
    const auto cover = [scale](double length) {
        return std::isfinite(length) && length > 0 ? int(std::ceil(length * scale - 1e-9)) : 0;
    };
    return {cover(size.width()), cover(size.height())};
}

}  // namespace glimora
