#include "editors/color_editor.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_slider.hpp"
#include "controls/panel_style.hpp"
#include "controls/pin_button.hpp"
#include "controls/side_aware_layout.hpp"
#include "editors/color_well.hpp"
#include "editors/editor_controls.hpp"
#include "editors/editor_painting.hpp"
#include "editors/shared_color_dialog.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr std::array<SliderRow, 4> toneSpecs{{
    {"Tint", Prop::hue, 0, 360, 1, std::nullopt},
    {"Exposure", Prop::brightness, -100, 100, 1, std::nullopt},
    {"Punch", Prop::contrast, 0, 200, 1, std::nullopt},
    {"Grain", Prop::noise, 0, 100, 1, std::nullopt},
}};

// The palette the custom one starts from when even the palette on show has
// no colours: the one a new design starts with.
constexpr int startPaletteIndex = 26;

int customIndex() { return int(builtInPalettes().size()); }

}  // namespace

PaletteTile::PaletteTile(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    ensureControlAccessibility();
    const QString name = QString::fromStdString(builtInPalettes()[std::size_t(index)].name);
    setToolTip(name);
    setAccessibleName(name);
    setFixedHeight(19);
    setMinimumWidth(10);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void PaletteTile::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
    notifyAccessibleOnChange(this);
}

void PaletteTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    QPainterPath shape;
    shape.addRoundedRect(box, 5, 5);
    painter.fillPath(shape, colorGradient(builtInPalettes()[std::size_t(index_)].colors, box.topLeft(), box.topRight()));
    if (selected_) strokeRoundedInside(painter, box, 5, whitePercent(90), 1.5);
}

CustomPaletteButton::CustomPaletteButton(QWidget* parent) : QAbstractButton(parent) {
    ensureControlAccessibility();
    setText(QStringLiteral("Custom"));
    setAccessibleName(text());
    setToolTip(QStringLiteral("Use custom gradient"));
    setMinimumHeight(28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFont(panelFont(9, FontWeight::semibold));
}

void CustomPaletteButton::setStops(const std::vector<Color>& colors) {
    if (colors == colors_) return;
    colors_ = colors;
    update();
}

void CustomPaletteButton::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
    notifyAccessibleOnChange(this);
}

void CustomPaletteButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    QPainterPath shape;
    shape.addRoundedRect(box, 7, 7);
    // No stops: no colours, only the title and the frame.
    if (!colors_.empty()) painter.fillPath(shape, colorGradient(colors_, box.topLeft(), box.topRight()));
    painter.setPen(whitePercent(92));
    painter.setFont(font());
    painter.drawText(box.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (selected_)
        strokeRoundedInside(painter, box, 7, whitePercent(92), 1.3);
    else
        strokeRoundedInside(painter, box, 7, whitePercent(8), 1);
}

void ColorEditor::useCustomPalette(NotchViewModel& model) {
    if (model.customPaletteStops().empty()) {
        std::vector<Color> colors = model.activePalette().colors;
        if (colors.empty()) colors = builtInPalettes()[startPaletteIndex].colors;
        std::vector<CustomPaletteStop> stops;
        stops.reserve(colors.size());
        for (const Color& color : colors) stops.push_back(CustomPaletteStop::fromColor(color));
        model.setCustomPaletteStops(std::move(stops));
    }
    model.setPaletteIndex(customIndex());
}

void ColorEditor::writeStop(NotchViewModel& model, std::size_t index, const Color& color) {
    if (index >= model.customPaletteStops().size()) return;
    const CustomPaletteStop stop = CustomPaletteStop::fromColor(color);
    model.updateCustomPaletteStops([&](std::vector<CustomPaletteStop>& stops) { stops[index] = stop; });
    model.setPaletteIndex(customIndex());
}

ColorEditor::ColorEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* pinRow = new QHBoxLayout;
    pinRow->setContentsMargins(0, 0, 0, 0);
    pinRow->setSpacing(5);
    pinRow->addStretch(1);
    pin_ = new PinButton(PinTarget::forModel(model(), ShuffleProperty::palette), this);
    pinRow->addWidget(pin_);
    column->addLayout(pinRow);

    auto* customStrip = new QWidget(this);
    customStrip->setFixedHeight(28);
    customRow_ = new QHBoxLayout(customStrip);
    customRow_->setContentsMargins(0, 0, 0, 0);
    customRow_->setSpacing(6);
    custom_ = new CustomPaletteButton(customStrip);
    connect(custom_, &CustomPaletteButton::clicked, this, [this] { useCustomPalette(model()); });
    customRow_->addWidget(custom_, 1);
    column->addWidget(customStrip);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(5);
    const int count = int(builtInPalettes().size());
    for (int index = 0; index < count; ++index) {
        auto* tile = new PaletteTile(index, this);
        connect(tile, &PaletteTile::clicked, this, [this, index] { model().setPaletteIndex(index); });
        grid->addWidget(tile, index / 8, index % 8);
        tiles_.push_back(tile);
    }
    for (int c = 0; c < 8; ++c) grid->setColumnStretch(c, 1);
    column->addLayout(grid);

    std::vector<QWidget*> cells;
    for (std::size_t i = 0; i < toneSpecs.size(); ++i) {
        toneSliders_[i] = makeSlider(model(), toneSpecs[i], this);
        cells.push_back(toneSliders_[i]);
    }
    tones_ = new SideAwareSliderGrid(inputs().isSideLayout, inputs().availableWidth, 2, 8, cells, this);
    column->addWidget(tones_);

    layOut();
    sync();
}

void ColorEditor::inputsChanged() { layOut(); }

void ColorEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    tones_->setLayoutInputs(inputs().isSideLayout, width, 2);
}

void ColorEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    if (NotchViewModelBridge::contains(props, Prop::customPaletteStops)) {
        syncWells();
        // The dialog follows the stop it edits, or closes when it is gone.
        if (SharedColorDialog* shared = SharedColorDialog::existingInstance()) shared->refresh();
    }
    for (const Prop prop : {Prop::paletteIndex, Prop::customPaletteStops, Prop::pinnedProperties, Prop::hue,
                            Prop::brightness, Prop::contrast, Prop::noise})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void ColorEditor::syncWells() {
    const std::vector<CustomPaletteStop>& stops = model().customPaletteStops();
    while (wells_.size() > stops.size()) {
        ColorWell* well = wells_.back();
        wells_.pop_back();
        customRow_->removeWidget(well);
        well->hide();
        well->deleteLater();
    }
    while (wells_.size() < stops.size()) {
        const std::size_t index = wells_.size();
        const QString number = QString::number(index + 1);
        NotchViewModel* m = &model();
        auto* well = new ColorWell(
            QStringLiteral("Color ") + number,
            [m, index]() -> std::optional<Color> {
                if (index >= m->customPaletteStops().size()) return std::nullopt;
                return m->customPaletteStops()[index].color();
            },
            [m, index](const Color& color) { writeStop(*m, index, color); }, custom_->parentWidget());
        well->setToolTip(QStringLiteral("Custom color ") + number);
        customRow_->addWidget(well);
        wells_.push_back(well);
    }
    for (std::size_t i = 0; i < stops.size(); ++i) wells_[i]->setColor(stops[i].color());
}

void ColorEditor::sync() {
    const NotchViewModel& m = model();
    pin_->sync();
    syncWells();
    std::vector<Color> customColors;
    for (const CustomPaletteStop& stop : m.customPaletteStops()) customColors.push_back(stop.color());
    custom_->setStops(customColors);
    custom_->setSelected(m.paletteIndex() == customIndex());
    for (PaletteTile* tile : tiles_) tile->setSelected(m.paletteIndex() == tile->index());
    for (std::size_t i = 0; i < toneSpecs.size(); ++i) toneSliders_[i]->sync();
}

}  // namespace glimora
