#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

TEST(RunLoop, RepeatingAndOneShotTimersFireAndStop)
{
    int repeats = 0;
    int once = 0;
    auto repeating = Timer::scheduledTimer(0.01, true, [&](Timer&) { ++repeats; });
    auto oneShot = Timer::scheduledTimer(0.01, false, [&](Timer&) { ++once; });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return repeats >= 3; }, 5));
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(oneShot->isValid());
    repeating->invalidate();
    int seen = repeats;
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(repeats, seen) << "an invalidated timer stays silent";
}

TEST(RunLoop, DefaultModeTimerWaitsForEventTrackingToEndAndFiresOnce)
{
    int fired = 0;
    auto timer = Timer::scheduledTimer(0.01, true, [&](Timer&) { ++fired; });
    RunLoop::main().pushMode(RunLoopMode::eventTracking);
    RunLoop::main().runUntil([] { return false; }, 0.1);  // several ticks fall due
    EXPECT_EQ(fired, 0);
    RunLoop::main().popMode();
    RunLoop::main().runUntil([&] { return fired > 0; }, 1);
    EXPECT_EQ(fired, 1) << "missed ticks collapse into one firing";
    timer->invalidate();
}

TEST(RunLoop, NestedRunReturnsOnStop)
{
    bool ran = false;
    DispatchQueue::main().asyncAfter(0.01, [&] {
        ran = true;
        RunLoop::main().stop();
    });
    RunLoop::main().run();
    EXPECT_TRUE(ran);
}

TEST(DispatchQueue, GlobalWorkRunsOffTheMainThreadAndReportsBack)
{
    std::atomic<bool> offMain{false};
    bool backOnMain = false;
    auto mainThread = std::this_thread::get_id();
    DispatchQueue::global().async([&] {
        offMain = std::this_thread::get_id() != mainThread;
        DispatchQueue::main().async([&] { backOnMain = std::this_thread::get_id() == mainThread; });
    });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return backOnMain; }, 5));
    EXPECT_TRUE(offMain);
}

TEST(DispatchQueue, AsyncAfterWaitsAndRunsOnce)
{
    std::atomic<int> global{0};
    int main = 0;
    DispatchQueue::global().asyncAfter(0.02, [&] { ++global; });
    DispatchQueue::main().asyncAfter(0.02, [&] { ++main; });
    EXPECT_EQ(global.load() + main, 0);
    RunLoop::main().runUntil([&] { return global == 1 && main == 1; }, 5);
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(global, 1);
    EXPECT_EQ(main, 1);
}
