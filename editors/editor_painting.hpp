// Drawing the editors' own tiles and chips share: palette gradients and
// rounded outlines stroked inside their box.
#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRectF>

#include <vector>

#include "model/palette.hpp"

class QPainter;

namespace glimora {

// The colours spread evenly from `from` to `to`, each at `opacity`.
QLinearGradient colorGradient(const std::vector<Color>& colors, QPointF from, QPointF to, double opacity = 1);

// A rounded rectangle's outline of `width`, kept inside `box`.
void strokeRoundedInside(QPainter& painter, const QRectF& box, double radius, const QColor& color, double width);

}  // namespace glimora
