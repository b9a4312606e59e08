// Reading a whole user-chosen file, with a size cap so a huge or endless file
// (a device, a FIFO) cannot exhaust memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

namespace glimora {

// An open file descriptor, closed when it goes; -1 holds none.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The file's bytes; nothing when it cannot be opened or read, is not a
// regular file, or holds more than maxBytes.
std::optional<std::vector<std::uint8_t>> readFileLimited(const std::filesystem::path& file,
                                                         std::uintmax_t maxBytes);

}  // namespace glimora
