// What the desktop-cover x11 programs share beyond the x11 harness: the
// screen's pixels as the renderer's bytes, the whole frame the export draws
// for comparison, the design started animating on the desktop, and windows of
// another client. Header-only: each *_x11_test.cpp is a program of its own.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "render/live_canvas.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "views/animated_pixel_gradient_view.hpp"
#include "views/wallpaper_canvas_view.hpp"
#include "windows/wallpaper_window_controller.hpp"

// Xlib last: its macros (Bool, Status) break Qt headers that follow them.
#include "tests/shell/x11_harness.hpp"

namespace glimora::desktoptest {

using x11test::application;
using x11test::processEventsUntil;
using x11test::runEventLoopFor;

// The screen as RGBX bytes.
inline std::vector<std::uint8_t> screenBytes(Display* display, int width, int height) {
    return x11test::rgbaBytes(x11test::grabWindow(display, 0, 0, 0, width, height));
}

// A whole frame of the design at clock time `time`, drawn afresh.
inline std::vector<std::uint8_t> wholeFrame(NotchViewModel& model, double time, int width, int height) {
    std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4);
    WallpaperRenderer::draw(makeExportSettings(model, std::nullopt, time),
                            {{bytes.data(), width, height, std::int64_t(width) * 4}, 1, 1}, width, height);
    return bytes;
}

// Pixels whose colour differs; -1 when the sizes do.
inline std::int64_t differingPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return -1;
    std::int64_t count = 0;
    for (std::size_t i = 0; i < a.size(); i += 4)
        count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return count;
}

// Writes `program-state.png` under the build's test artefacts; prints the path.
inline void keepScreenshot(const std::vector<std::uint8_t>& bytes, int width, int height,
                           const std::string& program, const std::string& state) {
    x11test::keepScreenshot(bytes, width, height, program + "-" + state);
}

inline bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Starts the model's design animating on the desktop and waits until frames
// come and the window manager has mapped the window (on a busy machine it
// may do so a while later).
inline AnimatedPixelGradientView& showAnimating(WallpaperWindowController& controller, NotchViewModel& model,
                                                Display* display) {
    model.toggleAnimation();
    controller.show();
    auto* canvas = qobject_cast<WallpaperCanvasView*>(controller.contentView());
    EXPECT_NE(canvas, nullptr);
    EXPECT_TRUE(processEventsUntil([&] { return canvas->content() == CanvasContent::animatedGradient; }, 5000));
    AnimatedPixelGradientView& view = *canvas->animationView();
    EXPECT_TRUE(processEventsUntil([&] { return view.framesDrawn() > 2; }, 10000));
    const auto window = static_cast<Window>(controller.window()->winId());
    EXPECT_TRUE(processEventsUntil([&] { return isViewable(display, window); }, 10000));
    runEventLoopFor(300);
    return view;
}

// A plain window of another client (the connection `display`), mapped on
// top; with `fullScreen`, it asks the window manager to fill its monitor.
inline Window mapClientWindow(Display* display, int x, int y, int width, int height, bool fullScreen) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, unsigned(width),
                                              unsigned(height), 0, 0, 0x203040);
    if (fullScreen) {
        const Atom state = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&state), 1);
    }
    XMapRaised(display, window);
    XSync(display, False);
    return window;
}

}  // namespace glimora::desktoptest
