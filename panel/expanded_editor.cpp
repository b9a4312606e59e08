#include "panel/expanded_editor.hpp"

#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "controls/notch_button.hpp"
#include "controls/panel_scroll_area.hpp"

namespace glimora {

namespace {

constexpr double headerRowHeight = 28;
constexpr double headerSpacing = 2;
constexpr double headerIconEdge = 28;

NotchButton* headerIcon(const QString& symbol, double pixelSize, const QString& help, std::function<void()> action) {
    auto* button = new NotchButton(NotchButton::Look::icon, std::move(action));
    button->setSymbol(symbol, pixelSize, FontWeight::semibold);
    button->setLabelColor(whiteOpacity(0.42));
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

}  // namespace

ExpandedEditor::ExpandedEditor(NotchViewModelBridge& bridge, double headerHorizontalInset, double tabEdgeBoxWidth,
                               QWidget* parent)
    : QWidget(parent), bridge_(bridge), headerInset_(headerHorizontalInset), edgeBox_(tabEdgeBoxWidth) {
    setAttribute(Qt::WA_TranslucentBackground);
    for (NotchTab tab : allCases<NotchTab>()) {
        auto* button = new NotchButton(NotchButton::Look::plain, [this, tab] { bridge_.model().setSelectedTab(tab); }, this);
        const std::string_view name = title(tab);
        button->setText(QString::fromUtf8(name.data(), qsizetype(name.size())));
        button->setTextFont(panelFont(11, FontWeight::medium));
        button->setMinimumTextScale(0.88);
        button->setAccessibleName(button->text());
        tabs_.push_back(button);
    }
    randomize_ = headerIcon(QStringLiteral("shuffle"), 12, QStringLiteral("Randomize"), [this] { bridge_.model().shuffle(); });
    close_ = headerIcon(QStringLiteral("xmark"), 11, QStringLiteral("Close"), [this] { bridge_.model().setExpanded(false); });
    randomize_->setParent(this);
    close_->setParent(this);

    scroll_ = makePanelScrollArea(this);
    content_ = new SelectedTabContent(bridge_, {0, 5, false});
    columns_ = new ExpandedTabContent(content_, 0, edgeBox_);
    setPanelScrolledWidget(*scroll_, columns_);

    // The routing rebuilds its editor on a tab change first (it listened
    // first); the new editor's height is then known here.
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (!NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab)) return;
        sync();
        layoutParts();
    });
    sync();
}

void ExpandedEditor::sync() {
    const NotchTab selected = bridge_.model().selectedTab();
    const auto cases = allCases<NotchTab>();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        const bool on = cases[i] == selected;
        tabs_[i]->setLabelColor(whiteOpacity(on ? 0.92 : 0.36));
        tabs_[i]->setFill(on ? std::optional<QColor>(whiteOpacity(0.09)) : std::nullopt, 8);
    }
}

void ExpandedEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void ExpandedEditor::layoutParts() {
    const double width = std::max<double>(this->width(), 0);
    const double row = std::max(0.0, width - 2 * headerInset_);
    const double icons = 2 * headerIconEdge;
    const double gaps = headerSpacing * double(tabs_.size() + 1);
    const double tabWidth = std::max(0.0, (row - icons - gaps) / double(tabs_.size()));
    // Edges rounded from the running position, so the buttons fill the row
    // without a pixel left over at its end.
    double x = headerInset_;
    const auto place = [&](QWidget* w, double length) {
        const int left = int(std::lround(x));
        const int right = int(std::lround(x + length));
        w->setGeometry(left, 7, std::max(right - left, 0), int(headerRowHeight));
        x += length + headerSpacing;
    };
    for (NotchButton* tab : tabs_) place(tab, tabWidth);
    place(randomize_, headerIconEdge);
    place(close_, headerIconEdge);

    const double contentWidth = std::max(0.0, width - 2 * edgeBox_);
    scroll_->setGeometry(0, headerHeight, int(width), std::max(0, height() - 42));
    content_->setLayoutNumbers({contentWidth, 5, false});
    columns_->setWidths(width, edgeBox_);
    const TabEditor* editor = content_->editor();
    fitScrolledWidget(*scroll_, editor ? editor->sizeHint().height() : 0);
}

}  // namespace glimora
