#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

TEST(RunLoop, TimersFireStopAndWaitForEventTrackingToEnd)
{
    int repeats = 0;
    int once = 0;
    auto repeating = Timer::scheduledTimer(0.01, true, [&](Timer&) { ++repeats; });
    auto oneShot = Timer::scheduledTimer(0.01, false, [&](Timer&) { ++once; });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return repeats >= 3; }, 5));
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(oneShot->isValid());

    // A default-mode timer is held while tracking; missed ticks collapse into one firing.
    RunLoop::main().pushMode(RunLoopMode::eventTracking);
    int seen = repeats;
    RunLoop::main().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(repeats, seen);
    RunLoop::main().popMode();
    RunLoop::main().runUntil([&] { return repeats > seen; }, 1);
    EXPECT_EQ(repeats, seen + 1);

    repeating->invalidate();
    seen = repeats;
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(repeats, seen) << "an invalidated timer stays silent";
}

TEST(DispatchQueue, WorkRunsOnceOnTheRightThreadAndStopEndsARun)
{
    std::atomic<bool> offMain{false};
    std::atomic<int> global{0};
    int backOnMain = 0;
    auto mainThread = std::this_thread::get_id();
    DispatchQueue::global().asyncAfter(0.02, [&] {
        ++global;
        offMain = std::this_thread::get_id() != mainThread;
        DispatchQueue::main().asyncAfter(0.01, [&] {
            backOnMain += std::this_thread::get_id() == mainThread;
            RunLoop::main().stop();
        });
    });
    EXPECT_EQ(global, 0);
    RunLoop::main().run();
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(global, 1);
    EXPECT_TRUE(offMain);
    EXPECT_EQ(backOnMain, 1);
}
