#include "editors/style_editor.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_slider.hpp"
#include "controls/pin_button.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/toggles.hpp"
#include "editors/editor_controls.hpp"
#include "editors/option_chip.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr SliderRow colorOffsetRow{"Color Offset", Prop::chroma, 0, 20, 1, std::nullopt};
constexpr SliderRow bendRow{"Bend", Prop::warp, 0, 100, 1, ShuffleProperty::warp};

constexpr std::array<ToggleRow, 4> toggleSpecs{{
    {"Line Texture", Prop::scanlines, ShuffleProperty::scanlines},
    {"Negative", Prop::invert, std::nullopt},
    {"Edge Shade", Prop::vignette, std::nullopt},
    {"Color Fringe", Prop::rgbSplit, ShuffleProperty::rgbSplit},
}};

OptionChipLook ditherLook() {
    OptionChipLook look;
    look.cornerRadius = -1;  // capsule
    look.minimumHeight = 26;
    look.fillOn = 0.11;
    look.fillOff = 0;
    return look;
}

OptionChipLook channelLook() {
    OptionChipLook look;
    look.cornerRadius = 7;
    look.minimumHeight = 27;
    look.fillOn = 0.11;
    look.fillOff = 0;
    return look;
}

QHBoxLayout* row(QVBoxLayout* column, int spacing) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    column->addLayout(layout);
    return layout;
}

}  // namespace

QString StyleEditor::ditherTitle(DitherMode mode) {
    switch (mode) {
    case DitherMode::off: return QStringLiteral("Off");
    case DitherMode::twoByTwo: return QStringLiteral("2\u00D72");
    case DitherMode::fourByFour: return QStringLiteral("4\u00D74");
    case DitherMode::eightByEight: return QStringLiteral("8\u00D78");
    case DitherMode::sixteenBySixteen: return QStringLiteral("16\u00B2");
    case DitherMode::noise: return QStringLiteral("Noise");
    }
    return {};
}

QString StyleEditor::channelTitle(StyleChannel channel) {
    switch (channel) {
    case StyleChannel::rgb: return QStringLiteral("RGB");
    case StyleChannel::red: return QStringLiteral("R");
    case StyleChannel::green: return QStringLiteral("G");
    case StyleChannel::blue: return QStringLiteral("B");
    }
    return {};
}

StyleEditor::StyleEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* pinRow = row(column, 5);
    pinRow->addStretch(1);
    texturePin_ = new PinButton(PinTarget::forModel(model(), ShuffleProperty::dither), this);
    pinRow->addWidget(texturePin_);

    auto* ditherRow = row(column, 4);
    ditherChips_.make(ditherLook(), &ditherTitle, [this](DitherMode mode) { model().setDither(mode); }, this);
    for (OptionChip* chip : ditherChips_.all()) ditherRow->addWidget(chip, 1);

    colorOffset_ = makeSlider(model(), colorOffsetRow, this);
    bend_ = makeSlider(model(), bendRow, this);
    sliders_ = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, colorOffset_, bend_, this);
    column->addWidget(sliders_);

    for (int pair = 0; pair < 2; ++pair) {
        auto* toggleRow = row(column, 6);
        for (int i = 0; i < 2; ++i) {
            const std::size_t index = std::size_t(pair * 2 + i);
            toggles_[index] = new StyleToggle(qText(toggleSpecs[index].title), boolBinding(model(), toggleSpecs[index].property), pinTarget(model(), toggleSpecs[index].pin), this);
            toggleRow->addWidget(toggles_[index]);
        }
        toggleRow->addStretch(1);
    }

    auto* channelRow = row(column, 4);
    channelChips_.make(channelLook(), &channelTitle, [this](StyleChannel channel) { model().setChannel(channel); }, this);
    for (OptionChip* chip : channelChips_.all()) channelRow->addWidget(chip);
    channelRow->addStretch(1);

    layOut();
    sync();
}

void StyleEditor::inputsChanged() { layOut(); }

void StyleEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    sliders_->setLayoutInputs(inputs().isSideLayout, width, compactPairWidth(width));
    // The toggles stay two to a row in every placement.
    for (StyleToggle* toggle : toggles_) toggle->setFixedWidth(int(compactPairWidth(width)));
    const int chipWidth = int(std::max(0.0, (width - 12) / 4));
    for (OptionChip* chip : channelChips_.all()) chip->setFixedWidth(chipWidth);
}

void StyleEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop : {Prop::dither, Prop::chroma, Prop::warp, Prop::scanlines, Prop::invert, Prop::vignette,
                            Prop::rgbSplit, Prop::channel, Prop::pinnedProperties})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void StyleEditor::sync() {
    const NotchViewModel& m = model();
    texturePin_->sync();
    ditherChips_.select(m.dither());
    colorOffset_->sync();
    bend_->sync();
    for (std::size_t i = 0; i < toggles_.size(); ++i) toggles_[i]->sync();
    channelChips_.select(m.channel());
}

}  // namespace glimora
