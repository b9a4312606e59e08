#include "controls/small_views.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

#include "controls/panel_style.hpp"

namespace glimora {

FittingLabel::FittingLabel(const QString& text, const QFont& font, const QColor& color, double minimumScale,
                           QWidget* parent)
    : QWidget(parent), text_(text), font_(font), color_(color), minimumScale_(minimumScale) {
    ensureControlAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittingLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void FittingLabel::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void FittingLabel::setLabelFont(const QFont& font) {
    font_ = font;
    updateGeometry();
    update();
}

void FittingLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QString FittingLabel::shownText() const { return fitText(font_, text_, width(), minimumScale_).text; }

QFont FittingLabel::shownFont() const { return fitText(font_, text_, width(), minimumScale_).font; }

QSize FittingLabel::sizeHint() const {
    const QFontMetricsF metrics(font_);
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))), static_cast<int>(std::ceil(metrics.height()))};
}

QSize FittingLabel::minimumSizeHint() const { return {0, sizeHint().height()}; }

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const FittedText fitted = fitText(font_, text_, width(), minimumScale_);
    painter.setFont(fitted.font);
    painter.setPen(color_);
    painter.drawText(QRectF(rect()), static_cast<int>(alignment_) | Qt::TextSingleLine, fitted.text);
}

DotView::DotView(double diameter, const QColor& color, QWidget* parent)
    : QWidget(parent), diameter_(diameter), color_(color) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int side = static_cast<int>(std::ceil(diameter));
    setFixedSize(side, side);
}

void DotView::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void DotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(0, 0, diameter_, diameter_));
}

}  // namespace glimora
