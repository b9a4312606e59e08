#include "editors/animation_editor.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_button.hpp"
#include "controls/notch_slider.hpp"
#include "controls/panel_scroll_area.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/panel_symbols.hpp"
#include "editors/editor_controls.hpp"
#include "editors/option_chip.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr SliderRow tempoRow{"Tempo", Prop::animationSpeed, 0.25, 2, 0.05, std::nullopt};
constexpr SliderRow motionRow{"Motion", Prop::animationAmount, 0, 100, 1, std::nullopt};
constexpr SliderRow cycleRow{"Cycle", Prop::animationLoopDuration, 2, 20, 0.5, std::nullopt};

OptionChipLook propertyChipLook() {
    OptionChipLook look;
    look.fontPixelSize = 9;
    look.weight = FontWeight::semibold;
    look.cornerRadius = 7;
    look.minimumHeight = 26;
    look.sidePadding = 8;
    look.textOpacityOff = 0.52;
    look.fillOn = 0.12;
    look.fillOff = 0.045;
    look.strokeOn = 0.60;
    look.strokeOff = 0.07;
    look.strokeWidth = 0.7;
    return look;
}

OptionChipLook waveformChipLook() {
    OptionChipLook look;
    look.fontPixelSize = 9;
    look.weight = FontWeight::semibold;
    look.cornerRadius = 6;
    look.minimumHeight = 24;
    look.textOpacityOff = 0.48;
    look.fillOn = 0.12;
    look.fillOff = 0.045;
    return look;
}

}  // namespace

QString AnimationEditor::waveformTitle(AnimationWaveform waveform) {
    switch (waveform) {
    case AnimationWaveform::sine: return QStringLiteral("Sine");
    case AnimationWaveform::pingPong: return QStringLiteral("Ping-pong");
    case AnimationWaveform::noise: return QStringLiteral("Noise");
    }
    return {};
}

QString AnimationEditor::statusText(bool playing, AnimationWaveform waveform) {
    if (playing) return QStringLiteral("Live on desktop \u00B7 ") + waveformTitle(waveform);
    return QStringLiteral("Ready \u00B7 press Play to animate the selected shape");
}

AnimationEditor::AnimationEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    // The note for a picture wallpaper.
    note_ = new QWidget(this);
    auto* noteRow = new QHBoxLayout(note_);
    noteRow->setContentsMargins(0, 0, 0, 0);
    noteRow->setSpacing(7);
    auto* info = new SymbolView(QStringLiteral("info.circle"), 10, FontWeight::regular, whitePercent(42), note_);
    noteRow->addWidget(info, 0, Qt::AlignVCenter);
    QLabel* noteText = makeLabel(QStringLiteral("Animations apply to gradient shapes, not imported images."), 10,
                                 FontWeight::medium, 0.52, note_);
    noteText->setWordWrap(true);
    noteRow->addWidget(noteText, 1);
    column->addWidget(note_);

    // The editor for a gradient wallpaper.
    controls_ = new QWidget(this);
    auto* rows = new QVBoxLayout(controls_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);

    auto* chipRow = new QHBoxLayout;
    chipRow->setContentsMargins(0, 0, 0, 0);
    chipRow->setSpacing(8);
    auto* chipStrip = new QWidget;
    auto* chips = new QHBoxLayout(chipStrip);
    chips->setContentsMargins(0, 0, 0, 0);
    chips->setSpacing(5);
    propertyChips_.make(
        propertyChipLook(), [](AnimationProperty property) { return qText(title(property)); },
        [this](AnimationProperty property) { model().setAnimationProperty(property); }, chipStrip);
    for (OptionChip* chip : propertyChips_.all()) {
        chip->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        chip->setFixedHeight(26);
        chips->addWidget(chip);
    }
    chipScroller_ = makeChipScroller(chipStrip, 26, controls_);
    chipRow->addWidget(chipScroller_, 1);

    play_ = new NotchButton(NotchButton::Look::primary, [this] { model().toggleAnimation(); }, controls_);
    play_->setFixedSize(32, 32);
    play_->setToolTip(QStringLiteral("Play gradient animation"));
    chipRow->addWidget(play_);
    rows->addLayout(chipRow);

    help_ = makeLabel({}, 9, FontWeight::medium, 0.34, controls_);
    rows->addWidget(help_);

    tempo_ = makeSlider(model(), tempoRow, controls_);
    motion_ = makeSlider(model(), motionRow, controls_);
    firstPair_ = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, tempo_, motion_, controls_);
    rows->addWidget(firstPair_);

    cycle_ = makeSlider(model(), cycleRow, controls_);
    waveforms_ = new QWidget(controls_);
    auto* waveformColumn = new QVBoxLayout(waveforms_);
    waveformColumn->setContentsMargins(0, 0, 0, 0);
    waveformColumn->setSpacing(4);
    auto* waveformRow = new QHBoxLayout;
    waveformRow->setContentsMargins(0, 0, 0, 0);
    waveformRow->setSpacing(4);
    waveformChips_.make(waveformChipLook(), &waveformTitle,
                        [this](AnimationWaveform waveform) { model().setAnimationWaveform(waveform); }, waveforms_);
    for (OptionChip* chip : waveformChips_.all()) waveformRow->addWidget(chip, 1);
    waveformColumn->addLayout(waveformRow);
    secondPair_ = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, cycle_, waveforms_, controls_);
    rows->addWidget(secondPair_);

    status_ = makeLabel({}, 9, FontWeight::medium, 0.30, controls_);
    rows->addWidget(status_);
    column->addWidget(controls_);

    layOut();
    sync();
}

bool AnimationEditor::canAnimate() const {
    return model().wallpaperSource() == WallpaperSource::gradient && !model().availableAnimationProperties().empty();
}

void AnimationEditor::inputsChanged() { layOut(); }

void AnimationEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    note_->setFixedWidth(int(width));
    controls_->setFixedWidth(int(width));
    firstPair_->setLayoutInputs(inputs().isSideLayout, width, compactPairWidth(width));
    secondPair_->setLayoutInputs(inputs().isSideLayout, width, compactPairWidth(width));
}

void AnimationEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop : {Prop::wallpaperSource, Prop::shape, Prop::animationProperty, Prop::animationWaveform,
                            Prop::animationSpeed, Prop::animationAmount, Prop::animationLoopDuration,
                            Prop::animationPlaying})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void AnimationEditor::sync() {
    const NotchViewModel& m = model();
    const bool image = m.wallpaperSource() == WallpaperSource::image;
    note_->setVisible(image);
    controls_->setVisible(!image);

    const std::vector<AnimationProperty> available = m.availableAnimationProperties();
    for (const AnimationProperty property : everyCase<AnimationProperty>())
        propertyChips_[property]->setVisible(std::find(available.begin(), available.end(), property) != available.end());
    propertyChips_.select(m.animationProperty());
    chipScroller_->widget()->adjustSize();
    const bool playing = m.animationPlaying();
    play_->setSymbol(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), 10, FontWeight::semibold);
    play_->setAccessibleName(playing ? QStringLiteral("Pause animation") : QStringLiteral("Play animation"));
    play_->setEnabled(canAnimate());
    help_->setText(qText(help(m.animationProperty())));

    tempo_->sync();
    motion_->sync();
    cycle_->sync();
    waveformChips_.select(m.animationWaveform());
    status_->setText(statusText(playing, m.animationWaveform()));
}

}  // namespace glimora
