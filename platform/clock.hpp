// Wall-clock time as the design's clocks count it: seconds since
// 2001-01-01 00:00:00 UTC.
#pragma once

namespace glimora {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double referenceDateUnixSeconds = 978307200.0;

class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

class SystemClock final : public Clock {
public:
    double now() const override;
};

}  // namespace glimora
