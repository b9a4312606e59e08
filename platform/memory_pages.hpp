// Making fresh memory present ahead of its first use.
#pragma once

#include <cstddef>

namespace glimora {

// Asks the kernel to back the whole pages inside [data, data + bytes) now,
// for writing, in one call: touching fresh memory otherwise faults it in a
// page at a time, which in a virtual machine costs tens of milliseconds for
// a screen of pixels. The contents are left as they are. Returns whether the
// kernel did it (it needs Linux 5.14; otherwise nothing happens).
bool makePagesPresent(void* data, std::size_t bytes);

// Reads a byte of each page of [data, data + bytes). In a virtual machine
// whose host keeps page tables of its own, a page made present by the guest
// kernel still traps to the host at its first touch (here 10-20 us a page,
// 25-40 ms for a screen of pixels): touched ahead, the first real use only
// copies. Nothing is written.
void touchPages(const void* data, std::size_t bytes);

// From now on every block of a megabyte or more gets pages of its own, which
// go back to the system when it is freed (with glibc; elsewhere nothing
// changes). Otherwise glibc, after the first such block is freed, keeps
// blocks up to tens of megabytes in its heaps, where the holes that freed
// ones leave between those kept stay resident: reading a library of photos
// had 30 MiB more in use at its peak than it kept.
void returnLargeBlocksWhenFreed();

// The size from which returnLargeBlocksWhenFreed gives blocks their own pages.
inline constexpr std::size_t largeBlockBytes = std::size_t(1) << 20;

}  // namespace glimora
