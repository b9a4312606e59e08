// A text chip that shows whether its option is the model's current one: the
// style tab's texture and channel chips and the animation tab's property and
// waveform chips. Each tab gives it its look; pressing it only reports the
// press, and the owner writes the model and sets the selection back.
// Assistive tools see a radio button, checked while selected.
#pragma once

#include <QAbstractButton>

#include <cstddef>
#include <vector>

#include "controls/accessibility.hpp"
#include "controls/panel_style.hpp"
#include "model/design_options.hpp"

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

class OptionChip : public QAbstractButton, public AccessibleControl {
    Q_OBJECT

public:
    OptionChip(const QString& title, const OptionChipLook& look, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }
    bool accessibleOn() const override { return selected_; }
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

// The chips of one option row: one per case of E in declaration order, each
// titled by `title`, calling `choose` with its case when pressed. `select`
// lights the chip of the current case only.
template <OptionEnum E>
class OptionChips {
public:
    template <class Title, class Choose>
    void make(const OptionChipLook& look, Title title, Choose choose, QWidget* parent) {
        for (const E value : everyCase<E>()) {
            auto* chip = new OptionChip(title(value), look, parent);
            QObject::connect(chip, &OptionChip::clicked, chip, [choose, value] { choose(value); });
            chips_.push_back(chip);
        }
    }

    OptionChip* operator[](E value) const { return chips_[std::size_t(value)]; }
    const std::vector<OptionChip*>& all() const { return chips_; }

    void select(E current) const {
        const auto cases = everyCase<E>();
        for (std::size_t i = 0; i < chips_.size(); ++i) chips_[i]->setSelected(cases[i] == current);
    }

private:
    std::vector<OptionChip*> chips_;
};

}  // namespace glimora
