// The material tab, shown when the selected tab is `shader` (no tab button
// leads there): the animated material's pattern, playback, three colours, six
// values, what it fills (the whole desktop, a picture or SVG, the current
// photo) and the way back to shapes and pixels.
#pragma once

#include <QWidget>

#include <array>

#include "controls/notch_button.hpp"
#include "editors/tab_editor.hpp"
#include "model/palette.hpp"

class QLabel;

namespace glimora {

class ColorWell;
class FittingLabel;
class NotchButton;
class NotchSlider;
class SideAwareSliderPair;

// One pattern's chip: title and symbol, tooltip, selected look.
class ShaderPatternChip : public NotchButton {
    Q_OBJECT

public:
    ShaderPatternChip(ShaderPattern pattern, std::function<void()> action, QWidget* parent = nullptr);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    ShaderPattern pattern() const { return pattern_; }

    static QString title(ShaderPattern pattern);
    static QString symbol(ShaderPattern pattern);
    static QString tooltip(ShaderPattern pattern);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ShaderPattern pattern_;
    bool selected_ = false;
};

// A caption and a colour well on a rounded tile.
class ShaderColorPicker : public QWidget {
    Q_OBJECT

public:
    ShaderColorPicker(const QString& label, NotchViewModel& model, NotchViewModel::Prop property,
                      QWidget* parent = nullptr);
    void sync();
    ColorWell* well() const { return well_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NotchViewModel& model_;
    NotchViewModel::Prop property_;
    ColorWell* well_;
};

class ShaderEditor : public TabEditor {
    Q_OBJECT

public:
    ShaderEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    NotchButton* playButton() const { return playButton_; }

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void sync();

    std::array<ShaderPatternChip*, 6> chips_{};
    NotchButton* playButton_;
    std::array<ShaderColorPicker*, 3> colors_{};
    std::array<NotchSlider*, 6> sliders_{};
    std::array<SideAwareSliderPair*, 3> pairs_{};
    NotchButton* currentImageButton_;
    NotchButton* desktopButton_;
    FittingLabel* sourceName_;
    QLabel* status_;
};

}  // namespace glimora
