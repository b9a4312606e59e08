#include "platform/clock.hpp"

#include <chrono>

namespace glimora {

double SystemClock::now() const {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - referenceDateUnixSeconds;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

SteadyClock::SteadyClock() : start_(SystemClock().now()), steadyStart_(steadySeconds()) {}

double SteadyClock::now() const { return start_ + (steadySeconds() - steadyStart_); }

}  // namespace glimora
