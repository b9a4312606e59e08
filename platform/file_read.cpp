#include "platform/file_read.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace glimora {


std::optional<std::vector<std::uint8_t>> readFileLimited(const std::filesystem::path& file,
                                                         std::uintmax_t maxBytes) {
    // O_NONBLOCK keeps a FIFO from hanging the open; it is refused below.
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maxBytes) return std::nullopt;

    // One spare byte past the expected size notices a file that grew since fstat.
    const auto expected = std::min<std::uintmax_t>(static_cast<std::uintmax_t>(status.st_size), maxBytes);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(expected) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > maxBytes) return std::nullopt;
            const auto grown = std::min<std::uintmax_t>(std::uintmax_t{done} * 2, maxBytes + 1);
            bytes.resize(static_cast<std::size_t>(grown));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    if (done > maxBytes) return std::nullopt;
    bytes.resize(done);
    return bytes;
}

}  // namespace glimora
