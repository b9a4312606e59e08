#include "controls/notch_slider.hpp"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "controls/accessibility.hpp"
#include "controls/panel_style.hpp"
#include "controls/small_views.hpp"

namespace glimora {

namespace {

// Equal values, also two NaNs, need no repaint.
bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

double unitClamp(double f) {
    if (!(f > 0)) return 0;  // also not a number
    return f > 1 ? 1 : f;
}

}  // namespace

// NotchSliderTrack

NotchSliderTrack::NotchSliderTrack(Binding<double> value, double lowerBound, double upperBound, double step,
                                   const QString& accessibilityLabel, double lineHeight, double dotDiameter,
                                   QWidget* parent)
    : QWidget(parent),
      binding_(std::move(value)),
      lower_(lowerBound),
      upper_(upperBound),
      step_(step),
      lineHeight_(lineHeight),
      dotDiameter_(dotDiameter) {
    ensureControlAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(22);
    setMinimumWidth(0);
    setAccessibleName(accessibilityLabel);
    value_ = binding_.get ? binding_.get() : 0;
}

void NotchSliderTrack::sync() {
    const double value = binding_.get ? binding_.get() : 0;
    if (same(value, value_)) return;
    value_ = value;
    notifyAccessibleValueChange(this, value_);
    update();
}

double NotchSliderTrack::trackWidth() const { return std::max(double(width()), dotDiameter_); }

double NotchSliderTrack::usableWidth() const { return std::max(trackWidth() - dotDiameter_, 1.0); }

double NotchSliderTrack::fraction() const {
    if (!std::isfinite(value_) || !(upper_ - lower_ > 0)) return 0;
    return unitClamp((value_ - lower_) / (upper_ - lower_));
}

double NotchSliderTrack::knobCenter() const { return dotDiameter_ * 0.5 + usableWidth() * fraction(); }

std::optional<double> NotchSliderTrack::valueAt(double x) const {
    const double g = unitClamp((x - grabOffset_ - dotDiameter_ * 0.5) / usableWidth());
    return snapped(lower_ + (upper_ - lower_) * g);
}

std::optional<double> NotchSliderTrack::snapped(double raw) const {
    double v = raw;
    if (std::isfinite(step_) && step_ > 0) v = step_ * std::round(raw / step_);
    if (v <= lower_) v = lower_;
    if (v > upper_) v = upper_;
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

void NotchSliderTrack::write(double x) { writeValue(valueAt(x)); }

void NotchSliderTrack::writeValue(std::optional<double> v) {
    if (!v || !binding_.set) return;
    binding_.set(*v);
    // Show the write at once; the model's own notification syncs again.
    sync();
}

void NotchSliderTrack::mousePressEvent(QMouseEvent* event) {
    const QPointF position = event->position();
    const bool onBand = position.x() >= 0 && position.x() < trackWidth() && position.y() >= 0 &&
                        position.y() < dotDiameter_;
    if (event->button() != Qt::LeftButton || !onBand) {
        event->ignore();
        return;
    }
    const double half = dotDiameter_ * 0.5;
    const double centre = fraction() * usableWidth() + half;
    const double s = position.x();
    grabOffset_ = std::abs(s - centre) <= half ? s - centre : 0;
    dragging_ = true;
    write(s);
    event->accept();
}

void NotchSliderTrack::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        event->ignore();
        return;
    }
    write(event->position().x());
    event->accept();
}

void NotchSliderTrack::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) {
        event->ignore();
        return;
    }
    dragging_ = false;
    grabOffset_ = 0;
    event->accept();
}

void NotchSliderTrack::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double t = trackWidth(), d = dotDiameter_;
    const double lineTop = (d - lineHeight_) / 2;
    const double x = knobCenter();
    painter.fillRect(QRectF(0, lineTop, t, lineHeight_), whitePercent(18));
    painter.fillRect(QRectF(0, lineTop, x, lineHeight_), whitePercent(86));

    const QRectF knob(x - d * 0.5, 0, d, d);
    // A soft shadow half a pixel below, then the knob and its dark rim.
    painter.setPen(Qt::NoPen);
    painter.setBrush(blackPercent(28 * 0.5));
    painter.drawEllipse(knob.translated(0, 0.5).adjusted(-0.75, -0.75, 0.75, 0.75));
    painter.setBrush(blackPercent(28));
    painter.drawEllipse(knob.translated(0, 0.5));
    painter.setBrush(whitePercent(94));
    painter.drawEllipse(knob);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(blackPercent(65), 1));
    painter.drawEllipse(knob);
}

// NotchSlider

NotchSlider::NotchSlider(const QString& label, Binding<double> value, double lowerBound, double upperBound,
                         double step, PinTarget pin, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(40);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    column->addStretch(1);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    if (pin.isComplete()) {
        pin_ = new PinButton(std::move(pin), this);
        row->addWidget(pin_, 0, Qt::AlignVCenter);
    } else {
        dot_ = new DotView(5, whitePercent(28), this);
        row->addWidget(dot_, 0, Qt::AlignVCenter);
    }
    caption_ = new FittingLabel(label, panelFont(10, FontWeight::semibold), whitePercent(72), 0.72, this);
    row->addWidget(caption_, 1, Qt::AlignVCenter);
    column->addLayout(row);

    track_ = new NotchSliderTrack(std::move(value), lowerBound, upperBound, step, label, 2, 8, this);
    column->addWidget(track_);
    column->addStretch(1);
}

void NotchSlider::sync() {
    track_->sync();
    if (pin_) pin_->sync();
}

}  // namespace glimora
