#include "Platform/Foundation/Timer.h"

#include <glib.h>

#include "Platform/Foundation/RunLoop.h"

std::shared_ptr<Timer> Timer::make(double interval, bool repeats, Block block)
{
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(block)));
}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block)
{
    auto timer = make(interval, repeats, std::move(block));
    RunLoop::main().add(timer, RunLoopMode::defaultMode);
    return timer;
}

Timer::Timer(double interval, bool repeats, Block block)
    : m_interval(interval < 0 ? 0 : interval), m_repeats(repeats), m_block(std::move(block))
{
}

Timer::~Timer()
{
    if (m_sourceId != 0)
        g_source_remove(m_sourceId);
}

void Timer::schedule(RunLoopMode mode)
{
    if (!m_valid || m_sourceId != 0)
        return;
    m_mode = mode;
    m_keepAlive = shared_from_this();
    auto milliseconds = static_cast<guint>(m_interval * 1000.0 + 0.5);
    GSource* source = g_timeout_source_new(milliseconds);
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&Timer::onSource), this, nullptr);
    m_sourceId = g_source_attach(source, RunLoop::main().context());
    g_source_unref(source);
}

int Timer::onSource(void* self)
{
    auto* timer = static_cast<Timer*>(self);
    auto keep = timer->shared_from_this();
    RunLoop& loop = RunLoop::main();
    bool inMode = timer->m_mode == RunLoopMode::common || loop.currentMode() == timer->m_mode;
    if (!timer->m_repeats)
        timer->m_sourceId = 0;
    if (inMode) {
        timer->fire();
    } else if (!timer->m_waiting) {
        // Missed ticks collapse into one firing when the loop returns to our mode.
        timer->m_waiting = true;
        loop.timerBecameDue(keep);
    }
    return timer->m_repeats && timer->m_valid ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void Timer::fire()
{
    m_waiting = false;
    if (!m_valid)
        return;
    auto keep = shared_from_this();
    // The block may invalidate its own timer, which lets go of the block:
    // it runs from here, and goes back only if the timer is still valid.
    if (auto block = std::move(m_block)) {
        block(*this);
        if (m_valid)
            m_block = std::move(block);
    }
    if (!m_repeats)
        invalidate();
}

void Timer::invalidate()
{
    if (!m_valid)
        return;
    m_valid = false;
    if (m_sourceId != 0) {
        g_source_remove(m_sourceId);
        m_sourceId = 0;
    }
    m_block = nullptr;
    m_keepAlive.reset();
}
