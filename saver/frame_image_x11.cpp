#include "saver/frame_image_x11.hpp"

#include <sys/socket.h>

#include <bit>
#include <new>

#include "saver/ombriq_screen_saver_view.hpp"
#include "saver/server_fence_x11.hpp"

namespace glimora::x11 {

void convertToServerLayout(const ServerPixelLayout& layout, std::uint8_t* image, const std::uint8_t* rgba,
                           std::int64_t width, const WallpaperRenderer::PixelRect& rect) {
    // Byte by byte, most significant first or last as the server says;
    // 24 bits leave out the top byte.
    const std::int64_t bytesPerPixel = layout.bitsPerPixel / 8;
    for (std::int64_t y = rect.y; y < rect.y + rect.height; ++y) {
        const std::uint8_t* from = rgba + (y * width + rect.x) * 4;
        std::uint8_t* to = image + y * layout.bytesPerLine + rect.x * bytesPerPixel;
        for (std::int64_t x = 0; x < rect.width; ++x, from += 4, to += bytesPerPixel) {
            const std::uint32_t pixel = 0xff000000u | (std::uint32_t(from[0]) << 16) |
                                        (std::uint32_t(from[1]) << 8) | std::uint32_t(from[2]);
            for (std::int64_t byte = 0; byte < bytesPerPixel; ++byte) {
                const std::int64_t shift = 8 * (layout.msbFirst ? bytesPerPixel - 1 - byte : byte);
                to[byte] = std::uint8_t(pixel >> shift);
            }
        }
    }
}

bool isLocalConnection(int connection) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return ::getsockname(connection, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_UNIX;
}

FrameImage::FrameImage(Display* display, Visual* visual, int depth, bool useShm, ServerFence& fence, int threads)
    : display_(display), visual_(visual), depth_(depth), useShm_(useShm), fence_(fence), threads_(threads) {}

FrameImage::~FrameImage() { release(); }

bool FrameImage::resize(int width, int height) {
    release();
    if (width <= 0 || height <= 0) return true;
    if (!useShm_ || !makeShared(width, height)) {
        useShm_ = false;
        if (!makePlain(width, height)) return false;
    }
    // The desktop's layout is the server's: 0xffRRGGBB words, least
    // significant byte first, which a little-endian processor writes as
    // its native words.
    direct_ = image_->byte_order == LSBFirst && std::endian::native == std::endian::little &&
              image_->bits_per_pixel == 32;
    frames_.setNativeOrder(direct_);
    frames_.forget();
    whole_ = {0, 0, width, height};
    if (direct_) return true;
    try {
        drawn_.assign(std::size_t(width) * std::size_t(height) * 4, 0);
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    return true;
}

void FrameImage::release() {
    if (attached_) {
        // Our side is detached by the segment's holder; the segment goes
        // with the server's detach.
        XShmDetach(display_, &shmInfo_);
        XFlush(display_);
        attached_ = false;
    }
    image_.reset();
    segment_ = SharedSegment();
    std::vector<std::uint8_t>().swap(plainPixels_);
    std::vector<std::uint8_t>().swap(drawn_);
    frames_.forget();
}

bool FrameImage::makeShared(int width, int height) {
    image_.reset(XShmCreateImage(display_, visual_, unsigned(depth_), ZPixmap, nullptr, &shmInfo_, unsigned(width),
                                 unsigned(height)));
    if (!image_) return false;
    segment_ = SharedSegment(std::size_t(image_->bytes_per_line) * std::size_t(height));
    if (!segment_) {
        image_.reset();
        return false;
    }
    shmInfo_.shmid = segment_.id();
    shmInfo_.shmaddr = image_->data = segment_.address();
    // The server only reads the frames.
    shmInfo_.readOnly = True;
    errorTrap.any = false;
    const bool sent = XShmAttach(display_, &shmInfo_);
    fence_.post();
    const bool answered = fence_.wait(ServerFence::timeout);
    if (!sent || !answered || errorTrap.any) {
        // A server that refused the segment is drawn for without it. One
        // that did not answer in time is left with its marker pending: the
        // host gives up on it.
        image_.reset();
        segment_ = SharedSegment();
        return false;
    }
    attached_ = true;
    return true;
}

bool FrameImage::makePlain(int width, int height) {
    image_.reset(XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0, nullptr, unsigned(width),
                              unsigned(height), 32, 0));
    if (!image_) return false;
    try {
        plainPixels_.assign(std::size_t(image_->bytes_per_line) * std::size_t(height), 0);
    } catch (const std::bad_alloc&) {
        image_.reset();
        return false;
    }
    image_->data = reinterpret_cast<char*>(plainPixels_.data());
    return true;
}

std::span<const WallpaperRenderer::PixelRect> FrameImage::draw(OmbriqScreenSaverView& view) {
    if (!image_) return {};
    const int width = image_->width, height = image_->height;
    const double points = 1 / ratio_;
    if (direct_) {
        const WallpaperRenderer::CanvasContext context{
            {reinterpret_cast<std::uint8_t*>(image_->data), width, height, image_->bytes_per_line}, ratio_,
            threads_};
        return view.drawFrame(context, width * points, height * points, frames_);
    }
    const WallpaperRenderer::CanvasContext context{{drawn_.data(), width, height, std::int64_t(width) * 4}, ratio_,
                                                   threads_};
    const auto rects = view.drawFrame(context, width * points, height * points, frames_);
    const ServerPixelLayout layout{image_->bits_per_pixel, image_->bytes_per_line, image_->byte_order == MSBFirst};
    for (const WallpaperRenderer::PixelRect& rect : rects)
        convertToServerLayout(layout, reinterpret_cast<std::uint8_t*>(image_->data), drawn_.data(), width, rect);
    return rects;
}

bool FrameImage::put(Window window, GC gc, std::span<const WallpaperRenderer::PixelRect> rects) {
    if (!image_ || rects.empty()) return false;
    for (const WallpaperRenderer::PixelRect& rect : rects) {
        if (rect.width <= 0 || rect.height <= 0) continue;
        const int x = int(rect.x), y = int(rect.y);
        const auto w = unsigned(rect.width), h = unsigned(rect.height);
        if (attached_) XShmPutImage(display_, window, gc, image_.get(), x, y, x, y, w, h, False);
        else XPutImage(display_, window, gc, image_.get(), x, y, x, y, w, h);
    }
    return true;
}

bool FrameImage::putWhole(Window window, GC gc) { return put(window, gc, std::span(&whole_, 1)); }

}  // namespace glimora::x11
