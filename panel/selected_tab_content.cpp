#include "panel/selected_tab_content.hpp"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

#include "editors/adjust_editor.hpp"
#include "editors/animation_editor.hpp"
#include "editors/color_editor.hpp"
#include "editors/export_editor.hpp"
#include "editors/grain_gradient_editor.hpp"
#include "editors/history_editor.hpp"
#include "editors/image_editor.hpp"
#include "editors/shader_editor.hpp"
#include "editors/shape_editor.hpp"
#include "editors/style_editor.hpp"

namespace glimora {

EditorInputs SelectedTabContent::editorInputs(NotchTab tab, const Layout& layout) {
    EditorInputs inputs;
    inputs.availableWidth = layout.availableWidth;
    switch (tab) {
    case NotchTab::shape:
        inputs.columns = std::max(1, layout.shapeColumnCount);
        inputs.isSideLayout = layout.isSideLayout;
        break;
    case NotchTab::gradients:
        inputs.isSideLayout = layout.isSideLayout;
        inputs.itemSpacing = 7;
        break;
    // They lay out the same way in both panels.
    case NotchTab::export_:
    case NotchTab::history: break;
    case NotchTab::image:
    case NotchTab::color:
    case NotchTab::adjust:
    case NotchTab::style:
    case NotchTab::animation:
    case NotchTab::shader: inputs.isSideLayout = layout.isSideLayout; break;
    }
    return inputs;
}

TabEditor* SelectedTabContent::makeTabEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs) {
    switch (tab) {
    case NotchTab::image: return new ImageEditor(bridge, inputs);
    case NotchTab::shape: return new ShapeEditor(bridge, inputs);
    case NotchTab::gradients: return new GrainGradientEditor(bridge, inputs);
    case NotchTab::color: return new ColorEditor(bridge, inputs);
    case NotchTab::adjust: return new AdjustEditor(bridge, inputs);
    case NotchTab::style: return new StyleEditor(bridge, inputs);
    case NotchTab::animation: return new AnimationEditor(bridge, inputs);
    case NotchTab::shader: return new ShaderEditor(bridge, inputs);
    case NotchTab::export_: return new ExportEditor(bridge, inputs);
    case NotchTab::history: return new HistoryEditor(bridge, inputs);
    }
    return new ShapeEditor(bridge, inputs);
}

SelectedTabContent::SelectedTabContent(NotchViewModelBridge& bridge, const Layout& layout, QWidget* parent)
    : QWidget(parent), bridge_(bridge), layout_(layout) {
    setAttribute(Qt::WA_TranslucentBackground);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab) &&
            bridge_.model().selectedTab() != shownTab_)
            rebuild();
    });
    rebuild();
}

void SelectedTabContent::setEditorFactory(EditorFactory factory) {
    factory_ = std::move(factory);
    rebuild();
}

void SelectedTabContent::setLayoutNumbers(const Layout& layout) {
    if (layout == layout_) return;
    layout_ = layout;
    if (editor_) editor_->setInputs(editorInputs(shownTab_, layout_));
}

void SelectedTabContent::rebuild() {
    shownTab_ = bridge_.model().selectedTab();
    const EditorInputs inputs = editorInputs(shownTab_, layout_);
    TabEditor* made = factory_ ? factory_(shownTab_, bridge_, inputs) : nullptr;
    if (!made) made = makeTabEditor(shownTab_, bridge_, inputs);
    if (editor_) {
        // The old editor may hold the mouse grab: it goes once the event is done.
        editor_->hide();
        editor_->deleteLater();
    }
    editor_ = made;
    editor_->setParent(this);
    editor_->setGeometry(rect());
    editor_->show();
}

bool SelectedTabContent::event(QEvent* event) {
    // An editor's layout posts this to its parent when its size hint changes.
    if (event->type() == QEvent::LayoutRequest && onEditorSizeChange_) onEditorSizeChange_();
    return QWidget::event(event);
}

void SelectedTabContent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (editor_) editor_->setGeometry(rect());
}

ExpandedTabContent::Columns ExpandedTabContent::columns(double totalWidth, double sideInset) {
    const double half = std::max(0.0, totalWidth * 0.5);
    // A width that is not a number counts as none.
    const double inset = std::isnan(sideInset) ? 0 : std::min(half, std::max(0.0, sideInset));
    const double inner = std::max(0.0, totalWidth - 2 * inset);
    return {std::isnan(inset) ? 0 : inset, std::isnan(inner) ? 0 : inner};
}

ExpandedTabContent::ExpandedTabContent(QWidget* content, double totalWidth, double sideInset, QWidget* parent)
    : QWidget(parent), clip_(new QWidget(this)), content_(content), totalWidth_(totalWidth), sideInset_(sideInset) {
    setAttribute(Qt::WA_TranslucentBackground);
    clip_->setAttribute(Qt::WA_TranslucentBackground);
    content_->setParent(clip_);
    layoutContent();
}

void ExpandedTabContent::setWidths(double totalWidth, double sideInset) {
    totalWidth_ = totalWidth;
    sideInset_ = sideInset;
    layoutContent();
}

void ExpandedTabContent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

void ExpandedTabContent::layoutContent() {
    const Columns c = columns(totalWidth_, sideInset_);
    // The content starts at the top of the middle column and is given its
    // width; a content that insists on more is clipped to the column, never
    // drawn into the side columns.
    const QRect column = QRectF(c.inset, 0, c.innerWidth, height()).toRect();
    clip_->setGeometry(column);
    content_->setGeometry(0, 0, std::max(column.width(), content_->minimumWidth()), column.height());
}

}  // namespace glimora
