// Wall-clock time as the design's clocks count it: seconds since
// 2001-01-01 00:00:00 UTC.
#pragma once

namespace glimora {

// Seconds on the monotonic clock, from an unspecified start: for timing.
double steadySeconds();

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

// The wall-clock time at construction, then moved on by the monotonic clock
// only: a step of the system's clock neither freezes nor skips what is timed
// with it.
class SteadyClock final : public Clock {
public:
    SteadyClock();
    double now() const override;

private:
    double start_;
    double steadyStart_;
};

}  // namespace glimora
