// The scheduler on Qt's main event loop, with background work on a thread pool
// of its own. Create it on the main thread, after the application object.
#pragma once

#include <QObject>
#include <QThreadPool>

#include "platform/scheduler.hpp"

namespace glimora {

class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    // Waits for running background work; main-thread work not yet run is dropped.
    ~QtScheduler() override;

    // Safe to call from any thread.
    void post(std::function<void()> work) override;
    void background(std::function<void()> work) override;

protected:
    // Delays are clamped to 0 ... 24 days, the most a Qt timer takes.
    void postAfter(double seconds, std::function<void()> work) override;

private:
    // Lives on the main thread: queued calls and timers aimed at it run there.
    QObject mainThread_;
    // Declared after mainThread_ so it is destroyed, and waited for, first.
    QThreadPool pool_;
};

}  // namespace glimora
