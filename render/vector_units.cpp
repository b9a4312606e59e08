#include "render/vector_units.hpp"

#include <atomic>

namespace glimora::WallpaperRenderer {

namespace {

std::atomic<bool> allowed{true};

bool detect() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

}  // namespace

bool vectorUnitsPresent() {
    static const bool present = detect();
    return present;
}

bool vectorUnitsInUse() { return vectorUnitsPresent() && allowed.load(std::memory_order_relaxed); }

void allowVectorUnits(bool value) { allowed.store(value, std::memory_order_relaxed); }

}  // namespace glimora::WallpaperRenderer
