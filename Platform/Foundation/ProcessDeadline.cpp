#include "Platform/Foundation/ProcessDeadline.h"

void ProcessDeadline::bringForward(Clock::time_point time)
{
    Clock::time_point now = m_time.load();
    while (time < now && !m_time.compare_exchange_weak(now, time)) { }
}
