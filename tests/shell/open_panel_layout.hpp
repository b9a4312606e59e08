// Where the running application's open panel puts its controls, in its
// window's coordinates: the application's own panel views, laid out in the
// test's process at the open panel's size as the window controller lays them
// out, never shown on screen. For the x11 tests that click into the panel of
// the built glimora from outside it. Include before x11_harness.hpp.
#pragma once

#include <cmath>
#include <memory>

#include <QEventLoop>
#include <QRect>
#include <QString>
#include <QTimer>

#include "geometry/panel_frame.hpp"
#include "panel/notch_panel.hpp"
#include "panel/notch_root_view.hpp"
#include "panel/notch_window_controller.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora::x11test {

class OpenPanelLayout {
public:
    // Needs the program's QApplication.
    explicit OpenPanelLayout(NotchPlacement placement = NotchPlacement::top) : model_(harness_.make()), firstTab_(model_->selectedTab()) {
        model_->setNotchPlacement(placement);
        model_->setExpanded(true);
        bridge_ = std::make_unique<NotchViewModelBridge>(*model_);
        panel_ = std::make_unique<NotchPanel>();
        panel_->setContentView(new NotchRootView(*bridge_));
        const double inset = panelLayout(panelLayoutInputs(*model_)).hostingInset;
        panel_->windowContentView()->setHostingInsets(QMarginsF(inset, 0, inset, 0));
        panel_->setAttribute(Qt::WA_DontShowOnScreen);
        panel_->resize(760, 300);
        panel_->show();
        settle();
    }

    // The control of this accessible name with `tab` selected, in a panel of
    // this size; empty when that tab shows no such control.
    QRect control(NotchTab tab, const QString& name, QSize size) {
        model_->setSelectedTab(tab);
        panel_->resize(size);
        settle();
        QWidget* found = nullptr;
        for (QWidget* child : panel_->findChildren<QWidget*>())
            if (child->accessibleName() == name && child->isVisible()) found = child;
        if (!found) return {};
        return QRect(found->mapTo(panel_.get(), QPoint(0, 0)), found->size());
    }

    // The tab selected when the application starts.
    NotchTab firstTab() const { return firstTab_; }

    // The open panel's height with `tab` selected (and no photos).
    int openHeight(NotchTab tab) {
        model_->setSelectedTab(tab);
        return int(std::lround(model_->expandedPanelHeight()));
    }

private:
    // Lets the views lay out and swap their editors (which takes timers).
    static void settle() {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }

    test::ModelHarness harness_;
    std::shared_ptr<NotchViewModel> model_;
    std::unique_ptr<NotchViewModelBridge> bridge_;
    std::unique_ptr<NotchPanel> panel_;
    NotchTab firstTab_;
};

}  // namespace glimora::x11test
