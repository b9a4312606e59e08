#include "render/parallel_bands.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace glimora {

int defaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(std::min(cores, 256u));
}

void forEachBand(int bandCount, int threadCount, const std::function<void(int band)>& work) {
    if (bandCount <= 0) return;
    const int threads = std::min(bandCount, threadCount > 0 ? threadCount : defaultThreadCount());
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto drain = [&] {
        for (int band = next++; band < bandCount; band = next++) {
            try {
                work(band);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(std::size_t(threads > 1 ? threads - 1 : 0));
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(drain);
        } catch (const std::system_error&) {
            break;  // no thread to spare: the ones running take the rest
        }
    }
    drain();
    for (auto& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace glimora
