#include "panel/side_expanded_editor.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

#include "controls/notch_button.hpp"
#include "controls/panel_scroll_area.hpp"
#include "panel/expanded_editor.hpp"
#include "panel/side_identity_glyph.hpp"

namespace glimora {

namespace {

constexpr double tabEdgeInset = 24;
constexpr double contentEdgeSpacer = 40;
constexpr int glyphSize = 24;
constexpr int tabButtonWidth = 36;
constexpr int tabButtonHeight = 30;
constexpr int tabSpacing = 4;
constexpr int listPadding = 6;
constexpr int actionEdge = 32;
constexpr int actionSpacing = 10;

// The side column's tabs: every tab of the header, `shader` left out.
std::span<const NotchTab> sideTabs() { return allCases<NotchTab>(); }

QString collapseSymbol(NotchPlacement placement) {
    switch (placement) {
    case NotchPlacement::top: return QStringLiteral("chevron.up");
    case NotchPlacement::left: return QStringLiteral("chevron.left");
    case NotchPlacement::right: return QStringLiteral("chevron.right");
    case NotchPlacement::bottom: return QStringLiteral("chevron.down");
    }
    return QStringLiteral("chevron.up");
}

QString qText(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

// --- the grip ---

SideWidthResizeHandle::SideWidthResizeHandle(NotchPlacement placement, std::function<void(double)> onChanged,
                                             std::function<void()> onEnded, QWidget* parent)
    : QWidget(parent), placement_(placement), onChanged_(std::move(onChanged)), onEnded_(std::move(onEnded)) {
    ensureControlAccessibility();
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFixedSize(18, 64);
    setCursor(Qt::SizeHorCursor);
    setToolTip(QStringLiteral("Resize notch width"));
    setAccessibleName(QStringLiteral("Resize notch width"));
    setAccessibleDescription(QStringLiteral("Drag horizontally to change the side notch width"));
}

QColor SideWidthResizeHandle::capsuleColor() const { return whiteOpacity(hovering_ ? 0.32 : 0.16); }

void SideWidthResizeHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(capsuleColor());
    const QRectF capsule((width() - 2) / 2.0, (height() - 46) / 2.0, 2, 46);
    painter.drawRoundedRect(capsule, 1, 1);
}

void SideWidthResizeHandle::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QWidget::enterEvent(event);
}

void SideWidthResizeHandle::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QWidget::leaveEvent(event);
}

void SideWidthResizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pressX_ = event->globalPosition().x();
    dragging_ = false;
    event->accept();
}

void SideWidthResizeHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!pressX_ || !(event->buttons() & Qt::LeftButton)) return;
    const double translation = event->globalPosition().x() - *pressX_;
    if (!dragging_ && std::abs(translation) < 1) return;
    dragging_ = true;
    if (onChanged_) onChanged_(placement_ == NotchPlacement::left ? translation : -translation);
}

void SideWidthResizeHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressX_) return;
    const bool dragged = dragging_;
    pressX_.reset();
    dragging_ = false;
    if (dragged && onEnded_) onEnded_();
}

// --- the tab column ---

double SideTabList::tabPadding(double scrollerHeight) { return std::max((scrollerHeight - 302) * 0.5, 14.0); }

SideTabList::SideTabList(NotchViewModelBridge& bridge, double topContentInset, QWidget* parent)
    : QWidget(parent), bridge_(bridge), topInset_(topContentInset) {
    setAttribute(Qt::WA_TranslucentBackground);
    glyph_ = new SideIdentityGlyph(bridge_, glyphSize, this);
    scroller_ = makePanelScrollArea(this);
    auto* tabsHolder = new QWidget;
    tabsHolder->setAttribute(Qt::WA_TranslucentBackground);
    for (NotchTab tab : sideTabs()) {
        auto* button = new NotchButton(NotchButton::Look::plain, [this, tab] { bridge_.model().setSelectedTab(tab); },
                                       tabsHolder);
        button->setSymbol(qText(systemImage(tab)), 11, FontWeight::semibold);
        button->setToolTip(qText(title(tab)));
        button->setAccessibleName(qText(title(tab)));
        button->setFixedSize(tabButtonWidth, tabButtonHeight);
        tabs_.push_back(button);
    }
    setPanelScrolledWidget(*scroller_, tabsHolder);

    const QSize action(actionEdge, actionEdge);
    randomize_ = makeIconButton(QStringLiteral("shuffle"), 10.5, FontWeight::semibold, QStringLiteral("Randomize"), action,
                                [this] { bridge_.model().shuffle(); }, this);
    randomize_->setLabelColor(whiteOpacity(0.48));
    // Its symbol follows the placement (sync).
    collapse_ = makeIconButton({}, 10, FontWeight::bold, QStringLiteral("Collapse"), action,
                               [this] { bridge_.model().setExpanded(false); }, this);
    collapse_->setLabelColor(whiteOpacity(0.42));

    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        using Prop = NotchViewModel::Prop;
        if (NotchViewModelBridge::contains(props, Prop::selectedTab) ||
            NotchViewModelBridge::contains(props, Prop::notchPlacement))
            sync();
    });
    sync();
}

void SideTabList::sync() {
    const NotchViewModel& model = bridge_.model();
    const auto tabs = sideTabs();
    for (std::size_t i = 0; i < tabs_.size(); ++i) showTabSelected(*tabs_[i], tabs[i] == model.selectedTab(), 0.42);
    collapse_->setSymbol(collapseSymbol(model.notchPlacement()), 10, FontWeight::bold);
}

void SideTabList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void SideTabList::layoutParts() {
    const int w = width();
    const int h = height();
    int y = listPadding + int(std::lround(topInset_));
    glyph_->setGeometry(outsetRect(QRect((w - glyphSize) / 2, y, glyphSize, glyphSize), SideIdentityGlyph::outset));
    y += glyphSize;
    const int actions = listPadding + actionEdge + actionSpacing + actionEdge;
    const int scrollerHeight = std::max(0, h - listPadding - actions - y);
    scroller_->setGeometry(0, y, w, scrollerHeight);
    const double padding = tabPadding(scrollerHeight);
    const int count = int(tabs_.size());
    const int listHeight = count * tabButtonHeight + (count - 1) * tabSpacing;
    fitScrolledWidget(*scroller_, int(std::lround(listHeight + 2 * padding)));
    for (int i = 0; i < count; ++i)
        tabs_[std::size_t(i)]->move((w - tabButtonWidth) / 2,
                                    int(std::lround(padding)) + i * (tabButtonHeight + tabSpacing));
    y += scrollerHeight + listPadding;
    randomize_->move((w - actionEdge) / 2, y);
    collapse_->move((w - actionEdge) / 2, y + actionEdge + actionSpacing);
}

// --- the editor ---

SideExpandedEditor::SideExpandedEditor(NotchViewModelBridge& bridge, double tabListWidth, double surfaceVerticalInset,
                                       QWidget* parent)
    : QWidget(parent), bridge_(bridge), tabListWidth_(tabListWidth), verticalInset_(surfaceVerticalInset) {
    setAttribute(Qt::WA_TranslucentBackground);
    list_ = new SideTabList(bridge_, 40, this);
    scroll_ = new TabScrollArea(bridge_, 2, true, tabEdgeInset, contentEdgeSpacer, this);
    handle_ = new SideWidthResizeHandle(
        bridge_.model().notchPlacement(), [this](double d) { resizeChanged(d); }, [this] { resizeEnded(); }, this);

    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        using Prop = NotchViewModel::Prop;
        if (NotchViewModelBridge::contains(props, Prop::notchPlacement)) {
            handle_->setPlacement(bridge_.model().notchPlacement());
            layoutParts();
        }
    });
}

void SideExpandedEditor::resizeChanged(double d) {
    NotchViewModel& model = bridge_.model();
    const double start = resizeStartWidth_ ? *resizeStartWidth_ : model.resolvedSideWidth();
    if (!resizeStartWidth_) resizeStartWidth_ = start;
    model.setCustomSideWidth(start + d);
}

void SideExpandedEditor::resizeEnded() {
    const NotchViewModel& model = bridge_.model();
    if (const std::optional<double> width = model.customSideExpandedWidth(); width) {
        if (const auto& preferences = model.services().preferences)
            preferences->setValue(sideExpandedWidthKey, double(*width));
    }
    resizeStartWidth_.reset();
}

void SideExpandedEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void SideExpandedEditor::layoutParts() {
    const int w = width();
    const int listWidth = int(std::lround(tabListWidth_));
    const int inset = int(std::lround(verticalInset_));
    const int contentWidth = std::max(w - listWidth, 0);
    const int contentHeight = std::max(height() - 2 * inset, 0);
    // The tab column lies against the screen edge, the content toward the
    // screen's middle.
    const bool left = bridge_.model().notchPlacement() == NotchPlacement::left;
    list_->setGeometry(left ? 0 : contentWidth, inset, listWidth, contentHeight);
    scroll_->setGeometry(left ? listWidth : 0, inset, contentWidth, contentHeight);


    handle_->move(left ? w - handle_->width() : 0, (height() - handle_->height()) / 2);
    handle_->raise();
}

}  // namespace glimora
