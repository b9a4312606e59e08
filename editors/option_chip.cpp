#include "editors/option_chip.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "editors/editor_painting.hpp"

namespace glimora {

OptionChip::OptionChip(const QString& title, const OptionChipLook& look, QWidget* parent)
    : QAbstractButton(parent), look_(look) {
    ensureControlAccessibility();
    setText(title);
    setAccessibleName(title);
    setFont(panelFont(look_.fontPixelSize, look_.weight));
    setMinimumHeight(look_.minimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void OptionChip::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
    notifyAccessibleOnChange(this);
}

QSize OptionChip::sizeHint() const {
    // Rounded up from the exact advance: a chip at its own width never cuts
    // its title.
    const double advance = QFontMetricsF(font()).horizontalAdvance(text());
    return {int(std::ceil(advance)) + 2 * look_.sidePadding, look_.minimumHeight};
}

QString OptionChip::shownText() const {
    const double room = std::max(0, width() - 2 * look_.sidePadding);
    return QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, room);
}

QSize OptionChip::minimumSizeHint() const {
    return {look_.sidePadding > 0 ? sizeHint().width() : 0, look_.minimumHeight};
}

void OptionChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    const double radius = look_.cornerRadius < 0 ? box.height() / 2 : look_.cornerRadius;
    QPainterPath shape;
    shape.addRoundedRect(box, radius, radius);
    const double fill = selected_ ? look_.fillOn : look_.fillOff;
    if (fill > 0) painter.fillPath(shape, whiteOpacity(fill));
    const double stroke = selected_ ? look_.strokeOn : look_.strokeOff;
    if (stroke > 0 && look_.strokeWidth > 0)
        strokeRoundedInside(painter, box, radius, whiteOpacity(stroke), look_.strokeWidth);
    painter.setPen(whiteOpacity(selected_ ? look_.textOpacityOn : look_.textOpacityOff));
    painter.setFont(font());
    const QRectF textBox = box.adjusted(look_.sidePadding, 0, -look_.sidePadding, 0);
    painter.drawText(textBox, Qt::AlignCenter, shownText());
}

}  // namespace glimora
