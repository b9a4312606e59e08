// What the desktop window shows: the live view of the current design.
#pragma once

#include <memory>

#include <QWidget>

#include "state/notch_view_model.hpp"

namespace glimora {

// The desktop window's content for the model (parentless; the window adopts
// it). The window's controller keeps the model alive for as long as the view.
QWidget* makeDesktopContentView(const std::shared_ptr<NotchViewModel>& model);

}  // namespace glimora
