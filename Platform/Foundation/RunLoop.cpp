#include "Platform/Foundation/RunLoop.h"

#include <glib.h>

#include "Platform/Foundation/Timer.h"

RunLoop& RunLoop::main()
{
    static RunLoop* loop = new RunLoop();
    return *loop;
}

RunLoop::RunLoop()
    : m_context(g_main_context_default())
{
}

void RunLoop::run()
{
    run(RunLoopMode::defaultMode);
}

void RunLoop::run(RunLoopMode mode)
{
    GMainLoop* loop = g_main_loop_new(m_context, FALSE);
    m_loops.push_back(loop);
    pushMode(mode);
    g_main_loop_run(loop);
    popMode();
    m_loops.pop_back();
    g_main_loop_unref(loop);
}

void RunLoop::stop()
{
    if (!m_loops.empty())
        g_main_loop_quit(m_loops.back());
}

void RunLoop::runUntilIdle()
{
    while (g_main_context_iteration(m_context, FALSE)) {
    }
}

bool RunLoop::runUntil(const std::function<bool()>& done, double seconds)
{
    gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
    bool timedOut = false;
    GSource* watchdog = g_timeout_source_new(static_cast<guint>(seconds * 1000));
    g_source_set_callback(watchdog, [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &timedOut, nullptr);
    g_source_attach(watchdog, m_context);
    // `done` may turn true on another thread, which does not wake the loop.
    GSource* poll = g_timeout_source_new(10);
    g_source_set_callback(poll, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(poll, m_context);
    while (!done() && !timedOut && g_get_monotonic_time() < deadline)
        g_main_context_iteration(m_context, TRUE);
    g_source_destroy(poll);
    g_source_unref(poll);
    g_source_destroy(watchdog);
    g_source_unref(watchdog);
    return done();
}

void RunLoop::add(const std::shared_ptr<Timer>& timer, RunLoopMode mode)
{
    timer->schedule(mode);
}

void RunLoop::pushMode(RunLoopMode mode)
{
    m_modes.push_back(mode);
}

void RunLoop::popMode()
{
    m_modes.pop_back();
    fireTimersWaitingFor(currentMode());
}

void RunLoop::timerBecameDue(const std::shared_ptr<Timer>& timer)
{
    m_waiting.push_back(timer);
}

void RunLoop::fireTimersWaitingFor(RunLoopMode mode)
{
    std::vector<std::weak_ptr<Timer>> still;
    std::vector<std::shared_ptr<Timer>> due;
    for (auto& weak : m_waiting) {
        auto timer = weak.lock();
        if (!timer)
            continue;
        if (timer->m_mode == mode)
            due.push_back(timer);
        else
            still.push_back(weak);
    }
    m_waiting = std::move(still);
    for (auto& timer : due) {
        // Fire from the loop itself, not from inside whoever left the mode.
        auto* holder = new std::shared_ptr<Timer>(timer);
        GSource* source = g_idle_source_new();
        g_source_set_callback(source, [](gpointer data) -> gboolean {
            (*static_cast<std::shared_ptr<Timer>*>(data))->fire();
            return G_SOURCE_REMOVE;
        }, holder, [](gpointer data) { delete static_cast<std::shared_ptr<Timer>*>(data); });
        g_source_attach(source, m_context);
        g_source_unref(source);
    }
}
