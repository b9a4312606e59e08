// What the desktop-cover x11 programs share: Qt's event loop run for a while
// or until a condition holds, the screen's pixels, the whole frame the export
// draws for comparison, and screenshots kept as test artefacts. Header-only:
// each *_x11_test.cpp is a program of its own.
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
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace glimora::desktoptest {

inline QApplication& application(const char* programName) {
    static int argc = 1;
    static std::string name = programName;
    static char* argv[] = {name.data(), nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *qobject_cast<QApplication*>(QApplication::instance());
}

inline void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `condition` holds, for at most `milliseconds`.
inline bool runUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        runEventLoopFor(10);
    }
    return true;
}

// The screen as RGBX bytes.
inline std::vector<std::uint8_t> screenBytes(Display* display, int width, int height) {
    XImage* shot = XGetImage(display, DefaultRootWindow(display), 0, 0, unsigned(width), unsigned(height),
                             AllPlanes, ZPixmap);
    std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4);
    if (!shot) return {};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            std::uint8_t* out = bytes.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
            out[0] = std::uint8_t(pixel >> 16), out[1] = std::uint8_t(pixel >> 8), out[2] = std::uint8_t(pixel);
            out[3] = 255;
        }
    }
    XDestroyImage(shot);
    return bytes;
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
    const QImage image(bytes.data(), width, height, width * 4, QImage::Format_RGBX8888);
    const auto folder = std::filesystem::path(GLIMORA_ARTEFACT_DIR);
    std::filesystem::create_directories(folder);
    const auto path = folder / (program + "-" + state + ".png");
    image.save(QString::fromStdString(path.string()));
    std::printf("screenshot (%s): %s\n", state.c_str(), path.c_str());
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
    EXPECT_TRUE(runUntil([&] { return canvas->content() == CanvasContent::animatedGradient; }, 5000));
    AnimatedPixelGradientView& view = *canvas->animationView();
    EXPECT_TRUE(runUntil([&] { return view.framesDrawn() > 2; }, 10000));
    const auto window = static_cast<Window>(controller.window()->winId());
    EXPECT_TRUE(runUntil([&] { return isViewable(display, window); }, 10000));
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
