#include "controls/toggles.hpp"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "controls/accessibility.hpp"
#include "controls/panel_style.hpp"

namespace glimora {

namespace {

constexpr double rowMinimumHeight = 27;
constexpr double padding = 7;
constexpr double markerGap = 6;

QFont rowFont() { return panelFont(10, FontWeight::medium); }

QSizeF markerSize(OnOffRow::Marker marker) {
    return marker == OnOffRow::Marker::capsuleSwitch ? QSizeF(22, 14) : QSizeF(7, 7);
}

}  // namespace

// The main part: marker and text, painted; the row paints the background.
class OnOffRow::ToggleButton : public QAbstractButton, public AccessibleControl {
public:
    explicit ToggleButton(OnOffRow& row) : QAbstractButton(&row), row_(row) {
        ensureControlAccessibility();
        setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        setAccessibleName(row.text_);
        connect(this, &QAbstractButton::clicked, &row, [&row] { row.toggle(); });
    }

    double textWidth(double width) const { return std::max(0.0, width - markerSize(row_.marker_).width() - markerGap); }

    int heightFor(double width) const {
        if (row_.marker_ == Marker::capsuleSwitch) return int(rowMinimumHeight);
        const QRectF bounds = QFontMetricsF(rowFont()).boundingRect(QRectF(0, 0, textWidth(width), 10000),
                                                                    Qt::TextWordWrap, row_.text_);
        return int(std::ceil(std::max(rowMinimumHeight, bounds.height())));
    }

    QSize sizeHint() const override {
        const double text = QFontMetricsF(rowFont()).horizontalAdvance(row_.text_);
        return {int(std::ceil(markerSize(row_.marker_).width() + markerGap + text)), int(rowMinimumHeight)};
    }
    QSize minimumSizeHint() const override { return {int(markerSize(row_.marker_).width()), int(rowMinimumHeight)}; }

    // A check box to assistive tools, checked while on.
    QAccessible::Role accessibleRole() const override { return QAccessible::CheckBox; }
    bool accessibleOn() const override { return row_.on_; }

    QRectF markerRect() const {
        const QSizeF size = markerSize(row_.marker_);
        return {0, (height() - size.height()) / 2, size.width(), size.height()};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        const QRectF marker = markerRect();
        painter.setPen(Qt::NoPen);
        if (row_.marker_ == Marker::capsuleSwitch) {
            painter.setBrush(row_.markerColor());
            painter.drawRoundedRect(marker, marker.height() / 2, marker.height() / 2);
            painter.setBrush(row_.knobColor());
            painter.drawEllipse(row_.knobRect());
        } else {
            painter.setBrush(row_.markerColor());
            painter.drawEllipse(marker);
        }
        const double x = marker.right() + markerGap;
        const QRectF textBox(x, 0, std::max(0.0, width() - x), height());
        painter.setFont(rowFont());
        painter.setPen(row_.textColor());
        if (row_.marker_ == Marker::capsuleSwitch) {
            const QString shown =
                QFontMetricsF(rowFont()).elidedText(row_.text_, Qt::ElideRight, textBox.width());
            painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        } else {
            painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, row_.text_);
        }
    }

private:
    OnOffRow& row_;
};

OnOffRow::OnOffRow(Marker marker, const QString& text, Binding<bool> isOn, PinTarget pin, QWidget* parent)
    : QWidget(parent), marker_(marker), text_(text), binding_(std::move(isOn)) {
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMinimumHeight(int(rowMinimumHeight));
    on_ = binding_.get && binding_.get();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(int(padding), 0, int(padding), 0);
    row->setSpacing(4);
    button_ = new ToggleButton(*this);
    row->addWidget(button_, 1);
    if (pin.isComplete()) {
        pin_ = new PinButton(std::move(pin), this);
        row->addWidget(pin_, 0, Qt::AlignVCenter);
    }
}

QAbstractButton* OnOffRow::toggleButton() const { return button_; }

void OnOffRow::toggle() {
    if (!binding_.set) return;
    const bool current = binding_.get ? binding_.get() : on_;
    binding_.set(!current);
    sync();
}

void OnOffRow::sync() {
    const bool on = binding_.get && binding_.get();
    if (on != on_) {
        on_ = on;
        update();
        button_->update();
        notifyAccessibleOnChange(button_);
    }
    if (pin_) pin_->sync();
}

QColor OnOffRow::backgroundColor() const { return on_ ? whitePercent(11) : whitePercent(5); }

QColor OnOffRow::textColor() const { return on_ ? whitePercent(82) : whitePercent(38); }

QColor OnOffRow::markerColor() const {
    if (marker_ == Marker::capsuleSwitch) return on_ ? whitePercent(26) : whitePercent(10);
    return on_ ? QColor(255, 255, 255) : whitePercent(22);
}

QColor OnOffRow::knobColor() const { return on_ ? QColor(255, 255, 255) : whitePercent(35); }

QRectF OnOffRow::knobRect() const {
    const QRectF marker = button_->markerRect();
    const double x = on_ ? marker.right() - 2 - 10 : marker.left() + 2;
    return {x, marker.top() + 2, 10, 10};
}

int OnOffRow::heightForWidth(int width) const {
    const int pinWidth = pin_ ? pin_->width() + 4 : 0;
    return button_->heightFor(width - 2 * padding - pinWidth);
}

QSize OnOffRow::sizeHint() const {
    const QSize button = button_->sizeHint();
    const int pinWidth = pin_ ? pin_->width() + 4 : 0;
    return {int(button.width() + 2 * padding + pinWidth), int(rowMinimumHeight)};
}

void OnOffRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 7, 7);
    painter.fillPath(shape, backgroundColor());
}

ExportChoice::ExportChoice(const QString& title, std::function<bool()> isSelected, std::function<void()> action,
                           QWidget* parent)
    : NotchButton(Look::plain, std::move(action), parent), isSelected_(std::move(isSelected)) {
    setText(title);
    setAccessibleName(title);
    setAccessibleRole(QAccessible::RadioButton);
    setTextFont(panelFont(10, FontWeight::medium));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(28);
    setFixedHeight(std::max(28, NotchButton::sizeHint().height()));
    selected_ = isSelected_ && isSelected_();
    apply();
}

void ExportChoice::sync() {
    const bool selected = isSelected_ && isSelected_();
    if (selected == selected_) return;
    selected_ = selected;
    apply();
}

void ExportChoice::apply() {
    setLabelColor(selected_ ? QColor(255, 255, 255) : whitePercent(40));
    setFill(selected_ ? whitePercent(11) : whitePercent(5), 7);
    setAccessibleOn(selected_);
}

}  // namespace glimora
