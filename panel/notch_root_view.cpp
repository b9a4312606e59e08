#include "panel/notch_root_view.hpp"

#include <QResizeEvent>

#include <algorithm>

#include "geometry/panel_frame.hpp"
#include "panel/compact_capsule.hpp"
#include "panel/expanded_editor.hpp"
#include "panel/side_compact_rail.hpp"
#include "panel/side_expanded_editor.hpp"

namespace glimora {

ShellView shellViewFor(NotchPlacement placement, bool expanded) {
    if (isSidePlacement(placement)) return expanded ? ShellView::sideExpandedEditor : ShellView::sideCompactRail;
    return expanded ? ShellView::expandedEditor : ShellView::compactCapsule;
}

QWidget* NotchRootView::makeShellView(ShellView view, NotchViewModelBridge& bridge) {
    switch (view) {
    case ShellView::compactCapsule: return new CompactCapsule(bridge);
    case ShellView::expandedEditor: return new ExpandedEditor(bridge, 0, 5);
    case ShellView::sideCompactRail: return new SideCompactRail(bridge, 30);
    case ShellView::sideExpandedEditor: return new SideExpandedEditor(bridge, 64, 40);
    }
    return new CompactCapsule(bridge);
}

double NotchRootView::contentTopInset(const NotchViewModel& model) {
    const NotchMetrics& metrics = model.metrics();
    return model.expanded() && model.notchPlacement() == NotchPlacement::top && metrics.hasPhysicalNotch
               ? metrics.reservedTopInset
               : 0;
}

NotchRootView::NotchRootView(NotchViewModelBridge& bridge, QWidget* parent) : QWidget(parent), bridge_(bridge) {
    setAttribute(Qt::WA_TranslucentBackground);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        using Prop = NotchViewModel::Prop;
        if (NotchViewModelBridge::contains(props, Prop::expanded) ||
            NotchViewModelBridge::contains(props, Prop::notchPlacement) ||
            NotchViewModelBridge::contains(props, Prop::metrics))
            sync();
    });
    rebuild();
}

void NotchRootView::setShellFactory(ShellFactory factory) {
    factory_ = std::move(factory);
    rebuild();
}

void NotchRootView::sync() {
    const NotchViewModel& model = bridge_.model();
    if (shellViewFor(model.notchPlacement(), model.expanded()) != shown_)
        rebuild();
    else
        layoutShell();
}

void NotchRootView::rebuild() {
    const NotchViewModel& model = bridge_.model();
    shown_ = shellViewFor(model.notchPlacement(), model.expanded());
    QWidget* made = factory_ ? factory_(shown_, bridge_) : nullptr;
    if (!made) made = makeShellView(shown_, bridge_);
    if (shell_) {
        // The old view may hold the mouse grab: it goes once the event is done.
        shell_->hide();
        shell_->deleteLater();
    }
    shell_ = made;
    shell_->setParent(this);
    layoutShell();
    shell_->show();
}

void NotchRootView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutShell();
}

void NotchRootView::layoutShell() {
    if (!shell_) return;
    const int inset = int(contentTopInset(bridge_.model()));
    shell_->setGeometry(0, inset, width(), std::max(height() - inset, 0));
}

}  // namespace glimora
