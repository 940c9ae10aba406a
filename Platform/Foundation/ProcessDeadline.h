#pragma once

#include <atomic>
#include <chrono>

// A time by which children must have ended, which another thread may bring
// forward while they run: a program that quits ends what its scripts still
// wait for. Children watching it notice the change within a tenth of a second.
class ProcessDeadline {
public:
    using Clock = std::chrono::steady_clock;

    Clock::time_point time() const { return m_time.load(); }
    // Never later than it was.
    void bringForward(Clock::time_point time);
    bool hasPassed() const { return Clock::now() >= time(); }

private:
    std::atomic<Clock::time_point> m_time{Clock::time_point::max()};
};
