#include "windows/desktop_content.hpp"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace glimora {

QWidget* makeDesktopContentView(const std::shared_ptr<NotchViewModel>& model) {
    return new DesktopPlaceholderView(model);
}

DesktopPlaceholderView::DesktopPlaceholderView(std::shared_ptr<NotchViewModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    listener_ = model_->onChange([this](NotchViewModel::Prop prop) {
        if (prop == NotchViewModel::Prop::paletteIndex || prop == NotchViewModel::Prop::customPaletteStops) update();
    });
}

DesktopPlaceholderView::~DesktopPlaceholderView() { model_->removeChangeListener(listener_); }

QColor DesktopPlaceholderView::fillColor() const {
    const auto colors = model_->activePalette().colors;
    if (colors.empty()) return Qt::black;
    const auto channel = [](double value) {
        return static_cast<int>(std::round(std::clamp(std::isnan(value) ? 0.0 : value, 0.0, 1.0) * 255.0));
    };
    const Color& first = colors.front();
    return QColor(channel(first.red), channel(first.green), channel(first.blue));
}

void DesktopPlaceholderView::paintEvent(QPaintEvent*) { QPainter(this).fillRect(rect(), fillColor()); }

}  // namespace glimora
