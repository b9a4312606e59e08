#include "controls/notch_button.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "controls/panel_symbols.hpp"

namespace glimora {

namespace {

QFont defaultFont(NotchButton::Look look) {
    switch (look) {
    case NotchButton::Look::primary: return panelFont(10, FontWeight::semibold);
    case NotchButton::Look::secondary: return panelFont(10, FontWeight::medium);
    case NotchButton::Look::icon:
    case NotchButton::Look::plain: return panelFont(10, FontWeight::medium);
    }
    return panelFont(10);
}

// Disabled buttons are dimmed so that they read as unavailable.
constexpr double disabledOpacity = 0.45;

}  // namespace

NotchButton::NotchButton(Look look, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), look_(look), action_(std::move(action)), textFont_(defaultFont(look)) {
    ensureControlAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_) action_();
    });
}

void NotchButton::setAccessibleOn(bool on) {
    if (on == on_) return;
    on_ = on;
    notifyAccessibleOnChange(this);
}

void NotchButton::setSymbol(const QString& name, double pixelSize, FontWeight weight) {
    symbol_ = {name, pixelSize, weight};
    updateGeometry();
    update();
}

void NotchButton::setTrailingSymbol(const QString& name, double pixelSize, FontWeight weight, double spacerLength) {
    trailing_ = {name, pixelSize, weight};
    trailingSpacer_ = spacerLength;
    updateGeometry();
    update();
}

void NotchButton::setTextFont(const QFont& font) {
    textFont_ = font;
    updateGeometry();
    update();
}

void NotchButton::setLabelColor(std::optional<QColor> color) {
    labelColor_ = color;
    update();
}

void NotchButton::setFill(std::optional<QColor> color, double cornerRadius) {
    if (fill_ == color && fillRadius_ == cornerRadius) return;
    fill_ = color;
    fillRadius_ = cornerRadius;
    update();
}

void NotchButton::setContentAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void NotchButton::setSpacing(double spacing) {
    spacing_ = spacing;
    updateGeometry();
    update();
}

void NotchButton::setHorizontalPadding(double padding) {
    padding_ = padding;
    updateGeometry();
    update();
}

void NotchButton::setMinimumTextScale(double scale) {
    minimumTextScale_ = scale;
    update();
}

QColor NotchButton::labelColor() const {
    if (labelColor_) return *labelColor_;
    const bool pressed = isDown();
    switch (look_) {
    case Look::icon: return pressed ? whitePercent(85) : whitePercent(42);
    case Look::primary: return QColor(0, 0, 0);
    case Look::secondary: return pressed ? whitePercent(90) : whitePercent(55);
    case Look::plain: return QColor(255, 255, 255);
    }
    return QColor(255, 255, 255);
}

std::optional<QColor> NotchButton::backgroundColor() const {
    const bool pressed = isDown();
    switch (look_) {
    case Look::icon: return pressed ? whitePercent(12) : whitePercent(0.1);
    case Look::primary: return pressed ? whitePercent(78) : whitePercent(94);
    case Look::secondary: return pressed ? whitePercent(13) : whitePercent(8);
    case Look::plain: return fill_;
    }
    return std::nullopt;
}

double NotchButton::cornerRadius() const {
    switch (look_) {
    case Look::icon: return 7;
    case Look::primary:
    case Look::secondary: return 8;
    case Look::plain: return fillRadius_;
    }
    return 0;
}

double NotchButton::symbolWidth(const SymbolLook& symbol) const {
    return symbol.name.isEmpty() ? 0 : symbolExtent(symbol.pixelSize);
}

double NotchButton::trailingGap() const { return 2 * spacing_ + trailingSpacer_; }

QSize NotchButton::sizeHint() const {
    const QFontMetricsF metrics(textFont_);
    double width = 2 * padding_;
    double height = 0;
    int parts = 0;
    if (!symbol_.name.isEmpty()) {
        width += symbolWidth(symbol_);
        height = std::max(height, symbolWidth(symbol_));
        ++parts;
    }
    if (!text().isEmpty()) {
        width += metrics.horizontalAdvance(text());
        height = std::max(height, metrics.height());
        ++parts;
    }
    if (parts > 1) width += spacing_ * (parts - 1);
    if (!trailing_.name.isEmpty()) {
        width += symbolWidth(trailing_) + (parts > 0 ? trailingGap() : 0);
        height = std::max(height, symbolWidth(trailing_));
    }
    if (look_ == Look::primary || look_ == Look::secondary) height = std::max(height, 32.0);
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

QSize NotchButton::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return {0, hint.height()};
}

FittedText NotchButton::fittedText() const {
    if (text().isEmpty()) return {textFont_, QString()};
    const double leading = symbolWidth(symbol_);
    const double trailing = symbolWidth(trailing_);
    // The text gets what the padding, the symbols and their gaps leave.
    double textRoom = width() - 2 * padding_ - leading - trailing;
    if (leading > 0) textRoom -= spacing_;
    if (trailing > 0) textRoom -= trailingGap();
    return fitText(textFont_, text(), textRoom, minimumTextScale_);
}

void NotchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (!isEnabled()) painter.setOpacity(disabledOpacity);
    const QRectF bounds(rect());
    if (const auto background = backgroundColor(); background && background->alpha() > 0) {
        QPainterPath shape;
        const double radius = cornerRadius();
        shape.addRoundedRect(bounds, radius, radius);
        painter.fillPath(shape, *background);
    }

    const QColor color = labelColor();
    const double leading = symbolWidth(symbol_);
    const double trailing = symbolWidth(trailing_);
    const QRectF content = bounds.adjusted(padding_, 0, -padding_, 0);
    const FittedText fitted = fittedText();
    const double textWidth = fitted.text.isEmpty() ? 0 : QFontMetricsF(fitted.font).horizontalAdvance(fitted.text);
    double groupWidth = leading + textWidth;
    if (leading > 0 && textWidth > 0) groupWidth += spacing_;

    double x = content.left();
    if (alignment_ & Qt::AlignHCenter) {
        const double whole = groupWidth + (trailing > 0 ? trailingGap() + trailing : 0);
        x = content.left() + (content.width() - whole) / 2;
    } else if (alignment_ & Qt::AlignRight) {
        x = content.right() - groupWidth - (trailing > 0 ? trailingGap() + trailing : 0);
    }
    const double centreY = content.center().y();
    if (leading > 0) {
        drawSymbol(painter, symbol_.name.toStdString(), QRectF(x, centreY - leading / 2, leading, leading),
                   symbol_.pixelSize, symbol_.weight, color);
        x += leading + (textWidth > 0 ? spacing_ : 0);
    }
    if (textWidth > 0) {
        painter.setFont(fitted.font);
        painter.setPen(color);
        painter.drawText(QRectF(x, content.top(), textWidth + 1, content.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         fitted.text);
    }
    if (trailing > 0) {
        // Pushed to the trailing edge, as after a spacer.
        const double tx = (alignment_ & Qt::AlignHCenter) ? x + textWidth + trailingGap() : content.right() - trailing;
        drawSymbol(painter, trailing_.name.toStdString(), QRectF(tx, centreY - trailing / 2, trailing, trailing),
                   trailing_.pixelSize, trailing_.weight, color);
    }
}

NotchButton* makeIconButton(const QString& symbol, double pixelSize, FontWeight weight, const QString& help,
                            QSize size, std::function<void()> action, QWidget* parent) {
    auto* button = new NotchButton(NotchButton::Look::icon, std::move(action), parent);
    button->setSymbol(symbol, pixelSize, weight);
    button->setFixedSize(size);
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

void showTabSelected(NotchButton& button, bool selected, double unselectedOpacity) {
    button.setLabelColor(whiteOpacity(selected ? 0.92 : unselectedOpacity));
    button.setFill(selected ? std::optional<QColor>(whiteOpacity(0.09)) : std::nullopt, 8);
    button.setAccessibleRole(QAccessible::PageTab);
    button.setAccessibleOn(selected);
}

}  // namespace glimora
