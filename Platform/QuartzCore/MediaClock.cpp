#include "Platform/QuartzCore/MediaClock.h"

#include <time.h>

#include <optional>

#include "Platform/QuartzCore/AnimationTimeline.h"

namespace {

std::optional<CFTimeInterval> drivenTime;

}  // namespace

CFTimeInterval MediaClock::now()
{
    if (drivenTime)
        return *drivenTime;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<CFTimeInterval>(now.tv_sec) + static_cast<CFTimeInterval>(now.tv_nsec) / 1e9;
}

void MediaClock::drive(CFTimeInterval start)
{
    drivenTime = start;
}

void MediaClock::advance(CFTimeInterval seconds)
{
    if (!drivenTime)
        return;
    *drivenTime += seconds;
    AnimationTimeline::shared().endAnimationsDue();
}

void MediaClock::release()
{
    drivenTime.reset();
}

bool MediaClock::isDriven()
{
    return drivenTime.has_value();
}
