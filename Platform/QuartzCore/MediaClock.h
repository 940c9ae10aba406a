#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

// The clock animations run on: the system's monotonic time in seconds, or, once
// a test or a benchmark drives it, a time that moves only when told. Advancing
// a driven clock ends the animations that ran out, as the passing of real time
// would.
class MediaClock {
public:
    static CFTimeInterval now();

    // From now on the clock reads `start` and moves only through advance().
    static void drive(CFTimeInterval start = 1000);
    static void advance(CFTimeInterval seconds);
    // Back to the system clock.
    static void release();
    static bool isDriven();
};

// The platform's name for the clock's reading.
inline CFTimeInterval CACurrentMediaTime()
{
    return MediaClock::now();
}
