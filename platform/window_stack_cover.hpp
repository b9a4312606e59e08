// Whether the window manager's client windows hide a screen area entirely.
// Under a compositing manager every window is drawn off screen and the X
// server calls each one unobscured, so a full-screen window over the desktop
// has to be found from what the window manager publishes. Plain data here,
// gathered by the X11 side, so that the rule is testable without a server.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace glimora {

// A rectangle on the root window, in device pixels.
struct ScreenArea {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    // Whether `other` lies wholly inside this area (an empty one never does).
    bool contains(const ScreenArea& other) const;
    bool containsPoint(std::int64_t px, std::int64_t py) const;
};

// _NET_WM_DESKTOP's value for a window shown on every desktop.
inline constexpr std::uint32_t allDesktops = 0xFFFFFFFFu;

// One managed client window as the window manager describes it.
struct ClientWindowState {
    // Mapped with every ancestor mapped (map state IsViewable).
    bool viewable = false;
    // In the normal stacking layer: not typed desktop or dock and not kept
    // below (_NET_WM_STATE_BELOW).
    bool normalLayer = true;
    bool fullScreen = false;  // _NET_WM_STATE_FULLSCREEN
    bool hidden = false;      // _NET_WM_STATE_HIDDEN: minimised
    bool shaded = false;      // _NET_WM_STATE_SHADED: only its title bar shows
    // _NET_WM_DESKTOP; nothing when the window manager does not say.
    std::optional<std::uint32_t> desktop;
    // The client's own area on the root window (its frame not included).
    ScreenArea area;
};

// Whether the window is one that hides `monitor` from sight: viewable, in
// the normal layer, neither minimised nor shaded, on `currentDesktop` (or on
// all; a window or a current desktop left unsaid counts as on it), and either
// full screen on that monitor (its centre on it: the window manager fits it
// to the monitor it is on) or covering the whole monitor with its own area.
bool coversMonitor(const ClientWindowState& window, std::optional<std::uint32_t> currentDesktop,
                   const ScreenArea& monitor);

// Whether any of `windows` hides `monitor` (see coversMonitor).
bool anyCoversMonitor(std::span<const ClientWindowState> windows, std::optional<std::uint32_t> currentDesktop,
                      const ScreenArea& monitor);

}  // namespace glimora
