#include "editors/editor_painting.hpp"

#include <QPainter>
#include <QPainterPath>

#include "controls/pixel_mosaics.hpp"

namespace glimora {

QLinearGradient colorGradient(const std::vector<Color>& colors, QPointF from, QPointF to, double opacity) {
    QLinearGradient gradient(from, to);
    const std::size_t count = colors.size();
    for (std::size_t i = 0; i < count; ++i) {
        QColor color = paletteQColor(colors[i]);
        color.setAlphaF(float(opacity));
        gradient.setColorAt(count == 1 ? 0.0 : double(i) / double(count - 1), color);
    }
    return gradient;
}

void strokeRoundedInside(QPainter& painter, const QRectF& box, double radius, const QColor& color, double width) {
    const double half = width / 2;
    QPainterPath outline;
    outline.addRoundedRect(box.adjusted(half, half, -half, -half), radius, radius);
    painter.save();
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.restore();
}

}  // namespace glimora
