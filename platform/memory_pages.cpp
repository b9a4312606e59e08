#include "platform/memory_pages.hpp"

#include <sys/mman.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unistd.h>

#include <cstdint>

namespace glimora {

bool makePagesPresent(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    if (!data || bytes == 0) return false;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    // The pages wholly inside: madvise wants an aligned start, and the
    // neighbours of a partial page may belong to someone else.
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t end = (begin + bytes) / page * page;
    if (end <= first) return false;
    return ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0;
#else
    (void)data;
    (void)bytes;
    return false;
#endif
}

void touchPages(const void* data, std::size_t bytes) {
    if (!data || bytes == 0) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto* bytesToRead = static_cast<const volatile unsigned char*>(data);
    for (std::size_t offset = 0; offset < bytes; offset += page) (void)bytesToRead[offset];
    (void)bytesToRead[bytes - 1];  // the last page, where the range starts off a page boundary
}

void returnLargeBlocksWhenFreed() {
#ifdef __GLIBC__
    // Setting the threshold also stops glibc from raising it by itself.
    ::mallopt(M_MMAP_THRESHOLD, int(largeBlockBytes));
#endif
}

}  // namespace glimora
