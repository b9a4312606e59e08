#include "platform/random.hpp"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace glimora {

std::uint64_t Random::next64() {
    std::uint8_t bytes[8];
    fill(bytes);
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::uint64_t Random::uniform(std::uint64_t upperBound) {
    if (upperBound == 0) return 0;
    // 2^64 mod upperBound: raw values below it are the surplus that would
    // make the low results more likely.
    const std::uint64_t threshold = (0 - upperBound) % upperBound;
    for (;;) {
        const std::uint64_t raw = next64();
        if (raw >= threshold) return raw % upperBound;
    }
}

void SystemRandom::fill(std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + done, bytes.size() - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        done += static_cast<std::size_t>(got);
    }
}

}  // namespace glimora
