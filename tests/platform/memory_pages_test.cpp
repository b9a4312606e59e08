#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/memory_pages.hpp"

#if defined(__has_feature)
#define GLIMORA_HAS_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define GLIMORA_HAS_ADDRESS_SANITIZER 0
#endif

namespace glimora {
namespace {

// Pages of a fresh private mapping that are backed (mincore's answer).
std::size_t presentPages(void* data, std::size_t bytes) {
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> present((bytes + page - 1) / page);
    if (::mincore(data, bytes, present.data()) != 0) return 0;
    std::size_t count = 0;
    for (const unsigned char each : present) count += each & 1;
    return count;
}

TEST(MemoryPages, FreshPagesBecomePresentAndKeepWhatTheyHold) {
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 64 * page;
    void* mapping = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* data = static_cast<std::uint8_t*>(mapping);
    data[5 * page + 7] = 42;  // one page in use already
    EXPECT_LE(presentPages(data, bytes), 2u);

    // The kernels this builds for (5.14 on) have the call; older ones say no.
    const bool made = makePagesPresent(data, bytes);
    utsname system{};
    ::uname(&system);
    int major = 0, minor = 0;
    std::sscanf(system.release, "%d.%d", &major, &minor);
    if (major > 5 || (major == 5 && minor >= 14)) {
        ASSERT_TRUE(made) << system.release;
        EXPECT_EQ(presentPages(data, bytes), 64u);
    }
    EXPECT_EQ(data[5 * page + 7], 42);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[bytes - 1], 0);
    ::munmap(mapping, bytes);
}

TEST(MemoryPages, OnlyWholePagesInsideTheRangeAreAskedFor) {
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 8 * page;
    void* mapping = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* data = static_cast<std::uint8_t*>(mapping);
    // Less than a whole page, and nothing at all: nothing to do.
    EXPECT_FALSE(makePagesPresent(data + 10, page));
    EXPECT_FALSE(makePagesPresent(data, 0));
    EXPECT_FALSE(makePagesPresent(nullptr, bytes));
    // From the middle of the first page to the middle of the last: the six between.
    if (makePagesPresent(data + page / 2, bytes - page)) {
        EXPECT_EQ(presentPages(data + page, 6 * page), 6u);
        EXPECT_EQ(presentPages(data, page), 0u);
        EXPECT_EQ(presentPages(data + 7 * page, page), 0u);
    }
    ::munmap(mapping, bytes);
}

TEST(MemoryPages, TouchingReachesEveryPageOfTheRangeAndWritesNothing) {
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 8 * page;
    void* mapping = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* data = static_cast<std::uint8_t*>(mapping);
    touchPages(nullptr, bytes);
    touchPages(data, 0);
    EXPECT_EQ(presentPages(data, bytes), 0u);
    // From the middle of the second page to the middle of the seventh: those
    // pages and the ones between, the partial ones too.
    touchPages(data + page + page / 2, 5 * page);
    EXPECT_EQ(presentPages(data, page), 0u);
    EXPECT_EQ(presentPages(data + page, 6 * page), 6u);
    EXPECT_EQ(presentPages(data + 7 * page, page), 0u);
    for (std::size_t i = 0; i < bytes; i += page / 4) ASSERT_EQ(data[i], 0) << i;
    ::munmap(mapping, bytes);
}

// Resident anonymous memory of this process, in bytes.
std::size_t residentBytes() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return 0;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(file, "%lu %lu", &size, &resident);
    std::fclose(file);
    return read == 2 ? std::size_t(resident) * std::size_t(::sysconf(_SC_PAGESIZE)) : 0;
}

TEST(MemoryPages, FreedLargeBlocksLeaveNoResidentHolesBetweenKeptOnes) {
#if defined(__SANITIZE_ADDRESS__) || GLIMORA_HAS_ADDRESS_SANITIZER
    // The sanitizer brings its own allocator, which keeps freed blocks in a
    // quarantine: the C library's setting this is about is not in play.
    GTEST_SKIP() << "the address sanitizer's allocator replaces the C library's";
#endif
    returnLargeBlocksWhenFreed();
    // As a library is read: a large text, freed, after each photo kept; each
    // text a little larger than the one before, so none fits an old hole.
    constexpr std::size_t kept = 2 * largeBlockBytes;
    constexpr int rounds = 10;
    // One large block come and gone first (glibc then keeps blocks up to its
    // size in its heaps, unless told otherwise).
    std::unique_ptr<std::uint8_t[]> first(new std::uint8_t[16 * largeBlockBytes]);
    std::memset(first.get(), 1, 16 * largeBlockBytes);
    first.reset();
    const std::size_t before = residentBytes();
    std::vector<std::unique_ptr<std::uint8_t[]>> photos;
    for (int round = 0; round < rounds; ++round) {
        const std::size_t passing = std::size_t(4 + round) * largeBlockBytes;
        std::unique_ptr<std::uint8_t[]> text(new std::uint8_t[passing]);
        std::memset(text.get(), round + 1, passing);
        photos.emplace_back(new std::uint8_t[kept]);
        std::memset(photos.back().get(), round + 1, kept);
    }
    const std::size_t grown = residentBytes() - before;
    // The photos, and less than one text's worth besides (glibc's own slack).
    EXPECT_LT(grown, rounds * kept + 4 * largeBlockBytes) << grown;
    EXPECT_GE(grown, rounds * kept * 9 / 10) << grown;
}

}  // namespace
}  // namespace glimora
