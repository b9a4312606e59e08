// Work split into numbered bands and shared out over a few threads of the
// call's own: no pool, no state between calls.
#pragma once

#include <functional>

namespace glimora {

// The number of threads a `threadCount` of 0 means: one per core.
int defaultThreadCount();

// Runs work(band) once for every band 0...bandCount-1 on up to `threadCount`
// threads, the calling one included (0: one per core), and returns when all
// are done. Bands must touch disjoint data. When no thread can be started the
// calling thread does all of it. The first exception thrown by any band is
// rethrown here after every thread has finished.
void forEachBand(int bandCount, int threadCount, const std::function<void(int band)>& work);

}  // namespace glimora
