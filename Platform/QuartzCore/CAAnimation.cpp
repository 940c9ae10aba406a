#include "Platform/QuartzCore/CAAnimation.h"

#include <cmath>

CFTimeInterval CAAnimation::activeDuration() const
{
    double cycles = m_repeatCount > 0 ? m_repeatCount : 1;
    if (std::isinf(cycles) || m_speed == 0)
        return infinity;
    return simpleDuration() * cycles / std::abs(m_speed);
}

std::optional<CFTimeInterval> CAAnimation::localTime(CFTimeInterval parentTime) const
{
    CFTimeInterval local = (parentTime - m_beginTime) * m_speed + m_timeOffset;
    double cycles = m_repeatCount > 0 ? m_repeatCount : 1;
    if (local < 0 || local >= simpleDuration() * cycles)
        return std::nullopt;
    return local;
}

CGFloat CAAnimation::progress(CFTimeInterval local, double* completedCycles) const
{
    double cycle = std::floor(local / simpleDuration());
    CGFloat fraction = (local - cycle * simpleDuration()) / simpleDuration();
    if (completedCycles)
        *completedCycles = cycle;
    return m_timingFunction ? m_timingFunction->evaluate(fraction) : fraction;
}
