#include "editors/shader_editor.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_slider.hpp"
#include "controls/panel_scroll_area.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/small_views.hpp"
#include "editors/color_well.hpp"
#include "editors/editor_controls.hpp"
#include "editors/editor_layout.hpp"
#include "editors/editor_painting.hpp"
#include "editors/shared_color_dialog.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr std::array<SliderRow, 6> sliderSpecs{{
    {"Tempo", Prop::shaderSpeed, 0.1, 1.5, 0.05, std::nullopt},
    {"Field Size", Prop::shaderScale, 0.5, 2.5, 0.05, std::nullopt},
    {"Ripple", Prop::shaderDistortion, 0, 100, 1, std::nullopt},
    {"Sheen", Prop::shaderRelief, 0, 100, 1, std::nullopt},
    {"Tint Drift", Prop::shaderColorShift, 0, 100, 1, std::nullopt},
    {"Energy", Prop::shaderIntensity, 0, 100, 1, std::nullopt},
}};

Color colorOf(const NotchViewModel& model, Prop property) {
    switch (property) {
    case Prop::shaderBaseColor: return model.shaderBaseColor();
    case Prop::shaderMidColor: return model.shaderMidColor();
    default: return model.shaderHighlightColor();
    }
}

void writeColor(NotchViewModel& model, Prop property, const Color& color) {
    switch (property) {
    case Prop::shaderBaseColor: return model.setShaderBaseColor(color);
    case Prop::shaderMidColor: return model.setShaderMidColor(color);
    default: return model.setShaderHighlightColor(color);
    }
}

}  // namespace

QString ShaderPatternChip::title(ShaderPattern pattern) {
    switch (pattern) {
    case ShaderPattern::flow: return QStringLiteral("Flow");
    case ShaderPattern::waves: return QStringLiteral("Waves");
    case ShaderPattern::rings: return QStringLiteral("Rings");
    case ShaderPattern::bands: return QStringLiteral("Bands");
    case ShaderPattern::cells: return QStringLiteral("Cells");
    case ShaderPattern::noise: return QStringLiteral("Noise");
    }
    return {};
}

QString ShaderPatternChip::symbol(ShaderPattern pattern) {
    switch (pattern) {
    case ShaderPattern::flow: return QStringLiteral("wind");
    case ShaderPattern::waves: return QStringLiteral("waveform.path");
    case ShaderPattern::rings: return QStringLiteral("circle.dashed");
    case ShaderPattern::bands: return QStringLiteral("line.3.horizontal");
    case ShaderPattern::cells: return QStringLiteral("square.grid.3x3");
    case ShaderPattern::noise: return QStringLiteral("cloud");
    }
    return {};
}

QString ShaderPatternChip::tooltip(ShaderPattern pattern) {
    switch (pattern) {
    case ShaderPattern::flow: return QStringLiteral("Liquid drift");
    case ShaderPattern::waves: return QStringLiteral("Soft movement");
    case ShaderPattern::rings: return QStringLiteral("Radial depth");
    case ShaderPattern::bands: return QStringLiteral("Graphic stripes");
    case ShaderPattern::cells: return QStringLiteral("Organic facets");
    case ShaderPattern::noise: return QStringLiteral("Cloud texture");
    }
    return {};
}

ShaderPatternChip::ShaderPatternChip(ShaderPattern pattern, std::function<void()> action, QWidget* parent)
    : NotchButton(Look::plain, std::move(action), parent), pattern_(pattern) {
    setText(title(pattern));
    setAccessibleName(title(pattern));
    setAccessibleRole(QAccessible::RadioButton);
    setToolTip(tooltip(pattern));
    setSymbol(symbol(pattern), 9, FontWeight::semibold);
    setTextFont(panelFont(9, FontWeight::semibold));
    setHorizontalPadding(9);
    setFixedHeight(28);
    setSelected(false);
    selected_ = false;
    setLabelColor(whiteOpacity(0.58));
}

void ShaderPatternChip::setSelected(bool selected) {
    selected_ = selected;
    setLabelColor(selected ? QColor(Qt::white) : whiteOpacity(0.58));
    setAccessibleOn(selected);
    update();
}

void ShaderPatternChip::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect());
        painter.setPen(Qt::NoPen);
        painter.setBrush(whiteOpacity(selected_ ? 0.12 : 0.045));
        painter.drawRoundedRect(box, 8, 8);
        strokeRoundedInside(painter, box, 8, whiteOpacity(selected_ ? 0.72 : 0.07), selected_ ? 1 : 0.7);
    }
    NotchButton::paintEvent(event);
}

ShaderColorPicker::ShaderColorPicker(const QString& label, NotchViewModel& model, NotchViewModel::Prop property,
                                     QWidget* parent)
    : QWidget(parent), model_(model), property_(property) {
    setMinimumHeight(28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(5);
    layout->addWidget(makeLabel(label, 9, FontWeight::semibold, 0.52, this));
    layout->addStretch(1);
    well_ = new ColorWell(
        label, [this]() -> std::optional<Color> { return colorOf(model_, property_); },
        [this](const Color& color) { writeColor(model_, property_, color); }, this);
    well_->setFixedSize(18, 18);
    layout->addWidget(well_);
    sync();
}

void ShaderColorPicker::sync() { well_->setColor(colorOf(model_, property_)); }

void ShaderColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(whiteOpacity(0.045));
    painter.drawRoundedRect(box, 8, 8);
    strokeRoundedInside(painter, box, 8, whiteOpacity(0.07), 0.7);
}

ShaderEditor::ShaderEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    NotchViewModel& m = model();
    QVBoxLayout* column = editorColumn(this, 9);

    // 1. Patterns and playback.
    QHBoxLayout* patternRow = addEditorRow(column, 8);
    auto* strip = new QWidget;
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    stripLayout->setSpacing(6);
    for (const ShaderPattern pattern : everyCase<ShaderPattern>()) {
        auto* chip = new ShaderPatternChip(pattern, [&m, pattern] { m.selectShaderPattern(pattern); }, strip);
        stripLayout->addWidget(chip);
        chips_[std::size_t(pattern)] = chip;
    }
    QScrollArea* scroll = makeChipScroller(strip, 28, this);
    patternRow->addWidget(scroll, 1);
    auto* playback = new QHBoxLayout;
    playback->setSpacing(7);
    patternRow->addLayout(playback);
    auto* reset = new NotchButton(NotchButton::Look::icon, [&m] { m.resetShaderMaterial(); }, this);
    reset->setSymbol(QStringLiteral("arrow.counterclockwise"), 11, FontWeight::semibold);
    reset->setFixedSize(28, 28);
    reset->setToolTip(QStringLiteral("Reset material"));
    reset->setAccessibleName(QStringLiteral("Reset material"));
    playback->addWidget(reset);
    playButton_ = new NotchButton(NotchButton::Look::primary, [&m] { m.toggleShaderPlayback(); }, this);
    playButton_->setFixedSize(32, 32);
    playButton_->setToolTip(QStringLiteral("Play shader animation"));
    playback->addWidget(playButton_);

    // 2. Colours.
    QHBoxLayout* colorRow = addEditorRow(column, 6);
    colors_ = {new ShaderColorPicker(QStringLiteral("Base"), m, Prop::shaderBaseColor, this),
               new ShaderColorPicker(QStringLiteral("Mid"), m, Prop::shaderMidColor, this),
               new ShaderColorPicker(QStringLiteral("Edge Light"), m, Prop::shaderHighlightColor, this)};
    for (ShaderColorPicker* picker : colors_) colorRow->addWidget(picker, 1);

    // 3 to 5. Sliders, two to a row.
    for (std::size_t i = 0; i < sliderSpecs.size(); ++i) sliders_[i] = makeSlider(m, sliderSpecs[i], this);
    for (std::size_t p = 0; p < pairs_.size(); ++p) {
        pairs_[p] = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth,
                                            compactPairWidth(inputs().availableWidth), 8, sliders_[2 * p],
                                            sliders_[2 * p + 1], this);
        column->addWidget(pairs_[p]);
    }

    // 6. Sources.
    QHBoxLayout* sources = addEditorRow(column, 6);
    sources->addWidget(wideButton(NotchButton::Look::secondary, QStringLiteral("Full desktop"),
                                  QStringLiteral("rectangle.inset.filled"), [&m] { m.useFullDesktopMaterial(); }, this),
                       1);
    sources->addWidget(wideButton(NotchButton::Look::secondary, QStringLiteral("Import image / SVG"),
                                  QStringLiteral("plus"), [&m] { m.chooseShaderSource(); }, this),
                       1);

    // 7. The current photo.
    currentImageButton_ = wideButton(NotchButton::Look::secondary, QStringLiteral("Use current image"),
                                     QStringLiteral("photo"), [&m] { m.useCurrentImageAsShaderSource(); }, this);
    currentImageButton_->setTrailingSymbol(QStringLiteral("chevron.right"), 9, FontWeight::bold, 4);
    currentImageButton_->setContentAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    column->addWidget(currentImageButton_);

    // 8. Desktop.
    QHBoxLayout* desktop = addEditorRow(column, 6);
    desktopButton_ = wideButton(NotchButton::Look::primary, {}, QStringLiteral("sparkles"),
                                [&m] { m.activateShaderMaterial(); }, this);
    desktop->addWidget(desktopButton_, 1);
    sourceName_ = makeOneLineLabel({}, 9, FontWeight::medium, 0.30, this);
    sourceName_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    desktop->addWidget(sourceName_, 1);

    // 9. Back.
    column->addWidget(wideButton(NotchButton::Look::secondary, QStringLiteral("Back to shapes & pixels"),
                                 QStringLiteral("square.grid.2x2"), [&m] { m.turnOffShaderMaterial(); }, this));

    // 10. Status.
    status_ = makeLabel({}, 9, FontWeight::medium, 0.38, this);
    column->addWidget(status_);

    layOut();
    sync();
}

void ShaderEditor::inputsChanged() { layOut(); }

void ShaderEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    for (SideAwareSliderPair* pair : pairs_) pair->setLayoutInputs(inputs().isSideLayout, width, compactPairWidth(width));
}

void ShaderEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop :
         {Prop::shaderPattern, Prop::shaderActive, Prop::shaderPlaying, Prop::shaderSpeed, Prop::shaderScale,
          Prop::shaderDistortion, Prop::shaderRelief, Prop::shaderColorShift, Prop::shaderIntensity,
          Prop::shaderBaseColor, Prop::shaderMidColor, Prop::shaderHighlightColor, Prop::shaderSourceName,
          Prop::shaderStatus, Prop::imageAssets, Prop::currentImageIndex})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void ShaderEditor::sync() {
    const NotchViewModel& m = model();
    for (ShaderPatternChip* chip : chips_) chip->setSelected(chip->pattern() == m.shaderPattern());
    playButton_->setSymbol(m.shaderPlaying() ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), 11,
                           FontWeight::semibold);
    playButton_->setAccessibleName(m.shaderPlaying() ? QStringLiteral("Pause shader") : QStringLiteral("Play shader"));
    playButton_->setEnabled(m.shaderActive());
    for (ShaderColorPicker* picker : colors_) picker->sync();
    if (SharedColorDialog* shared = SharedColorDialog::existingInstance()) shared->refresh();
    for (NotchSlider* slider : sliders_) slider->sync();
    currentImageButton_->setVisible(m.currentImageAsset() != nullptr);
    desktopButton_->setText(m.shaderActive() ? QStringLiteral("Applied to Desktop") : QStringLiteral("Use on Desktop"));
    desktopButton_->setAccessibleName(desktopButton_->text());
    const QString source = m.shaderSourceName().empty() ? QString::fromUtf8("No input \u00B7 full desktop")
                                                        : QString::fromStdString(m.shaderSourceName());
    sourceName_->setText(source);
    sourceName_->setToolTip(source);
    status_->setText(QString::fromStdString(m.shaderStatus()));
    status_->setVisible(!m.shaderStatus().empty());
}

}  // namespace glimora
