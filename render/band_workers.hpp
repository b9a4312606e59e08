// A few threads kept from one call to the next, for work split into bands.
// Unlike forEachBand, a call starts no thread and allocates nothing once the
// threads run: what a frame drawn thirty times a second needs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace glimora {

class BandWorkers {
public:
    BandWorkers() = default;
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;
    ~BandWorkers();

    // Runs work(context, band) once for every band 0...bandCount-1 on up to
    // `threadCount` threads, the calling one included, and returns when all
    // are done. The work must not throw; bands must touch disjoint data.
    // Threads are started at the first call that wants them (when none can
    // be started, the calling thread does all of it).
    void run(int bandCount, int threadCount, void (*work)(void* context, int band), void* context);

    // How many threads besides the caller's are running.
    int helpers() const { return int(threads_.size()); }

private:
    void serve();
    void drain(std::uint64_t generation);

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::vector<std::thread> threads_;
    std::uint64_t generation_ = 0;
    void (*work_)(void*, int) = nullptr;
    void* context_ = nullptr;
    int bandCount_ = 0;
    int nextBand_ = 0;
    int bandsLeft_ = 0;
    bool stopping_ = false;
};

}  // namespace glimora
