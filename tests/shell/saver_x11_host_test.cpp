// Pieces of ombriq-saver's X11 host that need no X server: the frame in the
// server's pixel layout, and its shared memory.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_read.hpp"
#include "saver/frame_image_x11.hpp"
#include "saver/x11_handles_x11.hpp"

namespace glimora::x11 {
namespace {

// Each layout an X server may give a depth-24 ZPixmap, on rows padded to 32
// bits, with a guard after the last row: the drawn rectangles land exactly
// where the layout puts them, and nothing else is written (not the row
// padding, not the pixels outside the rectangles, not past the end).
TEST(SaverFrameConversion, EachPixelGoesWhereTheServersLayoutPutsItAndNothingElseIsWritten) {
    constexpr std::int64_t width = 5, height = 3, guard = 64;
    constexpr std::uint8_t untouched = 0xab;
    std::vector<std::uint8_t> rgba(std::size_t(width * height) * 4);
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = &rgba[std::size_t(y * width + x) * 4];
            pixel[0] = std::uint8_t(10 + x * 40), pixel[1] = std::uint8_t(20 + y * 80);
            pixel[2] = std::uint8_t(30 + x + y * 5), pixel[3] = 7;  // alpha never reaches the server
        }
    const std::vector<WallpaperRenderer::PixelRect> rects{{1, 0, 3, 2}, {0, 2, 5, 1}};
    const auto inside = [&](std::int64_t x, std::int64_t y) {
        for (const auto& rect : rects)
            if (x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height) return true;
        return false;
    };

    for (const int bits : {24, 32})
        for (const bool msbFirst : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + (msbFirst ? "MSB" : "LSB") + " first");
            const std::int64_t bytesPerPixel = bits / 8;
            const std::int64_t bytesPerLine = (width * bytesPerPixel + 3) / 4 * 4;
            std::vector<std::uint8_t> image(std::size_t(bytesPerLine * height + guard), untouched);
            const ServerPixelLayout layout{bits, bytesPerLine, msbFirst};
            for (const auto& rect : rects) convertToServerLayout(layout, image.data(), rgba.data(), width, rect);

            std::vector<std::uint8_t> expected(image.size(), untouched);
            for (std::int64_t y = 0; y < height; ++y)
                for (std::int64_t x = 0; x < width; ++x) {
                    if (!inside(x, y)) continue;
                    const std::uint8_t* from = &rgba[std::size_t(y * width + x) * 4];
                    std::vector<std::uint8_t> bytes{from[2], from[1], from[0]};  // least significant first
                    if (bits == 32) bytes.push_back(0xff);
                    if (msbFirst) std::reverse(bytes.begin(), bytes.end());
                    std::copy(bytes.begin(), bytes.end(), expected.begin() + y * bytesPerLine + x * bytesPerPixel);
                }
            int wrong = 0;
            std::string first;
            for (std::size_t i = 0; i < image.size(); ++i)
                if (image[i] != expected[i] && wrong++ == 0)
                    first = "byte " + std::to_string(i) + ": " + std::to_string(image[i]) + ", not " +
                            std::to_string(expected[i]);
            EXPECT_EQ(wrong, 0) << first;
        }
}

// Marked for removal before the server is even asked to attach it: a
// connection that breaks then, or a program killed then, leaves nothing.
TEST(SaverSharedSegment, IsMarkedForRemovalAsSoonAsWeHaveAttachedIt) {
    const SharedSegment segment(64 * 1024);
    ASSERT_TRUE(segment);
    shmid_ds status{};
    ASSERT_EQ(::shmctl(segment.id(), IPC_STAT, &status), 0);
    EXPECT_TRUE(status.shm_perm.mode & SHM_DEST);
    EXPECT_EQ(status.shm_nattch, 1u);
    segment.address()[64 * 1024 - 1] = 1;  // and it is ours to write
}

// MIT-SHM only with a server on this machine: over TCP, even to this
// machine's loopback (where ssh -X forwards to a server elsewhere), never.
TEST(SaverSharedSegment, IsUsedOnlyOnAUnixSocket) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    const FileDescriptor local(pair[0]), other(pair[1]);
    EXPECT_TRUE(isLocalConnection(local.get()));

    const FileDescriptor listening(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listening.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening.get(), 1), 0);
    ASSERT_EQ(::getsockname(listening.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    const FileDescriptor tcp(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(::connect(tcp.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(isLocalConnection(tcp.get()));
    EXPECT_FALSE(isLocalConnection(-1));
}

}  // namespace
}  // namespace glimora::x11
