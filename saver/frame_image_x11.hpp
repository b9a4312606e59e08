// The saver's frame as the X server takes it: an image in shared memory
// (MIT-SHM, attached read-only by the server) where the host may use it, else
// in the program's own memory.
// Frames are drawn as the desktop window draws them, into pixels holding the
// previous frame and only where they changed, and only those rectangles go
// to the server. Where the server's pixel layout is the desktop's own
// (32-bit 0xffRRGGBB words, least significant byte first, on a little-endian
// processor) the image is drawn into directly; elsewhere (the other byte
// order, or 24-bit pixels) the frame is drawn beside it and its changed
// rectangles converted.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <span>
#include <vector>

#include "render/live_canvas.hpp"
#include "render/live_canvas_frames.hpp"
#include "saver/x11_handles_x11.hpp"

namespace glimora {
class OmbriqScreenSaverView;
}

namespace glimora::x11 {

class ServerFence;

// How the server keeps the pixels of an image of the window's depth.
struct ServerPixelLayout {
    int bitsPerPixel = 32;  // 24 or 32
    std::int64_t bytesPerLine = 0;
    bool msbFirst = false;  // the image's byte order
};

// Writes `rect` of `rgba` (rows of `width` RGBA pixels) into `image`, laid
// out as `layout`, as 0xRRGGBB pixels (0xffRRGGBB in 32 bits).
void convertToServerLayout(const ServerPixelLayout& layout, std::uint8_t* image, const std::uint8_t* rgba,
                           std::int64_t width, const WallpaperRenderer::PixelRect& rect);

// Whether the X server on the other end of `connection` runs on this
// machine, so that it can attach our shared memory. A TCP connection may end
// in this machine's loopback and still lead elsewhere (ssh -X forwards one),
// so only a Unix socket counts.
bool isLocalConnection(int connection);

class FrameImage {
public:
    // `threads`: how many threads a frame may share.
    FrameImage(Display* display, Visual* visual, int depth, bool useShm, ServerFence& fence, int threads);
    ~FrameImage();
    FrameImage(const FrameImage&) = delete;
    FrameImage& operator=(const FrameImage&) = delete;

    // A new image of width x height (none for an empty size); its first
    // frame is drawn whole. False when there is no memory for it. The server
    // must be done with the last frame (the fence answered).
    bool resize(int width, int height);

    // Device pixels per point of the screen: the view draws the design of
    // the window's size in points at that density, as the desktop does.
    void setDevicePixelRatio(double ratio) { ratio_ = ratio; }

    bool empty() const { return !image_; }
    bool usesShm() const { return attached_; }
    int width() const { return image_ ? image_->width : 0; }
    int height() const { return image_ ? image_->height : 0; }

    // The view's frame, drawn where it changed; the changed rectangles.
    std::span<const WallpaperRenderer::PixelRect> draw(OmbriqScreenSaverView& view);
    // Sends `rects` of the image to `window` (nothing for none); true when
    // something was sent.
    bool put(Window window, GC gc, std::span<const WallpaperRenderer::PixelRect> rects);
    // Sends the whole image.
    bool putWhole(Window window, GC gc);

private:
    bool makeShared(int width, int height);
    bool makePlain(int width, int height);
    void release();

    Display* display_;
    Visual* visual_;
    int depth_;
    bool useShm_;
    ServerFence& fence_;
    int threads_;
    double ratio_ = 1;
    // Drawn straight into the image: the desktop's layout is the server's.
    bool direct_ = false;

    ImageHandle image_;
    SharedSegment segment_;
    XShmSegmentInfo shmInfo_{};
    bool attached_ = false;
    std::vector<std::uint8_t> plainPixels_;  // the image's pixels without shared memory
    std::vector<std::uint8_t> drawn_;        // the frame in RGBA, when it cannot be drawn into the image
    WallpaperRenderer::LiveCanvasFrames frames_;
    WallpaperRenderer::PixelRect whole_{};
};

}  // namespace glimora::x11
