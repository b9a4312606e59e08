#include "platform/window_stack_cover.hpp"

#include <algorithm>

namespace glimora {

bool ScreenArea::contains(const ScreenArea& other) const {
    if (empty() || other.empty()) return false;
    return other.x >= x && other.y >= y && other.x + other.width <= x + width &&
           other.y + other.height <= y + height;
}

bool ScreenArea::containsPoint(std::int64_t px, std::int64_t py) const {
    return !empty() && px >= x && py >= y && px < x + width && py < y + height;
}

bool coversMonitor(const ClientWindowState& window, std::optional<std::uint32_t> currentDesktop,
                   const ScreenArea& monitor) {
    if (!window.viewable || !window.normalLayer || window.hidden || window.shaded) return false;
    if (monitor.empty() || window.area.empty()) return false;
    if (window.desktop && currentDesktop && *window.desktop != allDesktops && *window.desktop != *currentDesktop)
        return false;
    if (window.area.contains(monitor)) return true;
    if (!window.fullScreen) return false;
    // Halved separately so that huge coordinates cannot overflow the sum.
    const std::int64_t centreX = window.area.x + window.area.width / 2;
    const std::int64_t centreY = window.area.y + window.area.height / 2;
    return monitor.containsPoint(centreX, centreY);
}

bool anyCoversMonitor(std::span<const ClientWindowState> windows, std::optional<std::uint32_t> currentDesktop,
                      const ScreenArea& monitor) {
    return std::any_of(windows.begin(), windows.end(), [&](const ClientWindowState& window) {
        return coversMonitor(window, currentDesktop, monitor);
    });
}

}  // namespace glimora
