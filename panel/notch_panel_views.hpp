// The three views inside the notch panel: the black outline surface, the
// container that clips the hosted content, and the content view that stacks
// the two, insets the content and answers which points belong to the panel.
#pragma once

#include <functional>
#include <optional>

#include <QMarginsF>
#include <QPainterPath>
#include <QWidget>

#include "geometry/notch_outline.hpp"

namespace glimora {

// Paints the outline that grows out of the docked edge: black at 98 %,
// stroked in white at `strokeOpacity`. The outline is rebuilt only when the
// size, the placement or a radius changes, never on a repaint.
class NotchSurfaceBackgroundView final : public QWidget {
public:
    explicit NotchSurfaceBackgroundView(QWidget* parent = nullptr);

    NotchPlacement placement() const { return placement_; }
    void setPlacement(NotchPlacement placement);
    double attachedCornerRadius() const { return attachedCornerRadius_; }
    void setAttachedCornerRadius(double radius);
    double innerCornerRadius() const { return innerCornerRadius_; }
    void setInnerCornerRadius(double radius);
    double strokeOpacity() const { return strokeOpacity_; }
    void setStrokeOpacity(double opacity);

    // The outline for the current size; none before the view had a size.
    const std::optional<NotchOutline>& outline() const { return outline_; }
    // Called after each rebuild of the outline.
    void setOnOutlineChange(std::function<void()> callback) { onOutlineChange_ = std::move(callback); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuildOutline();

    NotchPlacement placement_ = NotchPlacement::top;
    double attachedCornerRadius_ = 0;
    double innerCornerRadius_ = 19;
    double strokeOpacity_ = 0.07;
    std::optional<NotchOutline> outline_;
    QPainterPath path_;
    std::function<void()> onOutlineChange_;
};

// Holds the hosted content, sized to its own bounds; the content is clipped
// to them as every child widget is.
class NotchHostingClipView final : public QWidget {
public:
    explicit NotchHostingClipView(QWidget* parent = nullptr);

    // Takes ownership; the previous content is hidden and deleted once the
    // current event is done (it may hold the mouse grab).
    void setHostedView(QWidget* view);
    QWidget* hostedView() const { return hosted_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* hosted_ = nullptr;
};

class NotchWindowContentView final : public QWidget {
public:
    explicit NotchWindowContentView(QWidget* parent = nullptr);

    NotchSurfaceBackgroundView* surfaceView() const { return surface_; }
    NotchHostingClipView* hostingClipView() const { return clip_; }

    // Inset of the clipped content; a negative side counts as 0.
    const QMarginsF& hostingInsets() const { return insets_; }
    void setHostingInsets(const QMarginsF& insets);

    // Whether a point in this view's own coordinates belongs to the panel:
    // inside the outline (non-zero winding), or anywhere before there is one.
    bool hitTest(const QPointF& point) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    NotchSurfaceBackgroundView* surface_;
    NotchHostingClipView* clip_;
    QMarginsF insets_;
};

// The outline as a painter path, curves kept exact.
QPainterPath painterPath(const NotchOutline& outline);

}  // namespace glimora
