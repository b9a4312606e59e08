#include "panel/expanded_editor.hpp"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

#include "controls/notch_button.hpp"

namespace glimora {

namespace {

constexpr double headerRowHeight = 28;
constexpr double headerSpacing = 2;
constexpr double headerIconEdge = 28;

NotchButton* headerIcon(const QString& symbol, double pixelSize, const QString& help, std::function<void()> action,
                        QWidget* parent) {
    NotchButton* button =
        makeIconButton(symbol, pixelSize, FontWeight::semibold, help, QSize(28, 28), std::move(action), parent);
    button->setLabelColor(whiteOpacity(0.42));
    return button;
}

}  // namespace

ExpandedEditor::ExpandedEditor(NotchViewModelBridge& bridge, double headerHorizontalInset, double tabEdgeBoxWidth,
                               QWidget* parent)
    : QWidget(parent), bridge_(bridge), headerInset_(headerHorizontalInset) {
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
    randomize_ = headerIcon(QStringLiteral("shuffle"), 12, QStringLiteral("Randomize"), [this] { bridge_.model().shuffle(); }, this);
    close_ = headerIcon(QStringLiteral("xmark"), 11, QStringLiteral("Close"), [this] { bridge_.model().setExpanded(false); }, this);

    scroll_ = new TabScrollArea(bridge_, 5, false, tabEdgeBoxWidth, 0, this);
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::selectedTab)) sync();
    });
    sync();
}

void ExpandedEditor::sync() {
    const NotchTab selected = bridge_.model().selectedTab();
    const auto cases = allCases<NotchTab>();
    for (std::size_t i = 0; i < tabs_.size(); ++i) showTabSelected(*tabs_[i], cases[i] == selected, 0.36);
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
    scroll_->setGeometry(0, headerHeight, int(width), std::max(0, height() - 42));
}

}  // namespace glimora
