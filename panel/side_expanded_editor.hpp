// The open panel at the left or right edge: the tab column against the
// screen edge (identity glyph, the nine tab symbols, Randomize, Collapse),
// the selected tab's editor scrolling beside it, and a grip on the inner
// edge that drags the panel wider or narrower.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "controls/accessibility.hpp"
#include "panel/tab_scroll_area.hpp"

class QScrollArea;

namespace glimora {

class NotchButton;
class SideIdentityGlyph;

// The grip: a 2 x 46 capsule in an 18 x 64 hit area. A drag reports its
// total horizontal distance toward the screen's interior (widening is
// positive at either edge), measured in screen coordinates: the grip moves
// with the edge it resizes, so its own coordinates would feed the change
// back into the next measurement. Assistive tools see a separator (as a
// window splitter is; AT-SPI has no grip) named "Resize notch width", with
// its hint as the description.
class SideWidthResizeHandle final : public QWidget, public AccessibleControl {
public:
    SideWidthResizeHandle(NotchPlacement placement, std::function<void(double)> onChanged,
                          std::function<void()> onEnded, QWidget* parent = nullptr);

    void setPlacement(NotchPlacement placement) { placement_ = placement; }
    bool isHovering() const { return hovering_; }
    QColor capsuleColor() const;
    QAccessible::Role accessibleRole() const override { return QAccessible::Separator; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    NotchPlacement placement_;
    std::function<void(double)> onChanged_;
    std::function<void()> onEnded_;
    bool hovering_ = false;
    std::optional<double> pressX_;  // global x of the press
    bool dragging_ = false;         // moved at least 1 px since the press
};

// The column of tab symbols with the glyph above and the actions below.
class SideTabList final : public QWidget {
public:
    SideTabList(NotchViewModelBridge& bridge, double topContentInset, QWidget* parent = nullptr);

    // The tabs' vertical padding in a scroller of height g.
    static double tabPadding(double scrollerHeight);

    const std::vector<NotchButton*>& tabButtons() const { return tabs_; }
    NotchButton* randomizeButton() const { return randomize_; }
    NotchButton* collapseButton() const { return collapse_; }
    SideIdentityGlyph* glyph() const { return glyph_; }
    QScrollArea* tabScroller() const { return scroller_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void sync();
    void layoutParts();

    NotchViewModelBridge& bridge_;
    double topInset_;
    SideIdentityGlyph* glyph_;
    QScrollArea* scroller_;
    std::vector<NotchButton*> tabs_;
    NotchButton* randomize_;
    NotchButton* collapse_;
};

class SideExpandedEditor final : public QWidget {
public:
    // The bridge must outlive the view.
    SideExpandedEditor(NotchViewModelBridge& bridge, double tabListWidth, double surfaceVerticalInset,
                       QWidget* parent = nullptr);

    SideTabList* tabList() const { return list_; }
    SideWidthResizeHandle* resizeHandle() const { return handle_; }
    TabScrollArea* contentScroll() const { return scroll_; }
    SelectedTabContent* tabContent() const { return scroll_->tabContent(); }
    std::optional<double> resizeStartWidth() const { return resizeStartWidth_; }

    // The drag's steps: the width change d from the drag's start, and its end.
    void resizeChanged(double d);
    void resizeEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts();

    NotchViewModelBridge& bridge_;
    double tabListWidth_;
    double verticalInset_;
    std::optional<double> resizeStartWidth_;
    SideTabList* list_;
    TabScrollArea* scroll_;
    SideWidthResizeHandle* handle_;
};

}  // namespace glimora
