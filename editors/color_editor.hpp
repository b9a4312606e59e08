// The "Palette" tab: the palette pin, the custom palette (its "Custom" tile
// and one colour well per stop), the 48 palettes of the catalogue and four
// tone sliders.
#pragma once

#include <array>
#include <vector>

#include <QAbstractButton>

#include "controls/accessibility.hpp"
#include "editors/tab_editor.hpp"

class QHBoxLayout;

namespace glimora {

class ColorWell;
class NotchSlider;
class PinButton;
class SideAwareSliderGrid;

// A catalogue palette as a small gradient bar; its tooltip is the name. To
// assistive tools the palette tiles are radio buttons, the chosen one checked.
class PaletteTile : public QAbstractButton, public AccessibleControl {
    Q_OBJECT

public:
    PaletteTile(int index, QWidget* parent = nullptr);
    int index() const { return index_; }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QSize sizeHint() const override { return {20, 19}; }
    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }
    bool accessibleOn() const override { return selected_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    bool selected_ = false;
};

// The wide "Custom" tile: the custom stops as a gradient behind its title.
class CustomPaletteButton : public QAbstractButton, public AccessibleControl {
    Q_OBJECT

public:
    explicit CustomPaletteButton(QWidget* parent = nullptr);
    void setStops(const std::vector<Color>& colors);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QSize sizeHint() const override { return {80, 28}; }
    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }
    bool accessibleOn() const override { return selected_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Color> colors_;
    bool selected_ = false;
};

class ColorEditor : public TabEditor {
    Q_OBJECT

public:
    ColorEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // What pressing "Custom" does: selects the custom palette, first giving
    // it the colours on show when it has no stops, so the design never turns
    // into black that no control can colour.
    static void useCustomPalette(NotchViewModel& model);
    // What a colour well does with a picked colour: replaces stop `index` and
    // selects the custom palette; nothing when that stop no longer exists.
    static void writeStop(NotchViewModel& model, std::size_t index, const Color& color);

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();
    void syncWells();

    PinButton* pin_;
    CustomPaletteButton* custom_;
    QHBoxLayout* customRow_;
    std::vector<ColorWell*> wells_;
    std::vector<PaletteTile*> tiles_;
    std::array<NotchSlider*, 4> toneSliders_{};
    SideAwareSliderGrid* tones_;
};

}  // namespace glimora
