#include "panel/notch_panel_views.hpp"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace glimora {

QPainterPath painterPath(const NotchOutline& outline) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(outline.start.x, outline.start.y);
    for (const auto& segment : outline.segments) {
        if (segment.curve)
            path.quadTo(segment.control.x, segment.control.y, segment.end.x, segment.end.y);
        else
            path.lineTo(segment.end.x, segment.end.y);
    }
    path.closeSubpath();
    return path;
}

// Surface

NotchSurfaceBackgroundView::NotchSurfaceBackgroundView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    // Input goes to the content above; the surface only paints.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NotchSurfaceBackgroundView::setPlacement(NotchPlacement placement) {
    placement_ = placement;
    rebuildOutline();
}

void NotchSurfaceBackgroundView::setAttachedCornerRadius(double radius) {
    attachedCornerRadius_ = radius;
    rebuildOutline();
}

void NotchSurfaceBackgroundView::setInnerCornerRadius(double radius) {
    innerCornerRadius_ = radius;
    rebuildOutline();
}

void NotchSurfaceBackgroundView::setStrokeOpacity(double opacity) {
    strokeOpacity_ = opacity;
    update();
}

void NotchSurfaceBackgroundView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuildOutline();
}

void NotchSurfaceBackgroundView::rebuildOutline() {
    // With an empty size the previous outline is kept.
    if (width() <= 0 || height() <= 0) return;
    auto outline = notchOutline(placement_, width(), height(), attachedCornerRadius_, innerCornerRadius_);
    const bool changed = !outline_ || outline_->start != outline.start ||
                         !std::equal(outline_->segments.begin(), outline_->segments.end(), outline.segments.begin(),
                                     outline.segments.end(), [](const auto& l, const auto& r) {
                                         return l.curve == r.curve && l.control == r.control && l.end == r.end;
                                     });
    if (!changed) return;
    outline_ = std::move(outline);
    path_ = painterPath(*outline_);
    update();
    if (onOutlineChange_) onOutlineChange_();
}

void NotchSurfaceBackgroundView::paintEvent(QPaintEvent*) {
    if (!outline_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path_, QColor::fromRgbF(0, 0, 0, 0.98f));
    QPen stroke(QColor::fromRgbF(1, 1, 1, float(std::clamp(strokeOpacity_, 0.0, 1.0))));
    stroke.setWidthF(1.0);
    painter.strokePath(path_, stroke);
}

// Clip view

NotchHostingClipView::NotchHostingClipView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void NotchHostingClipView::setHostedView(QWidget* view) {
    if (view == hosted_) return;
    if (hosted_) {
        hosted_->hide();
        hosted_->deleteLater();
    }
    hosted_ = view;
    if (!hosted_) return;
    hosted_->setParent(this);
    hosted_->setGeometry(rect());
    hosted_->show();
}

void NotchHostingClipView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (hosted_) hosted_->setGeometry(rect());
}

// Content view

NotchWindowContentView::NotchWindowContentView(QWidget* parent)
    : QWidget(parent), surface_(new NotchSurfaceBackgroundView(this)), clip_(new NotchHostingClipView(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    // The surface first, the content above it.
    clip_->raise();
}

void NotchWindowContentView::setHostingInsets(const QMarginsF& insets) {
    insets_ = insets;
    layoutChildren();
}

void NotchWindowContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void NotchWindowContentView::layoutChildren() {
    surface_->setGeometry(rect());
    const double left = std::max(0.0, insets_.left()), top = std::max(0.0, insets_.top());
    const double right = std::max(0.0, insets_.right()), bottom = std::max(0.0, insets_.bottom());
    const double w = std::max(0.0, width() - left - right), h = std::max(0.0, height() - top - bottom);
    clip_->setGeometry(QRectF(left, top, w, h).toRect());
}

bool NotchWindowContentView::hitTest(const QPointF& point) const {
    const auto& outline = surface_->outline();
    if (surface_->width() <= 0 || surface_->height() <= 0 || !outline) return true;
    // The surface fills this view, so its outline is in these coordinates.
    return outline->contains({point.x(), point.y()});
}

}  // namespace glimora
