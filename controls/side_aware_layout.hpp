// Layout helpers that put controls two to a row (or in a grid) at the top or
// bottom edge and one to a row in the side editor.
//   SideAwareSliderPair: side layout stacks `first` and `second` at the full
//     available width with the caller's spacing; otherwise they sit side by
//     side, each `compactWidth` wide with a fixed 6-px gap (the spacing is
//     not used). Editors pass compactPairWidth(availableWidth).
//   SideAwareSliderGrid: side layout stacks the cells; otherwise max(columns, 1)
//     equal columns with `spacing` between columns and rows, each row as high
//     as its tallest cell, cells centred in their slot.
//   Both are `availableWidth` wide, take the children as their own, and lay
//   them out again in place on setLayoutInputs() (nothing is rebuilt, so a
//   control being dragged keeps its grab).
//   shapeTileHeight(): the height of the shape grid's thumbnails.
//
// Use: `auto* pair = new SideAwareSliderPair(inputs.isSideLayout, inputs.availableWidth,
//           compactPairWidth(inputs.availableWidth), 10, angleSlider, spreadSlider);`
#pragma once

#include <QWidget>

#include <vector>

namespace glimora {

// max(0, (availableWidth - 6) / 2): two controls and the 6-px gap fill the width.
double compactPairWidth(double availableWidth);

// 54 for fewer than 3 columns, else 44, at the top or bottom; at a side the
// cell width times 0.46 kept within 26...40. A count below 1 counts as 1.
double shapeTileHeight(int columnCount, bool isSideLayout, double availableWidth);

// A widget that places its children by hand: it lays them out again when
// one of them asks for another size, and is exactly as large as the result.
class HandLaidWidget : public QWidget {
    Q_OBJECT

public:
    QSize sizeHint() const override { return size_; }

protected:
    explicit HandLaidWidget(QWidget* parent);
    bool event(QEvent* event) override;
    virtual void relayout() = 0;
    void setLaidOutSize(QSize size);

private:
    QSize size_;
};

class SideAwareSliderPair : public HandLaidWidget {
    Q_OBJECT

public:
    SideAwareSliderPair(bool isSideLayout, double availableWidth, double compactWidth, double spacing,
                        QWidget* first, QWidget* second, QWidget* parent = nullptr);

    void setLayoutInputs(bool isSideLayout, double availableWidth, double compactWidth);
    QWidget* first() const { return first_; }
    QWidget* second() const { return second_; }

private:
    void relayout() override;

    bool isSideLayout_;
    double availableWidth_;
    double compactWidth_;
    double spacing_;
    QWidget* first_;
    QWidget* second_;
};

class SideAwareSliderGrid : public HandLaidWidget {
    Q_OBJECT

public:
    SideAwareSliderGrid(bool isSideLayout, double availableWidth, int columnCount, double spacing,
                        std::vector<QWidget*> cells, QWidget* parent = nullptr);

    void setLayoutInputs(bool isSideLayout, double availableWidth, int columnCount);
    const std::vector<QWidget*>& cells() const { return cells_; }
    int effectiveColumnCount() const;

private:
    void relayout() override;

    bool isSideLayout_;
    double availableWidth_;
    int columnCount_;
    double spacing_;
    std::vector<QWidget*> cells_;
};

}  // namespace glimora
