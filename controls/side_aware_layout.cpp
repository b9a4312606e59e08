#include "controls/side_aware_layout.hpp"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

constexpr double pairGap = 6;

double finiteWidth(double width) { return std::isfinite(width) && width > 0 ? width : 0; }

// The height a child wants at a width: its height-for-width when it has
// one, else its size hint, never below its minimum.
int heightAt(const QWidget& child, int width) {
    int height = child.hasHeightForWidth() ? child.heightForWidth(width) : child.sizeHint().height();
    if (height < 0) height = child.sizeHint().height();
    return std::clamp(std::max(height, child.minimumHeight()), 0, std::max(child.maximumHeight(), 0));
}

// Places a child in the slot [x, x + width) with its own height, at most its
// maximum width, centred in the slot.
int place(QWidget& child, double x, double y, double width, int slotHeight) {
    const double w = std::min(width, double(child.maximumWidth()));
    const int left = int(std::round(x + (width - w) / 2));
    const int right = int(std::round(x + (width - w) / 2 + w));
    const int height = heightAt(child, right - left);
    child.setGeometry(left, int(std::round(y)) + std::max(0, (slotHeight - height) / 2), right - left, height);
    return height;
}

}  // namespace

double compactPairWidth(double availableWidth) { return std::max(0.0, (availableWidth - 6) / 2); }

double shapeTileHeight(int columnCount, bool isSideLayout, double availableWidth) {
    if (!isSideLayout) return columnCount < 3 ? 54 : 44;
    const int columns = std::max(columnCount, 1);
    const double w = (availableWidth - 6.0 * std::max(columns - 1, 0)) / columns;
    if (std::isnan(w) || w < 0) return 26;
    const double t = w * 0.46;
    return t < 26 ? 26 : std::min(t, 40.0);
}

// HandLaidWidget

HandLaidWidget::HandLaidWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

bool HandLaidWidget::event(QEvent* event) {
    // A child asking for another size (a caption that wraps) is laid out again.
    if (event->type() == QEvent::LayoutRequest) relayout();
    return QWidget::event(event);
}

void HandLaidWidget::setLaidOutSize(QSize size) {
    if (size == size_) return;
    size_ = size;
    setFixedSize(size_);
    updateGeometry();
}

// SideAwareSliderPair

SideAwareSliderPair::SideAwareSliderPair(bool isSideLayout, double availableWidth, double compactWidth,
                                         double spacing, QWidget* first, QWidget* second, QWidget* parent)
    : HandLaidWidget(parent),
      isSideLayout_(isSideLayout),
      availableWidth_(finiteWidth(availableWidth)),
      compactWidth_(finiteWidth(compactWidth)),
      spacing_(spacing),
      first_(first),
      second_(second) {
    for (QWidget* child : {first_, second_})
        if (child) child->setParent(this);
    relayout();
}

void SideAwareSliderPair::setLayoutInputs(bool isSideLayout, double availableWidth, double compactWidth) {
    isSideLayout_ = isSideLayout;
    availableWidth_ = finiteWidth(availableWidth);
    compactWidth_ = finiteWidth(compactWidth);
    relayout();
}

void SideAwareSliderPair::relayout() {
    int height = 0;
    if (isSideLayout_) {
        double y = 0;
        int placed = 0;
        for (QWidget* child : {first_, second_}) {
            if (!child) continue;
            if (placed++) y += spacing_;
            y += place(*child, 0, y, availableWidth_, 0);
        }
        height = int(std::ceil(y));
    } else {
        int rowHeight = 0;
        const int compact = int(std::round(compactWidth_));
        for (QWidget* child : {first_, second_})
            if (child) rowHeight = std::max(rowHeight, heightAt(*child, compact));
        if (first_) place(*first_, 0, 0, compactWidth_, rowHeight);
        if (second_) place(*second_, compactWidth_ + pairGap, 0, compactWidth_, rowHeight);
        height = rowHeight;
    }
    setLaidOutSize(QSize(int(std::round(availableWidth_)), height));
}

// SideAwareSliderGrid

SideAwareSliderGrid::SideAwareSliderGrid(bool isSideLayout, double availableWidth, int columnCount, double spacing,
                                         std::vector<QWidget*> cells, QWidget* parent)
    : HandLaidWidget(parent),
      isSideLayout_(isSideLayout),
      availableWidth_(finiteWidth(availableWidth)),
      columnCount_(columnCount),
      spacing_(spacing),
      cells_(std::move(cells)) {
    std::erase(cells_, nullptr);
    for (QWidget* cell : cells_) cell->setParent(this);
    relayout();
}

void SideAwareSliderGrid::setLayoutInputs(bool isSideLayout, double availableWidth, int columnCount) {
    isSideLayout_ = isSideLayout;
    availableWidth_ = finiteWidth(availableWidth);
    columnCount_ = columnCount;
    relayout();
}

int SideAwareSliderGrid::effectiveColumnCount() const { return isSideLayout_ ? 1 : std::max(columnCount_, 1); }

void SideAwareSliderGrid::relayout() {
    const int columns = effectiveColumnCount();
    const double gaps = isSideLayout_ ? 0 : spacing_ * (columns - 1);
    const double columnWidth = std::max(0.0, (availableWidth_ - gaps) / columns);
    const double columnStep = columnWidth + (isSideLayout_ ? 0 : spacing_);
    double y = 0;
    for (std::size_t start = 0; start < cells_.size(); start += std::size_t(columns)) {
        const std::size_t end = std::min(cells_.size(), start + std::size_t(columns));
        int rowHeight = 0;
        for (std::size_t i = start; i < end; ++i)
            rowHeight = std::max(rowHeight, heightAt(*cells_[i], int(std::round(columnWidth))));
        if (start > 0) y += spacing_;
        for (std::size_t i = start; i < end; ++i)
            place(*cells_[i], columnStep * double(i - start), y, columnWidth, rowHeight);
        y += rowHeight;
    }
    setLaidOutSize(QSize(int(std::round(availableWidth_)), int(std::ceil(y))));
}

}  // namespace glimora
