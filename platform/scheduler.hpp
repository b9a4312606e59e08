// Where work runs: the main thread, later on the main thread, or in the
// background. The model lives on the main thread; background work hands its
// result back through post().
#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace glimora {

// Cancels one piece of delayed work. Copies share the same flag; a default
// handle refers to nothing.
class TaskHandle {
public:
    TaskHandle() = default;
    static TaskHandle make() { return TaskHandle(std::make_shared<std::atomic<bool>>(false)); }

    bool isValid() const { return flag_ != nullptr; }
    void cancel() const {
        if (flag_) flag_->store(true);
    }
    bool isCancelled() const { return flag_ && flag_->load(); }

private:
    explicit TaskHandle(std::shared_ptr<std::atomic<bool>> flag) : flag_(std::move(flag)) {}
    std::shared_ptr<std::atomic<bool>> flag_;
};

class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Runs the work on the main thread at a later turn of its loop, in order.
    virtual void post(std::function<void()> work) = 0;

    // Runs the work in the background (any thread, any order).
    virtual void background(std::function<void()> work) = 0;

    // Runs the work on the main thread after the delay unless the handle is
    // cancelled first. Cancelled work never runs.
    TaskHandle after(double seconds, std::function<void()> work);

protected:
    // Runs the work on the main thread once the delay has passed.
    virtual void postAfter(double seconds, std::function<void()> work) = 0;
};

}  // namespace glimora
