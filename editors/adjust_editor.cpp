#include "editors/adjust_editor.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_slider.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/toggles.hpp"
#include "editors/editor_controls.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr ToggleRow reflectRow{"Reflect", Prop::mirror, ShuffleProperty::mirror};
constexpr ToggleRow okLabRow{"OKLab", Prop::okLab, std::nullopt};

}  // namespace

// The rows of one control set, in a widget of their own.
struct AdjustEditor::Group {
    std::vector<AdjustRow> rows;
    QWidget* widget = nullptr;
    std::vector<std::pair<NotchSlider*, SliderRow>> sliders;
    std::vector<SideAwareSliderPair*> pairs;
    std::vector<NotchSlider*> singles;
};

AdjustEditor::AdjustEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // The clear 10-point band above the sliders and the stack's 8 after it.
    column->addSpacing(18);

    groups_ = new QVBoxLayout;
    groups_->setContentsMargins(0, 0, 0, 0);
    groups_->setSpacing(0);
    column->addLayout(groups_);

    cellSize_ = makeSlider(model(), cellSizeSlider(), this);
    toneSteps_ = makeSlider(model(), toneStepsSlider(), this);
    lookPair_ = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, cellSize_, toneSteps_, this);
    column->addWidget(lookPair_);

    auto* switches = new QHBoxLayout;
    switches->setContentsMargins(0, 0, 0, 0);
    switches->setSpacing(6);
    reflect_ = new ToggleChip(qText(reflectRow.title), boolBinding(model(), reflectRow.property), pinTarget(model(), reflectRow.pin), this);
    okLab_ = new ToggleChip(qText(okLabRow.title), boolBinding(model(), okLabRow.property), pinTarget(model(), okLabRow.pin), this);
    switches->addWidget(reflect_, 1);
    switches->addWidget(okLab_, 1);
    column->addLayout(switches);

    sync();
    layOut();
}

AdjustEditor::~AdjustEditor() = default;

AdjustEditor::Group& AdjustEditor::groupFor(NotchShape shape) {
    std::vector<AdjustRow> rows = adjustRows(shape);
    for (auto& group : groupList_)
        if (group->rows == rows) return *group;

    auto group = std::make_unique<Group>();
    group->rows = std::move(rows);
    group->widget = new QWidget(this);
    auto* stack = new QVBoxLayout(group->widget);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    stack->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    for (const AdjustRow& row : group->rows) {
        NotchSlider* first = makeSlider(model(), row.first, group->widget);
        group->sliders.emplace_back(first, row.first);
        if (row.second) {
            NotchSlider* second = makeSlider(model(), *row.second, group->widget);
            group->sliders.emplace_back(second, *row.second);
            auto* pair = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, first, second, group->widget);
            group->pairs.push_back(pair);
            stack->addWidget(pair);
        } else {
            group->singles.push_back(first);
            stack->addWidget(first);
        }
    }
    group->widget->hide();
    groups_->addWidget(group->widget);
    groupList_.push_back(std::move(group));
    Group& made = *groupList_.back();
    layOut();
    return made;
}

void AdjustEditor::inputsChanged() { layOut(); }

void AdjustEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    const double compact = compactPairWidth(width);
    setFixedWidth(int(width));
    for (auto& group : groupList_) {
        group->widget->setFixedWidth(int(width));
        for (SideAwareSliderPair* pair : group->pairs)
            pair->setLayoutInputs(inputs().isSideLayout, width, compact);
        for (NotchSlider* single : group->singles) single->setFixedWidth(int(width));
    }
    lookPair_->setLayoutInputs(inputs().isSideLayout, width, compact);
}

void AdjustEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop : {Prop::shape, Prop::pinnedProperties, Prop::angle, Prop::spread, Prop::phase,
                            Prop::centerX, Prop::centerY, Prop::frequencyX, Prop::frequencyY, Prop::pixelScale,
                            Prop::quantization, Prop::mirror, Prop::okLab})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void AdjustEditor::sync() {
    const NotchViewModel& m = model();
    Group& current = groupFor(m.shape());
    for (auto& group : groupList_) {
        const bool shown = group.get() == &current;
        if (shown) {
            for (auto& [slider, spec] : group->sliders) slider->sync();
        }
        group->widget->setVisible(shown);
    }
    cellSize_->sync();
    toneSteps_->sync();
    reflect_->sync();
    okLab_->sync();
}

}  // namespace glimora
