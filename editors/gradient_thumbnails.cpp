#include "editors/gradient_thumbnails.hpp"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

#include "controls/panel_style.hpp"
#include "controls/pixel_mosaics.hpp"
#include "editors/editor_painting.hpp"

namespace glimora {

namespace {

QColor withOpacity(const Color& color, double opacity) {
    QColor result = paletteQColor(color);
    result.setAlphaF(float(opacity));
    return result;
}

// One box-blur pass along rows or columns of premultiplied pixels.
void boxBlurPass(QImage& image, int radius, bool horizontal) {
    const int width = image.width(), height = image.height();
    const int lines = horizontal ? height : width, length = horizontal ? width : height;
    std::vector<int> sums(std::size_t(length + 1) * 4);
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb* {
            return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(line)) + i
                              : reinterpret_cast<QRgb*>(image.scanLine(i)) + line;
        };
        for (int i = 0; i < length; ++i) {
            const QRgb value = *pixel(i);
            const int channels[4] = {qRed(value), qGreen(value), qBlue(value), qAlpha(value)};
            for (int c = 0; c < 4; ++c) sums[std::size_t(i + 1) * 4 + c] = sums[std::size_t(i) * 4 + c] + channels[c];
        }
        for (int i = 0; i < length; ++i) {
            const int lo = std::max(0, i - radius), hi = std::min(length, i + radius + 1);
            int out[4];
            for (int c = 0; c < 4; ++c)
                out[c] = (sums[std::size_t(hi) * 4 + c] - sums[std::size_t(lo) * 4 + c]) / (hi - lo);
            *pixel(i) = qRgba(out[0], out[1], out[2], out[3]);
        }
    }
}

// Draws `layer` into its own image at the painter's device pixels, softens
// it like a Gaussian of about this radius in points (three box passes each
// way) and lays it over the painter.
template <class Draw>
void drawBlurred(QPainter& painter, const QSizeF& size, double radius, Draw&& layer) {
    const double scale = devicePixelScale(painter);
    QImage image(devicePixelSize(size, scale), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return;
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter inner(&image);
        inner.setRenderHint(QPainter::Antialiasing);
        layer(inner);
    }
    const int box = std::max(1, int(std::lround(radius * scale / 1.7)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(image, box, true);
        boxBlurPass(image, box, false);
    }
    painter.drawImage(QPointF(0, 0), image);
}

QRadialGradient fadingGlow(QPointF centre, double startRadius, double endRadius,
                           std::initializer_list<std::pair<double, QColor>> stops) {
    QRadialGradient gradient(centre, endRadius);
    const double start = endRadius > 0 ? startRadius / endRadius : 0;
    for (const auto& [at, color] : stops) gradient.setColorAt(start + (1 - start) * at, color);
    if (start > 0) gradient.setColorAt(0, stops.begin()->second);
    return gradient;
}

}  // namespace

ThumbnailColors::ThumbnailColors(const std::vector<Color>& palette)
    : colors(palette.size() >= 2 ? palette
                                 : std::vector<Color>{NamedColor::black, NamedColor::blue, NamedColor::white}),
      accent(colors.back()),
      second(colors[1]) {}

GradientThumbnail::GradientThumbnail(QWidget* parent) : QWidget(parent) {
    setFixedHeight(tileHeight);
    setMinimumWidth(10);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void GradientThumbnail::setPaletteColors(const std::vector<Color>& palette) {
    ThumbnailColors next(palette);
    if (next.colors == colors_.colors) return;
    colors_ = std::move(next);
    update();
}

void GradientThumbnail::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
}

void GradientThumbnail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(0, 0), QSizeF(size()));
    QPainterPath outline;
    outline.addRoundedRect(box, 7, 7);
    painter.save();
    painter.setClipPath(outline);
    drawContent(painter, box.size());
    painter.restore();
    strokeRoundedInside(painter, box, 7, whitePercent(selected_ ? 92 : 8), selected_ ? 1.4 : 1.0);
}

void SmoothGradientThumbnail::drawContent(QPainter& painter, const QSizeF& size) const {
    const QPointF bottomRight(size.width(), size.height());
    painter.fillRect(QRectF(QPointF(0, 0), size), colorGradient(colors().colors, {0, 0}, bottomRight));
    drawBlurred(painter, size, 5, [&](QPainter& layer) {
        layer.fillRect(QRectF(QPointF(0, 0), size),
                       fadingGlow(bottomRight, 2, 74,
                                  {{0, withOpacity(colors().accent, 0.88)}, {1, QColor(0, 0, 0, 0)}}));
    });
    drawBlurred(painter, size, 4, [&](QPainter& layer) {
        QLinearGradient sheen(QPointF(0, 0), bottomRight);
        sheen.setColorAt(0, QColor(255, 255, 255, 0));
        sheen.setColorAt(0.5, whitePercent(22));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        layer.fillRect(QRectF(QPointF(0, 0), size), sheen);
    });
}

void GrainGradientThumbnail::drawContent(QPainter& painter, const QSizeF& size) const {
    const QRectF box(QPointF(0, 0), size);
    const QPointF centre = box.center();
    const QPointF bottomRight(size.width(), size.height());
    const ThumbnailColors& c = colors();
    switch (mode_) {
    case GrainGradientMode::liquid:
        painter.fillRect(box, colorGradient(c.colors, {0, 0}, bottomRight));
        drawBlurred(painter, size, 7, [&](QPainter& layer) {
            layer.fillRect(box, fadingGlow(bottomRight, 1, 80,
                                           {{0, withOpacity(c.accent, 0.72)}, {1, QColor(0, 0, 0, 0)}}));
        });
        break;
    case GrainGradientMode::bloom:
        painter.fillRect(box, Qt::black);
        painter.fillRect(box, fadingGlow(centre, 2, 58,
                                         {{0, withOpacity(c.accent, 0.95)},
                                          {0.5, withOpacity(c.second, 0.64)},
                                          {1, QColor(0, 0, 0, 0)}}));
        drawBlurred(painter, size, 7, [&](QPainter& layer) {
            layer.setPen(Qt::NoPen);
            layer.setBrush(whitePercent(38));
            layer.drawEllipse(QRectF(centre.x() - 24, centre.y() - 6 - 5, 48, 12));
        });
        break;
    case GrainGradientMode::ribbon: {
        QLinearGradient band(QPointF(0, 0), QPointF(size.width(), 0));
        band.setColorAt(0, Qt::black);
        band.setColorAt(1.0 / 3, withOpacity(c.second, 1));
        band.setColorAt(2.0 / 3, withOpacity(c.accent, 1));
        band.setColorAt(1, Qt::black);
        painter.fillRect(box, band);
        drawBlurred(painter, size, 6, [&](QPainter& layer) {
            layer.translate(centre);
            layer.rotate(-12);
            QPainterPath capsule;
            capsule.addRoundedRect(QRectF(-43, -3.5, 86, 7), 3.5, 3.5);
            layer.fillPath(capsule, whitePercent(56));
        });
        break;
    }
    case GrainGradientMode::halftone: {
        painter.fillRect(box, colorGradient(c.colors, {0, 0}, bottomRight));
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Screen);
        painter.setPen(Qt::NoPen);
        const double w = size.width(), h = size.height();
        for (int row = 0; row < 12; ++row) {
            const double phase = double(row) / 11.0 * 4.0;
            const double y = (row + 0.5) * h / 12.0;
            for (int column = 0; column < 28; ++column) {
                const double x = (column + 0.5) * w / 28.0;
                const double level = (std::sin(phase + double(column) / 27.0 * 8.0) * 0.5 + 0.5) * 0.82 + 0.18;
                const double radius = level * 1.4 + 0.35;
                QColor dot(255, 255, 255);
                dot.setAlphaF(float(level * 0.4 + 0.32));
                painter.setBrush(dot);
                painter.drawEllipse(QPointF(x, y), radius, radius);
            }
        }
        painter.restore();
        break;
    }
    }
}

}  // namespace glimora
