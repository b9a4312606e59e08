#include "editors/color_well.hpp"

#include <QPainter>
#include <QPainterPath>

#include "controls/panel_style.hpp"
#include "editors/shared_color_dialog.hpp"

namespace glimora {

ColorWell::ColorWell(const QString& title, Read read, Write write, QWidget* parent)
    : QAbstractButton(parent), title_(title), read_(std::move(read)), write_(std::move(write)) {
    setFixedSize(28, 28);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title_);
    if (const auto current = read_ ? read_() : std::nullopt) color_ = *current;
    connect(this, &QAbstractButton::clicked, this, &ColorWell::openDialog);
}

ColorWell::~ColorWell() {
    // A dialog left editing a well that is gone would write to nothing.
    SharedColorDialog* shared = SharedColorDialog::existingInstance();
    if (shared && shared->isTargeting(this)) shared->close();
}

void ColorWell::setColor(const Color& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void ColorWell::openDialog() {
    SharedColorDialog::instance().open({this, read_, write_, title_});
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
    QPainterPath shape;
    shape.addRoundedRect(box, 7, 7);
    painter.fillPath(shape, SharedColorDialog::toQColor(color_));
    painter.setPen(QPen(whitePercent(12), 0.8));
    painter.drawPath(shape);
}

}  // namespace glimora
