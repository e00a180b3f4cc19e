// Time for the tick loops: a monotonic counter and a sleep, injectable so that tests of the
// tick rules advance time by hand instead of waiting.
#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;

    // Monotonic nanoseconds since an arbitrary start; never goes backwards.
    virtual int64_t nowNs() const = 0;

    // Blocks the calling thread for about `ms` milliseconds (0 yields).
    virtual void sleepMs(int ms) = 0;
};

class SteadyClock final : public Clock {
public:
    int64_t nowNs() const override;
    void sleepMs(int ms) override;
};

// A clock that only moves when told; sleeping advances it by the time slept.
class ManualClock final : public Clock {
public:
    int64_t nowNs() const override { return now_; }
    void sleepMs(int ms) override { now_ += int64_t{ms} * 1'000'000; }
    void advanceMs(int64_t ms) { now_ += ms * 1'000'000; }

private:
    int64_t now_ = 0;
};
