// The status item's menu and its actions.
#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "app/app_delegate.hpp"
#include "app/notch_placement_settings_view.hpp"

namespace glimora {

std::string_view AppDelegate::placementTitle(NotchPlacement placement) {
    switch (placement) {
    case NotchPlacement::top: return "Top";
    case NotchPlacement::left: return "Left";
    case NotchPlacement::right: return "Right";
    case NotchPlacement::bottom: return "Bottom";
    }
    return "Top";
}

void AppDelegate::buildStatusItem() {
    statusItem_ = environment_.makeStatusItem ? environment_.makeStatusItem() : nullptr;

    statusMenu_ = std::make_unique<QMenu>();
    QMenu* menu = statusMenu_.get();
    const auto item = [menu](const char* title, auto action) {
        QAction* added = menu->addAction(QString::fromUtf8(title));
        QObject::connect(added, &QAction::triggered, menu, action);
        return added;
    };

    item("Show Gradient Controls", [this] { showGradientControls(); });
    QMenu* placements = menu->addMenu(QStringLiteral("Notch Position"));
    for (const NotchPlacement placement : allCases<NotchPlacement>()) {
        QAction* choice = placements->addAction(placementTitleText(placement));
        choice->setData(QString::fromUtf8(rawValue(placement).data(), qsizetype(rawValue(placement).size())));
        choice->setCheckable(true);
        QObject::connect(choice, &QAction::triggered, menu, [this, choice] { selectNotchPlacement(choice); });
        notchPlacementMenuItems_.insert_or_assign(placement, choice);
    }
    item("Open Recipe Library", [this] { showRecipeLibrary(); });
    item("Set Up Screen Saver…", [this] { showScreenSaverSetup(); });
    item("Choose Output Folder…", [this] { chooseOutputFolder(); });
    menu->addSeparator();
    launchAtLoginItem_ = item("Launch at Login", [this] { toggleLaunchAtLogin(); });
    launchAtLoginItem_->setCheckable(true);
    menu->addSeparator();
    QAction* checkForUpdates = item("Check for Updates…", [this] {
        if (updaterController_) updaterController_->checkForUpdates();
    });
    checkForUpdates->setEnabled(isUpdaterConfigured());
    menu->addSeparator();
    QAction* quitItem = item("Quit Chromafold", [this] { quit(); });
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitItem->setMenuRole(QAction::QuitRole);

    if (statusItem_) statusItem_->show(menu, statusItemIcon(), QStringLiteral("Chromafold"));
    updateLaunchAtLoginItem();
    updatePlacementMenuState();
}

void AppDelegate::updatePlacementMenuState() {
    for (const NotchPlacement placement : allCases<NotchPlacement>()) {
        const auto found = notchPlacementMenuItems_.find(placement);
        if (found == notchPlacementMenuItems_.end()) continue;
        found->second->setChecked(rawValue(placement) == rawValue(model_->notchPlacement()));
    }
}

void AppDelegate::showGradientControls() {
    model_->setExpanded(true);
    model_->setSelectedTab(NotchTab::shape);
    if (notchWindowController_) notchWindowController_->bringNotchToFront();
}

void AppDelegate::showRecipeLibrary() {
    model_->setExpanded(true);
    model_->setSelectedTab(NotchTab::history);
    if (notchWindowController_) notchWindowController_->bringNotchToFront();
}

void AppDelegate::selectNotchPlacement(QAction* sender) {
    if (!sender) return;
    const QVariant represented = sender->data();
    if (represented.typeId() != QMetaType::QString) return;
    const auto placement = fromRawValue<NotchPlacement>(represented.toString().toStdString());
    if (!placement) return;
    model_->setNotchPlacement(*placement);
    updatePlacementMenuState();
}

void AppDelegate::showScreenSaverSetup() { openScreenSaverBundle(); }

void AppDelegate::chooseOutputFolder() { model_->chooseOutputFolder(); }

void AppDelegate::toggleLaunchAtLogin() {
    if (!environment_.loginItem) return;
    LoginItem& loginItem = *environment_.loginItem;
    const bool wasEnabled = loginItem.status() == LoginItem::Status::enabled;
    model_->services().preferences->setValue(launchAtLoginKey, !wasEnabled);
    const auto failure = wasEnabled ? loginItem.unregisterItem() : loginItem.registerItem();
    if (failure) log("Chromafold could not update launch at login: " + *failure);
    updateLaunchAtLoginItem();
}

void AppDelegate::quit() {
    if (environment_.terminate) environment_.terminate();
}

}  // namespace glimora
