#include "render/band_workers.hpp"

#include <algorithm>
#include <system_error>

namespace glimora {

BandWorkers::~BandWorkers() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void BandWorkers::run(int bandCount, int threadCount, void (*work)(void*, int), void* context) {
    if (bandCount <= 0) return;
    const int wanted = std::min(bandCount, std::max(threadCount, 1)) - 1;
    while (int(threads_.size()) < wanted) {
        try {
            threads_.emplace_back([this] { serve(); });
        } catch (const std::system_error&) {
            break;  // no thread to spare: the ones running take the rest
        }
    }
    std::uint64_t generation;
    {
        const std::lock_guard guard(lock_);
        work_ = work;
        context_ = context;
        bandCount_ = bandCount;
        nextBand_ = 0;
        bandsLeft_ = bandCount;
        generation = ++generation_;
    }
    if (wanted > 0) wake_.notify_all();
    drain(generation);
    std::unique_lock guard(lock_);
    finished_.wait(guard, [&] { return bandsLeft_ == 0; });
}

void BandWorkers::drain(std::uint64_t generation) {
    std::unique_lock guard(lock_);
    while (generation == generation_ && nextBand_ < bandCount_) {
        const int band = nextBand_++;
        guard.unlock();
        work_(context_, band);
        guard.lock();
        if (--bandsLeft_ == 0) finished_.notify_all();
    }
}

void BandWorkers::serve() {
    std::uint64_t seen = 0;
    for (;;) {
        std::uint64_t generation;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            generation = seen = generation_;
        }
        drain(generation);
    }
}

}  // namespace glimora
