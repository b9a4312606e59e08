#include "windows/desktop_content.hpp"

#include "views/wallpaper_canvas_view.hpp"

namespace glimora {

QWidget* makeDesktopContentView(const std::shared_ptr<NotchViewModel>& model) {
    return new WallpaperCanvasView(*model);
}

}  // namespace glimora
