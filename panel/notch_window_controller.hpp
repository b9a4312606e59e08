// Owns the notch panel and keeps its frame in step with the editor state:
// computes the frame for the placement, the expanded flag, the tab and the
// screen, and springs the panel there one step per display refresh. The
// panel's size is the controller's alone; its content only fills it.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QMetaObject>

#include "geometry/notch_metrics_measurement.hpp"
#include "geometry/panel_frame.hpp"
#include "geometry/panel_reach.hpp"
#include "geometry/panel_spring.hpp"
#include "panel/notch_panel.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "state/notch_view_model.hpp"
#include "state/panel_layout_inputs.hpp"

class QMenu;
class QScreen;
class QTimer;
class QWidget;
class QWindow;

namespace glimora {

class NotchWindowController {
public:
    // A fresh model when none is given. Builds the panel with its root view
    // but neither shows it nor lays it out.
    explicit NotchWindowController(std::shared_ptr<NotchViewModel> model = nullptr);
    ~NotchWindowController();
    NotchWindowController(const NotchWindowController&) = delete;
    NotchWindowController& operator=(const NotchWindowController&) = delete;

    // Measures the screen and snaps the panel to its frame, then shows it:
    // expanded, it activates the panel; collapsed, it only raises it.
    void bringNotchToFront();

    // The layout pass: target frame, outline radii, content insets; springs
    // there when animated and visible, else snaps.
    void applyLayout(bool animated, bool expansionChanged);
    void handleLayoutChange();
    void handleSideWidthChange();
    // Focus left the application: the open panel closes, unless the photo
    // picker or one of the panel's own dialogs is up.
    void handleResignKey();
    // A dialog of the application closed (not minimised): the open panel
    // takes the focus back, so that the window manager does not hand it to
    // another program while the panel stays open over it; unless the dialog
    // belongs to another window of ours that is still up, or another window
    // of ours has the focus by then.
    void handleDialogClosed(QWidget* dialog);
    // Screens changed: the metrics and the frame follow one event-loop turn
    // later, once for a burst of changes.
    void handleScreenParametersChange();
    void updateMetrics(bool animated);

    // The spring's display link: a timer at the screen's refresh rate that
    // runs only while the panel moves.
    void startDisplayLink();
    void stepSpring(double interval);
    void finishSpring();
    bool isDisplayLinkRunning() const;
    // The nominal frame interval passed to each step (1 / refresh rate).
    double frameInterval() const { return frameInterval_; }

    // Where the layout measures, in place of the panel's screen (tests).
    void setScreenOverride(std::optional<ScreenDescription> screen) { screenOverride_ = std::move(screen); }
    // The screen the layout measures; none when there is no screen at all.
    std::optional<ScreenDescription> screen() const { return currentScreen(); }
    // The ground the panel may cover at this edge of its screen, collapsed or
    // open on any tab; none without a screen.
    std::optional<PanelRect> panelReach(NotchPlacement placement) const;

    // Whether a window of the panel's own (a dialog opened with the panel as
    // its parent) is showing.
    bool hasOpenDialog() const;

    NotchPanel* panel() const { return panel_.get(); }
    const std::shared_ptr<NotchViewModel>& model() const { return model_; }
    NotchViewModelBridge& bridge() const { return *bridge_; }
    const PanelSpring& spring() const { return spring_; }
    const PanelRect& springTargetFrame() const { return spring_.target(); }
    bool lastExpandedState() const { return lastExpandedState_; }

private:
    std::optional<ScreenDescription> currentScreen() const;
    QScreen* qtScreen() const;
    void setPanelFrame(const PanelRect& frame);
    void activatePanel();
    void observeScreen(QScreen* screen);
    void handleFocusWindowChange(QWindow* window);

    std::shared_ptr<NotchViewModel> model_;
    std::unique_ptr<NotchViewModelBridge> bridge_;
    std::unique_ptr<NotchPanel> panel_;
    std::unique_ptr<QTimer> frameTimer_;
    PanelSpring spring_;
    double frameInterval_ = 1.0 / 60;
    bool lastExpandedState_ = false;
    bool screenChangePending_ = false;
    std::optional<ScreenDescription> screenOverride_;
};

}  // namespace glimora
