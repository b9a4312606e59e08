#include "saver/end_watch.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "platform/clock.hpp"

namespace glimora {

namespace {

// Milliseconds until `deadline` (steady seconds), rounded up; -1 for none.
int millisecondsUntil(double deadline) {
    if (!std::isfinite(deadline)) return -1;
    return int(std::ceil(std::max(0.0, deadline - steadySeconds()) * 1000));
}

}  // namespace

EndWatch::EndWatch() {
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGHUP);
    if (::pthread_sigmask(SIG_BLOCK, &endSignals, nullptr) != 0) return;
    signals_ = FileDescriptor(::signalfd(-1, &endSignals, SFD_CLOEXEC | SFD_NONBLOCK));
    auto wake = WakePipe::make(), stop = WakePipe::make();
    if (signals_ && wake && stop) {
        wake_ = std::move(*wake);
        stop_ = std::move(*stop);
        try {
            thread_ = std::thread([this] { run(); });
            return;
        } catch (const std::system_error&) {
        }
    }
    // Nothing would take them: the signals end the program as they would anyway.
    ::pthread_sigmask(SIG_UNBLOCK, &endSignals, nullptr);
}

EndWatch::~EndWatch() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    stop_.wake();
    thread_.join();
}

void EndWatch::watchStalls(double seconds, std::string line) {
    stallLine_ = "ombriq-saver: " + std::move(line) + "\n";
    lastAlive_ = steadySeconds();
    stallLimit_.store(seconds);
    // The thread may be waiting without a deadline: it looks again.
    stop_.wake();
}

void EndWatch::alive() { lastAlive_.store(steadySeconds(), std::memory_order_relaxed); }

std::unique_lock<std::mutex> EndWatch::holdOff() {
    static std::mutex steps;
    return std::unique_lock(steps);
}

void EndWatch::endProcess(int status) {
    const auto held = holdOff();
    ::_exit(status);
}

bool EndWatch::stopRequested() {
    stop_.drain();
    return stopping_;
}

void EndWatch::run() {
    for (;;) {
        const double limit = stallLimit_.load();
        const double deadline = limit > 0 ? lastAlive_.load(std::memory_order_relaxed) + limit : INFINITY;
        pollfd waits[2] = {{signals_.get(), POLLIN, 0}, {stop_.read.get(), POLLIN, 0}};
        ::poll(waits, 2, millisecondsUntil(deadline));
        // Either the watch goes, or stalls are watched from now on.
        if ((waits[1].revents & POLLIN) && stopRequested()) return;
        if (waits[0].revents & POLLIN) {
            signalfd_siginfo taken;
            if (::read(signals_.get(), &taken, sizeof taken) != ssize_t(sizeof taken)) continue;
            ended_ = true;
            wake_.wake();
            // The loop ends the process itself unless it is held up.
            const double givenUp = steadySeconds() + grace;
            for (pollfd stop{stop_.read.get(), POLLIN, 0}; ::poll(&stop, 1, millisecondsUntil(givenUp)) > 0;)
                if (stopRequested()) return;
            endProcess(0);
        }
        if (limit > 0 && steadySeconds() >= lastAlive_.load(std::memory_order_relaxed) + limit) {
            [[maybe_unused]] const auto written = ::write(STDERR_FILENO, stallLine_.data(), stallLine_.size());
            endProcess(1);
        }
    }
}

}  // namespace glimora
