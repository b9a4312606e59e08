#include "app/notch_placement_settings_view.hpp"

#include "app/app_delegate.hpp"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QVBoxLayout>

namespace glimora {

namespace {

QString secondaryStyle(const QWidget& widget) {
    QColor color = widget.palette().color(QPalette::WindowText);
    color.setAlphaF(0.55f);
    return QStringLiteral("color: %1;").arg(color.name(QColor::HexArgb));
}

QFont systemFont(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// "arrow.up" and its turns: a shaft with a head, pointing away from the centre.
QIcon arrowIcon(NotchPlacement placement, const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(16, 16);
    switch (placement) {
    case NotchPlacement::top: break;
    case NotchPlacement::right: painter.rotate(90); break;
    case NotchPlacement::bottom: painter.rotate(180); break;
    case NotchPlacement::left: painter.rotate(270); break;
    }
    QPen pen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, 11), QPointF(0, -11));
    QPainterPath head;
    head.moveTo(-8, -3);
    head.lineTo(0, -11);
    head.lineTo(8, -3);
    painter.drawPath(head);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

QString placementTitleText(NotchPlacement placement) {
    const std::string_view title = AppDelegate::placementTitle(placement);
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

NotchPlacementSettingsView::NotchPlacementSettingsView(NotchViewModelBridge& bridge, QWidget* parent)
    : QWidget(parent), bridge_(bridge), current_(new QLabel) {
    setFixedSize(contentWidth, contentHeight);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(16);

    auto* header = new QVBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(5);
    auto* title = new QLabel(QStringLiteral("Notch Position"));
    title->setFont(systemFont(20, QFont::DemiBold));
    auto* subtitle =
        new QLabel(QStringLiteral("Choose the screen edge where Ombriq should live. The change applies immediately."));
    subtitle->setFont(systemFont(12, QFont::Normal));
    subtitle->setWordWrap(true);
    subtitle->setStyleSheet(secondaryStyle(*this));
    header->addWidget(title);
    header->addWidget(subtitle);
    stack->addLayout(header);

    auto* picker = new QVBoxLayout;
    picker->setContentsMargins(0, 0, 0, 0);
    picker->setSpacing(4);
    auto* group = new QButtonGroup(this);
    const QColor iconColor = palette().color(QPalette::WindowText);
    for (const NotchPlacement placement : allCases<NotchPlacement>()) {
        auto* button = new QRadioButton(placementTitleText(placement));
        button->setIcon(arrowIcon(placement, iconColor));
        button->setIconSize(QSize(12, 12));
        button->setAccessibleName(placementTitleText(placement));
        group->addButton(button);
        picker->addWidget(button);
        buttons_.emplace(placement, button);
        QObject::connect(button, &QRadioButton::toggled, this, [this, placement](bool checked) {
            // Writes through the model's setter, which ignores an unchanged value.
            if (checked && bridge_.model().notchPlacement() != placement) bridge_.model().setNotchPlacement(placement);
        });
    }
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(0, 0, 0, 0);
    auto* pickerLabel = new QLabel(QStringLiteral("Position"));
    pickerLabel->setAlignment(Qt::AlignTop);
    pickerRow->addWidget(pickerLabel);
    pickerRow->addLayout(picker);
    pickerRow->addStretch();
    stack->addLayout(pickerRow);

    current_->setFont(systemFont(11, QFont::Medium));
    current_->setStyleSheet(secondaryStyle(*this));
    stack->addWidget(current_);
    stack->addStretch();

    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [this](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::notchPlacement)) sync();
    });
    sync();
}

QString NotchPlacementSettingsView::currentPositionText() const { return current_->text(); }

void NotchPlacementSettingsView::sync() {
    const NotchPlacement placement = bridge_.model().notchPlacement();
    QRadioButton* chosen = buttons_.at(placement);
    if (!chosen->isChecked()) chosen->setChecked(true);
    current_->setText(QStringLiteral("Current position: ") + placementTitleText(placement));
}

QWidget* makeNotchPlacementSettingsWindow(NotchViewModelBridge& bridge, QWidget* parent) {
    auto* window = new NotchPlacementSettingsView(bridge, parent);
    window->setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    window->setWindowTitle(QStringLiteral("Notch Position"));
    window->setObjectName(QStringLiteral("GlimoraSettingsWindow"));
    return window;
}

}  // namespace glimora
