// What ends ombriq-saver from outside its loop, whatever the loop is doing:
// SIGTERM, SIGINT and SIGHUP, and an X server that stops answering. Xlib
// blocks while it connects, in a round trip, and while it writes a frame
// larger than the socket's buffer to a server that reads nothing, so a loop
// that only polls for the signals would wait for the server too.
//
// The signals are blocked in every thread and taken by a thread of the
// watch's own, which tells the loop (`descriptor()` becomes readable) and,
// when the process has not ended `grace` seconds later, ends it with status
// 0. Once stalls are watched, a loop that does not report the server alive
// for that long ends the process with status 1 and one line on stderr. Ending
// this way loses nothing: the shared memory is marked for removal as soon as
// it is attached, the system closes the connection (the server then frees
// what the saver held), and a step held off (`holdOff`) is finished first.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/file_read.hpp"
#include "saver/wake_pipe.hpp"

namespace glimora {

class EndWatch {
public:
    // How long the loop has to end by itself after an end signal.
    static constexpr double grace = 0.5;

    // Blocks the signals in the calling thread, which must be the only one:
    // every thread started later leaves them to the watch.
    EndWatch();
    // Stops the watch's thread; the signals stay blocked.
    ~EndWatch();
    EndWatch(const EndWatch&) = delete;
    EndWatch& operator=(const EndWatch&) = delete;

    // False when it could not be set up.
    explicit operator bool() const { return thread_.joinable(); }
    // Readable once an end signal came (and from then on).
    int descriptor() const { return wake_.read.get(); }
    bool ended() const { return ended_; }

    // From now on, `seconds` without alive() end the process with status 1
    // after "ombriq-saver: `line`" on stderr.
    void watchStalls(double seconds, std::string line);
    // The server has answered everything sent to it so far.
    void alive();

    // Held across a step that must not be cut short (a shared segment
    // between its creation and its removal mark, a file being replaced): the
    // watch ends the process only once it is free. Never hold it across
    // anything that waits for the X server.
    static std::unique_lock<std::mutex> holdOff();

private:
    void run();
    // Empties the stop pipe; true when the watch goes.
    bool stopRequested();
    [[noreturn]] void endProcess(int status);

    FileDescriptor signals_;
    WakePipe wake_;  // to the loop
    WakePipe stop_;  // to the watch's thread
    std::atomic<bool> ended_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<double> stallLimit_{0};  // 0: stalls are not watched
    std::atomic<double> lastAlive_{0};
    std::string stallLine_;
    std::thread thread_;
};

}  // namespace glimora
