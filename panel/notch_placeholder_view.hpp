// What the panel shows until its own views arrive: the selected tab's title
// on the panel's black surface. A click on the collapsed panel opens it and
// Escape closes it, so it can be seen, expanded and collapsed.
#pragma once

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"

class QLabel;

namespace glimora {

class NotchPlaceholderView final : public QWidget {
public:
    // The bridge must outlive the view.
    explicit NotchPlaceholderView(NotchViewModelBridge& bridge, QWidget* parent = nullptr);

    QString titleText() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void sync();

    NotchViewModelBridge& bridge_;
    QLabel* title_;
};

}  // namespace glimora
