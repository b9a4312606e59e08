#include "platform/qt/qt_scheduler.hpp"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace glimora {

QtScheduler::QtScheduler() { pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount())); }

QtScheduler::~QtScheduler() { pool_.waitForDone(); }

void QtScheduler::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&mainThread_, std::move(work), Qt::QueuedConnection);
}

void QtScheduler::background(std::function<void()> work) { pool_.start(std::move(work)); }

void QtScheduler::postAfter(double seconds, std::function<void()> work) {
    const double milliseconds = std::isnan(seconds) ? 0.0 : std::clamp(seconds * 1000.0, 0.0, double(INT_MAX));
    const int delay = static_cast<int>(std::ceil(milliseconds));
    auto start = [this, delay, work = std::move(work)]() mutable {
        QTimer::singleShot(delay, Qt::PreciseTimer, &mainThread_, std::move(work));
    };
    // A timer belongs to the thread that starts it, so start it on the main thread.
    if (QThread::currentThread() == mainThread_.thread())
        start();
    else
        post(std::move(start));
}

}  // namespace glimora
