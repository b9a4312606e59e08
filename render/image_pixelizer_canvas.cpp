#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/image_pixelizer.hpp"

namespace glimora {

void ImagePixelizer::draw(const RGBATarget& target, const PixelImageBuffer& buffer, const Settings& settings,
                          double width, double height, double scale, int threadCount) {
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return;
    if (!target.data || target.width <= 0 || target.height <= 0 || target.stride < target.width * 4) return;
    // A canvas wider than any screen is held to a sane grid size before the
    // conversion to whole points.
    constexpr double largest = 1 << 20;
    const auto targetWidth = std::int64_t(std::max(std::round(std::min(width, largest)), 1.0));
    const auto targetHeight = std::int64_t(std::max(std::round(std::min(height, largest)), 1.0));
    const PixelGrid grid = pixelize(buffer, targetWidth, targetHeight, settings);
    try {
        drawGrid(grid, settings, width, height, scale, target, threadCount);
    } catch (const PixelizerError&) {
        const std::uint8_t ground[4] = {grid.background.red, grid.background.green, grid.background.blue,
                                        255};
        for (std::int64_t y = 0; y < target.height; ++y) {
            std::uint8_t* row = target.data + y * target.stride;
            for (std::int64_t x = 0; x < target.width; ++x) std::memcpy(row + 4 * x, ground, 4);
        }
    }
}

}  // namespace glimora
