#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/RunLoopMode.h"

// A one-shot or repeating timer. It does nothing until added to a run loop in a
// mode; the run loop keeps it alive until it is invalidated (or, one-shot, fired).
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    static std::shared_ptr<Timer> make(double interval, bool repeats, Block block);
    // Makes the timer and adds it to the main run loop in the default mode.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Block block);

    ~Timer();

    void invalidate();
    bool isValid() const { return m_valid; }
    double timeInterval() const { return m_interval; }

private:
    Timer(double interval, bool repeats, Block block);
    friend class RunLoop;
    void schedule(RunLoopMode mode);
    void fire();
    static int onSource(void* self);

    double m_interval;
    bool m_repeats;
    Block m_block;
    bool m_valid = true;
    bool m_waiting = false;
    RunLoopMode m_mode = RunLoopMode::defaultMode;
    unsigned m_sourceId = 0;
    std::shared_ptr<Timer> m_keepAlive;
};

