#include "editors/shape_editor.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "controls/notch_button.hpp"
#include "controls/panel_style.hpp"
#include "controls/pin_button.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/side_aware_layout.hpp"
#include "controls/small_views.hpp"
#include "editors/editor_controls.hpp"

namespace glimora {

// One cell of the grid: the mosaic as a button, the title and, under the
// selected shape only, the shape's pin.
class ShapeTile : public QWidget {
public:
    ShapeTile(NotchShape shape, NotchViewModel& model, QWidget* parent) : QWidget(parent), shape_(shape) {
        const QString title = qText(glimora::title(shape));
        // Equal columns whatever the titles' lengths.
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(5);
        button_ = new NotchButton(NotchButton::Look::plain, [&model, shape] { model.selectShape(shape); }, this);
        button_->setAccessibleName(title);
        button_->setAccessibleRole(QAccessible::RadioButton);
        button_->setCursor(Qt::PointingHandCursor);
        auto* inside = new QVBoxLayout(button_);
        inside->setContentsMargins(0, 0, 0, 0);
        thumbnail_ = new PixelThumbnail(
            shape, [&model] { return model.activePalette().colors; }, [&model, shape] { return model.shape() == shape; },
            44, button_);
        thumbnail_->setAttribute(Qt::WA_TransparentForMouseEvents);
        inside->addWidget(thumbnail_);
        column->addWidget(button_);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(3);
        title_ = new FittingLabel(title, panelFont(10, FontWeight::medium), whitePercent(36), 0.65, this);
        row->addWidget(title_);
        pin_ = new PinButton(PinTarget::forModel(model, ShuffleProperty::shape), this);
        pin_->setVisible(false);
        row->addWidget(pin_);
        // The pin follows the title at 3 px; the rest of the cell stays empty.
        row->addStretch(1);
        column->addLayout(row);
    }

    NotchShape shape() const { return shape_; }
    PixelThumbnail* thumbnail() const { return thumbnail_; }

    void sync() {
        thumbnail_->sync();
        const bool selected = thumbnail_->isSelected();
        button_->setAccessibleOn(selected);
        pin_->sync();
        pin_->setVisible(selected);
        title_->setColor(whitePercent(selected ? 90 : 36));
    }

    void setLook(double tileHeight, int titlePixelSize) {
        thumbnail_->setTileHeight(tileHeight);
        button_->setFixedHeight(int(std::ceil(tileHeight)));
        title_->setLabelFont(panelFont(titlePixelSize, FontWeight::medium));
    }

private:
    NotchShape shape_;
    NotchButton* button_;
    PixelThumbnail* thumbnail_;
    FittingLabel* title_;
    PinButton* pin_;
};

ShapeEditor::ShapeEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent), grid_(new QGridLayout(this)) {
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    for (const NotchShape shape : shapeTabCases()) tiles_.push_back(new ShapeTile(shape, model(), this));
    layOut();
    sync();
}

ShapeEditor::~ShapeEditor() = default;

int ShapeEditor::columnCount() const { return std::max(1, inputs().columns); }

void ShapeEditor::inputsChanged() { layOut(); }

void ShapeEditor::layOut() {
    const int columns = columnCount();
    const bool side = inputs().isSideLayout;
    grid_->setHorizontalSpacing(side ? 6 : (columns < 3 ? 8 : 6));
    grid_->setVerticalSpacing(side ? 8 : 10);
    // The tiles move to their new cells; none is made again.
    for (ShapeTile* tile : tiles_) grid_->removeWidget(tile);
    for (int column = 0; column < grid_->columnCount(); ++column) grid_->setColumnStretch(column, 0);
    for (std::size_t i = 0; i < tiles_.size(); ++i)
        grid_->addWidget(tiles_[i], int(i) / columns, int(i) % columns);
    for (int column = 0; column < columns; ++column) grid_->setColumnStretch(column, 1);
    const double height = shapeTileHeight(columns, side, inputs().availableWidth);
    const int titleSize = side ? 10 : (columns < 3 ? 11 : 10);
    for (ShapeTile* tile : tiles_) tile->setLook(height, titleSize);
    setFixedWidth(std::max(0, int(inputs().availableWidth)));
}

void ShapeEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    using Prop = NotchViewModel::Prop;
    for (const Prop prop : {Prop::shape, Prop::paletteIndex, Prop::customPaletteStops, Prop::pinnedProperties})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void ShapeEditor::sync() {
    for (ShapeTile* tile : tiles_) tile->sync();
}

}  // namespace glimora
