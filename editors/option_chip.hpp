// A text chip that shows whether its option is the model's current one: the
// style tab's texture and channel chips and the animation tab's property and
// waveform chips. Each tab gives it its look; pressing it only reports the
// press, and the owner writes the model and sets the selection back.
#pragma once

#include <QAbstractButton>

#include "controls/panel_style.hpp"

namespace glimora {

struct OptionChipLook {
    int fontPixelSize = 10;
    FontWeight weight = FontWeight::medium;
    double cornerRadius = 7;  // negative: a capsule
    int minimumHeight = 26;
    int sidePadding = 0;      // text padding left and right
    double textOpacityOn = 1, textOpacityOff = 0.38;
    double fillOn = 0.11, fillOff = 0;
    double strokeOn = 0, strokeOff = 0, strokeWidth = 0;
};

class OptionChip : public QAbstractButton {
    Q_OBJECT

public:
    OptionChip(const QString& title, const OptionChipLook& look, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    // The title as drawn at the current width: cut with an ellipsis when it
    // does not fit.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OptionChipLook look_;
    bool selected_ = false;
};

}  // namespace glimora
