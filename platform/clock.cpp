#include "platform/clock.hpp"

#include <chrono>

namespace glimora {

double SystemClock::now() const {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - referenceDateUnixSeconds;
}

}  // namespace glimora
