// The root of what the panel shows: picks the shell view for the placement
// and the expanded flag (capsule or open editor at the top and bottom, rail
// or side editor at the left and right), sizes it to the panel, and keeps
// the strip behind a camera housing empty when the open panel hangs from a
// notched top edge. It never decides the panel's size; it fills it.
#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"

namespace glimora {

enum class ShellView { compactCapsule, expandedEditor, sideCompactRail, sideExpandedEditor };

ShellView shellViewFor(NotchPlacement placement, bool expanded);

class NotchRootView final : public QWidget {
public:
    // Makes a shell view in place of the panel's own (tests); nothing: the
    // panel's own view.
    using ShellFactory = std::function<QWidget*(ShellView, NotchViewModelBridge&)>;

    // The bridge must outlive the view.
    explicit NotchRootView(NotchViewModelBridge& bridge, QWidget* parent = nullptr);

    void setShellFactory(ShellFactory factory);

    // The panel's own view of each kind, with its layout numbers.
    static QWidget* makeShellView(ShellView view, NotchViewModelBridge& bridge);

    ShellView shownShell() const { return shown_; }
    QWidget* shellView() const { return shell_; }

    // The empty strip at the top: the notch's height while the open panel
    // hangs from a notched top edge, else 0.
    static double contentTopInset(const NotchViewModel& model);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void sync();
    void rebuild();
    void layoutShell();

    NotchViewModelBridge& bridge_;
    ShellFactory factory_;
    ShellView shown_ = ShellView::compactCapsule;
    QPointer<QWidget> shell_;
};

}  // namespace glimora
