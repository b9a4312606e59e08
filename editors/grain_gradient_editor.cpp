#include "editors/grain_gradient_editor.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <optional>

#include "controls/accessibility.hpp"
#include "controls/notch_slider.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/small_views.hpp"
#include "editors/editor_controls.hpp"
#include "editors/gradient_thumbnails.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

constexpr std::array<SliderRow, 5> smoothSpecs{{
    {"Twist", Prop::angle, 0, 360, 1, std::nullopt},
    {"Feather", Prop::spread, 10, 300, 1, std::nullopt},
    {"Anchor X", Prop::centerX, 0, 100, 1, std::nullopt},
    {"Anchor Y", Prop::centerY, 0, 100, 1, std::nullopt},
    {"Offset", Prop::phase, 0, 360, 1, std::nullopt},
}};

constexpr std::array<SliderRow, 4> grainSpecs{{
    {"Bend", Prop::grainGradientWarp, 0, 100, 1, std::nullopt},
    {"Drift", Prop::grainGradientFlow, 0, 100, 1, std::nullopt},
    {"Bloom", Prop::grainGradientGlow, 0, 100, 1, std::nullopt},
    {"Span", Prop::grainGradientScale, 0, 100, 1, std::nullopt},
}};

struct TileText {
    const char* title;
    const char* symbol;
    const char* subtitle;
};

TileText smoothText() { return {"Melt", "circle.lefthalf.filled", "Soft color field"}; }

TileText grainText(GrainGradientMode mode) {
    switch (mode) {
    case GrainGradientMode::liquid: return {"Fluid", "water.waves", "Soft warped color"};
    case GrainGradientMode::bloom: return {"Radiance", "sun.max", "Luminous color forms"};
    case GrainGradientMode::ribbon: return {"Strata", "wind", "Curved light layers"};
    case GrainGradientMode::halftone: return {"Dot Field", "circle.grid.3x3", "Adaptive dot texture"};
    }
    return {"", "", ""};
}

}  // namespace

// One tile: the preview, the symbol and title, and the subtitle; a radio
// button to assistive tools.
class GradientTile : public QAbstractButton, public AccessibleControl {
public:
    GradientTile(GradientThumbnail* thumbnail, const TileText& text, std::optional<GrainGradientMode> mode,
                 QWidget* parent)
        : QAbstractButton(parent), thumbnail_(thumbnail), mode_(mode) {
        ensureControlAccessibility();
        setAccessibleName(QString::fromUtf8(text.title));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(4);
        thumbnail_->setParent(this);
        thumbnail_->setAttribute(Qt::WA_TransparentForMouseEvents);
        column->addWidget(thumbnail_);
        auto* titleRow = new QHBoxLayout;
        titleRow->setContentsMargins(0, 0, 0, 0);
        titleRow->setSpacing(4);
        symbol_ = new SymbolView(QString::fromUtf8(text.symbol), 9, FontWeight::semibold, whitePercent(48), this);
        titleRow->addWidget(symbol_);
        title_ = makeLabel(QString::fromUtf8(text.title), 10, FontWeight::medium, 0.48, this);
        titleRow->addWidget(title_, 1);
        column->addLayout(titleRow);
        auto* subtitle = makeOneLineLabel(QString::fromUtf8(text.subtitle), 8, FontWeight::regular, 0.26, this);
        column->addWidget(subtitle);
        for (QWidget* child : findChildren<QWidget*>()) child->setAttribute(Qt::WA_TransparentForMouseEvents);
        setSelected(false);
    }

    std::optional<GrainGradientMode> mode() const { return mode_; }
    GradientThumbnail* thumbnail() const { return thumbnail_; }

    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }
    bool accessibleOn() const override { return thumbnail_->isSelected(); }

    void setSelected(bool selected) {
        const bool changed = selected != thumbnail_->isSelected();
        thumbnail_->setSelected(selected);
        if (changed) notifyAccessibleOnChange(this);
        symbol_->setColor(whiteOpacity(selected ? 0.88 : 0.48));
        setTextOpacity(title_, selected ? 0.88 : 0.48);
    }

    QSize sizeHint() const override { return layout()->sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    GradientThumbnail* thumbnail_;
    std::optional<GrainGradientMode> mode_;
    SymbolView* symbol_;
    QLabel* title_;
};

bool GrainGradientEditor::showsSmoothSet(const NotchViewModel& model) {
    return model.shape() == NotchShape::smoothGradient && !model.grainGradientActive();
}

GrainGradientEditor::GrainGradientEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(9);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    grid_ = new QGridLayout;
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setVerticalSpacing(7);
    auto* smooth = new GradientTile(new SmoothGradientThumbnail, smoothText(), std::nullopt, this);
    connect(smooth, &QAbstractButton::clicked, this, [this] { model().selectSmoothGradient(); });
    tiles_.push_back(smooth);
    for (const GrainGradientMode mode : {GrainGradientMode::liquid, GrainGradientMode::bloom, GrainGradientMode::ribbon}) {
        auto* tile = new GradientTile(new GrainGradientThumbnail(mode), grainText(mode), mode, this);
        connect(tile, &QAbstractButton::clicked, this, [this, mode] { model().selectGrainGradientMode(mode); });
        tiles_.push_back(tile);
    }
    for (std::size_t i = 0; i < tiles_.size(); ++i) grid_->addWidget(tiles_[i], int(i) / 2, int(i) % 2);
    grid_->setColumnStretch(0, 1);
    grid_->setColumnStretch(1, 1);
    column->addLayout(grid_);

    auto makeSet = [this](auto specs, bool withSingle) {
        auto* set = new QWidget(this);
        auto* rows = new QVBoxLayout(set);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(9);
        const std::size_t paired = withSingle ? specs.size() - 1 : specs.size();
        for (std::size_t i = 0; i + 2 <= paired; i += 2) {
            NotchSlider* first = makeSlider(model(), specs[i], set);
            NotchSlider* second = makeSlider(model(), specs[i + 1], set);
            sliders_.emplace_back(first, specs[i]);
            sliders_.emplace_back(second, specs[i + 1]);
            auto* pair = new SideAwareSliderPair(inputs().isSideLayout, inputs().availableWidth, compactPairWidth(inputs().availableWidth), 8, first, second, set);
            pairs_.push_back(pair);
            rows->addWidget(pair);
        }
        if (withSingle) {
            offset_ = makeSlider(model(), specs.back(), set);
            sliders_.emplace_back(offset_, specs.back());
            rows->addWidget(offset_, 0, Qt::AlignHCenter);
        }
        return set;
    };
    smoothSet_ = makeSet(smoothSpecs, true);
    grainSet_ = makeSet(grainSpecs, false);
    column->addWidget(smoothSet_);
    column->addWidget(grainSet_);

    layOut();
    sync();
}

void GrainGradientEditor::inputsChanged() { layOut(); }

void GrainGradientEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    grid_->setHorizontalSpacing(int(std::lround(inputs().itemSpacing)));
    const double compact = compactPairWidth(width);
    for (SideAwareSliderPair* pair : pairs_) pair->setLayoutInputs(inputs().isSideLayout, width, compact);
    offset_->setFixedWidth(int(width));
}

void GrainGradientEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop : {Prop::shape, Prop::grainGradientActive, Prop::grainGradientMode, Prop::paletteIndex,
                            Prop::customPaletteStops, Prop::angle, Prop::spread, Prop::centerX, Prop::centerY,
                            Prop::phase, Prop::grainGradientWarp, Prop::grainGradientFlow, Prop::grainGradientGlow,
                            Prop::grainGradientScale})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void GrainGradientEditor::sync() {
    const NotchViewModel& m = model();
    const std::vector<Color> colors = m.activePalette().colors;
    for (GradientTile* tile : tiles_) {
        const bool selected = tile->mode() ? (m.grainGradientActive() && m.grainGradientMode() == *tile->mode())
                                           : showsSmoothSet(m);
        tile->setSelected(selected);
        tile->thumbnail()->setPaletteColors(colors);
    }
    const bool smooth = showsSmoothSet(m);
    smoothSet_->setVisible(smooth);
    grainSet_->setVisible(!smooth);
    for (auto& [slider, spec] : sliders_) slider->sync();
}

}  // namespace glimora
