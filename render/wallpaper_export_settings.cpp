#include "render/wallpaper_export_settings.hpp"

#include <cmath>

namespace glimora {

namespace {

std::uint8_t truncatedByte(double component) {
    const double value = std::trunc(component * 255);
    if (!(value > 0)) return 0;  // also a component that is not a number
    if (value >= 255) return 255;
    return static_cast<std::uint8_t>(value);
}

}  // namespace

WallpaperExportSettings::RGB WallpaperExportSettings::rgb(const Color& color) {
    return {truncatedByte(color.red), truncatedByte(color.green), truncatedByte(color.blue)};
}

}  // namespace glimora
