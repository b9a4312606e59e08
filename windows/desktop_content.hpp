// What the desktop window shows. The live canvas plugs in here; until it does,
// a plain field of the design's first palette colour stands in for it.
#pragma once

#include <memory>

#include <QWidget>

#include "state/notch_view_model.hpp"

namespace glimora {

// The desktop window's content for the model (parentless; the window adopts it).
QWidget* makeDesktopContentView(const std::shared_ptr<NotchViewModel>& model);

// The design's first palette colour over the whole area, repainted when the
// palette changes.
class DesktopPlaceholderView final : public QWidget {
public:
    explicit DesktopPlaceholderView(std::shared_ptr<NotchViewModel> model, QWidget* parent = nullptr);
    ~DesktopPlaceholderView() override;

    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<NotchViewModel> model_;
    NotchViewModel::ListenerId listener_;
};

}  // namespace glimora
