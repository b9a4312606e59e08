#include "platform/scheduler.hpp"

namespace glimora {

TaskHandle Scheduler::after(double seconds, std::function<void()> work) {
    TaskHandle handle = TaskHandle::make();
    postAfter(seconds, [handle, work = std::move(work)] {
        if (!handle.isCancelled()) work();
    });
    return handle;
}

}  // namespace glimora
