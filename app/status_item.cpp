#include "app/status_item.hpp"

#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace glimora {

SystemTrayStatusItem::SystemTrayStatusItem(std::shared_ptr<Logger> logger) : logger_(std::move(logger)) {}

SystemTrayStatusItem::~SystemTrayStatusItem() = default;

void SystemTrayStatusItem::show(QMenu* menu, const QIcon& icon, const QString& toolTip) {
    if (!trayIcon_) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>();
        if (!QSystemTrayIcon::isSystemTrayAvailable() && logger_)
            logger_->log("Glimora has no status item: this desktop has no system tray");
    }
    trayIcon_->setIcon(icon);
    trayIcon_->setToolTip(toolTip);
    trayIcon_->setContextMenu(menu);
    // A left click opens the menu too, as the status item's click does.
    QObject::disconnect(activation_);
    activation_ = QObject::connect(trayIcon_.get(), &QSystemTrayIcon::activated, menu,
                                   [menu](QSystemTrayIcon::ActivationReason reason) {
                                       if (reason == QSystemTrayIcon::Trigger) menu->popup(QCursor::pos());
                                   });
    trayIcon_->show();
}

bool SystemTrayStatusItem::isAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
    QPainterPath outline;
    outline.addRoundedRect(tile, size * 0.22, size * 0.22);

    QLinearGradient gradient(tile.topLeft(), tile.bottomRight());
    gradient.setColorAt(0.0, QColor(38, 20, 84));
    gradient.setColorAt(0.45, QColor(214, 64, 148));
    gradient.setColorAt(1.0, QColor(255, 196, 92));
    painter.fillPath(outline, gradient);

    // A staircase of square cells across the lower right: the pixel grid.
    painter.setClipPath(outline);
    painter.setPen(Qt::NoPen);
    const int cells = 4;
    const double cell = tile.width() / cells;
    for (int row = 0; row < cells; ++row) {
        for (int column = cells - 1 - row; column < cells; ++column) {
            const double shade = 0.55 + 0.15 * (row + column - cells + 1);
            painter.setBrush(QColor::fromRgbF(1, 1, 1, static_cast<float>(std::min(0.9, shade * 0.5))));
            painter.drawRect(QRectF(tile.left() + column * cell, tile.top() + row * cell, cell, cell)
                                 .adjusted(cell * 0.08, cell * 0.08, -cell * 0.08, -cell * 0.08));
        }
    }
    painter.setClipping(false);
    painter.setPen(QPen(QColor(255, 255, 255, 70), std::max(1.0, size / 32.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    return pixmap;
}

}  // namespace

QIcon statusItemIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace glimora
