#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/RunLoopMode.h"

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

class Timer;

// The main thread's run loop, on the GLib main context. Timers belong to one
// mode; while the loop runs in another mode (a menu being tracked) a due timer
// waits and fires once when the loop is back in its mode.
class RunLoop {
public:
    static RunLoop& main();

    // Runs until stop(); nested calls are allowed (a tracked menu runs one).
    void run();
    void run(RunLoopMode mode);
    void stop();

    // Runs pending work without blocking; for tests that pump the loop.
    void runUntilIdle();
    // Runs until `done` turns true or `seconds` pass; returns whether it turned true.
    bool runUntil(const std::function<bool()>& done, double seconds);

    RunLoopMode currentMode() const { return m_modes.back(); }
    void add(const std::shared_ptr<Timer>& timer, RunLoopMode mode);

    // Puts the loop in a mode without running a nested loop (a menu opened by a
    // headless backend); popMode() fires the timers that came due meanwhile.
    void pushMode(RunLoopMode mode);
    void popMode();

    GMainContext* context() const { return m_context; }

private:
    RunLoop();
    void fireTimersWaitingFor(RunLoopMode mode);

    friend class Timer;
    void timerBecameDue(const std::shared_ptr<Timer>& timer);

    GMainContext* m_context = nullptr;
    std::vector<RunLoopMode> m_modes{RunLoopMode::defaultMode};
    std::vector<GMainLoop*> m_loops;
    std::vector<std::weak_ptr<Timer>> m_waiting;
};
