// The one numeric control of the editors.
//   NotchSlider: a caption row (the pin, or a 5-px dot when the value cannot
//     be pinned, then the label in 10-px semibold white 72 %, shrinking to
//     0.72 before it elides) above a 22-px NotchSliderTrack; at least 40 high.
//   NotchSliderTrack: a 2-px line (white 18 %), a bright fill (white 86 %)
//     up to the centre of an 8-px knob, in a band at the top of its area.
//     A press on the band sets the value at once; a press on the knob keeps
//     the knob where it was grabbed for the whole drag. Every press and move
//     writes the value snapped to multiples of `step` (from zero) and clamped
//     into the range; the release writes nothing. A step that is not a
//     positive finite number clamps without snapping; a value that is not
//     finite is drawn at the start and never written.
//
// Use:
//   auto* reach = new NotchSlider("Reach", bind(model, &NotchViewModel::spread, &NotchViewModel::setSpread),
//                                 20, 400, 1, PinTarget::forModel(model, ShuffleProperty::spread));
//   ... on a model change: `reach->sync();` (repaints in place, writes nothing; safe mid-drag)
// Assistive tools see the track as a slider named by the label, with the
// value (as the locale writes it) and the range; a value they set (their
// increase and decrease, a step each) is snapped and clamped like a drag's.
#pragma once

#include <QString>
#include <QWidget>

#include "controls/binding.hpp"
#include "controls/pin_button.hpp"

namespace glimora {

class DotView;
class FittingLabel;

class NotchSliderTrack : public QWidget {
    Q_OBJECT

public:
    NotchSliderTrack(Binding<double> value, double lowerBound, double upperBound, double step,
                     const QString& accessibilityLabel, double lineHeight = 2, double dotDiameter = 8,
                     QWidget* parent = nullptr);

    // Re-reads the bound value; repaints when it changed. Never writes.
    void sync();
    // The value drawn now (as last read).
    double value() const { return value_; }
    double lowerBound() const { return lower_; }
    double upperBound() const { return upper_; }
    double step() const { return step_; }
    bool isDragging() const { return dragging_; }
    double grabOffset() const { return grabOffset_; }

    // Geometry at the current width W, with D the knob's diameter:
    double trackWidth() const;   // T = max(W, D)
    double usableWidth() const;  // U = max(T - D, 1)
    double fraction() const;     // of the drawn value, 0...1
    double knobCenter() const;   // D/2 + U f; also the width of the bright fill
    double dotDiameter() const { return dotDiameter_; }

    // The value a pointer at x gives with the current grab offset, snapped
    // and clamped; nothing when it is not finite.
    std::optional<double> valueAt(double x) const;
    // A value snapped and clamped as a drag writes it; nothing when not finite.
    std::optional<double> snapped(double value) const;
    // Writes a value (snapped and clamped) as a drag would: what assistive
    // tools' increase and decrease come to.
    void writeValue(std::optional<double> value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void write(double x);

    Binding<double> binding_;
    double lower_;
    double upper_;
    double step_;
    double lineHeight_;
    double dotDiameter_;
    double value_ = 0;
    bool dragging_ = false;
    double grabOffset_ = 0;
};

class NotchSlider : public QWidget {
    Q_OBJECT

public:
    NotchSlider(const QString& label, Binding<double> value, double lowerBound, double upperBound, double step,
                PinTarget pin = {}, QWidget* parent = nullptr);

    // Re-reads the value and the pin in place.
    void sync();

    NotchSliderTrack* track() const { return track_; }
    // Null when the slider shows the dot instead.
    PinButton* pinButton() const { return pin_; }
    DotView* placeholderDot() const { return dot_; }
    FittingLabel* caption() const { return caption_; }

private:
    NotchSliderTrack* track_ = nullptr;
    PinButton* pin_ = nullptr;
    DotView* dot_ = nullptr;
    FittingLabel* caption_ = nullptr;
};

}  // namespace glimora
