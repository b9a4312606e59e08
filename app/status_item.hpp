// The application's item in the desktop's status area: an icon with a menu.
#pragma once

#include <memory>

#include <QIcon>
#include <QObject>
#include <QString>

#include "platform/logger.hpp"

class QMenu;
class QSystemTrayIcon;

namespace glimora {

class StatusItem {
public:
    virtual ~StatusItem() = default;
    // Shows the item with its icon, tooltip and menu (the menu stays the caller's).
    virtual void show(QMenu* menu, const QIcon& icon, const QString& toolTip) = 0;
    // Whether the desktop shows it; without, its menu needs another way in.
    virtual bool isAvailable() const { return true; }
};

// A QSystemTrayIcon. Where the desktop has no tray it says so in the log once;
// Qt still docks the icon should a tray appear later.
class SystemTrayStatusItem final : public StatusItem {
public:
    explicit SystemTrayStatusItem(std::shared_ptr<Logger> logger);
    ~SystemTrayStatusItem() override;
    void show(QMenu* menu, const QIcon& icon, const QString& toolTip) override;
    bool isAvailable() const override;

private:
    std::shared_ptr<Logger> logger_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    QMetaObject::Connection activation_;
};

// Our own picture for the status item, drawn at the usual tray sizes: a
// rounded tile with a gradient in the spirit of the default design and a
// pixel step along its edge. It keeps its colours (not a template image).
QIcon statusItemIcon();

}  // namespace glimora
