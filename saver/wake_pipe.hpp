// A pipe that one thread makes readable to wake another's poll.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <optional>

#include "platform/file_read.hpp"

namespace glimora {

struct WakePipe {
    FileDescriptor read, write;

    static std::optional<WakePipe> make() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return std::nullopt;
        return WakePipe{FileDescriptor(ends[0]), FileDescriptor(ends[1])};
    }
    void wake() const {
        const char byte = 1;
        // A full pipe wakes the reader already: nothing to do then.
        [[maybe_unused]] const auto written = ::write(write.get(), &byte, 1);
    }
    void drain() const {
        char drained[64];
        while (::read(read.get(), drained, sizeof drained) > 0) {
        }
    }
};

}  // namespace glimora
