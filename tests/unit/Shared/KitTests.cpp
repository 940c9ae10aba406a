#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Kit/Kit.h"

TEST(Kit, QuotedEscapesLikeTheLogReaderExpects)
{
    EXPECT_EQ(Kit::quoted(""), "\"\"");
    EXPECT_EQ(Kit::quoted("say \"hi\"\\now\n"), R"("say \"hi\"\\now\n")");
    EXPECT_EQ(Kit::quoted(std::string("a\tb\rc\0d\x1b", 8)), R"("a\tb\rc\0d\u{1b}")");
    EXPECT_EQ(Kit::quoted("é 密"), "\"é 密\"");
}

TEST(Kit, DescribesListsAndScriptResults)
{
    EXPECT_EQ(Kit::describe(std::vector<std::string>{}), "[]");
    EXPECT_EQ(Kit::describe({"disk2", "disk2s1"}), R"(["disk2", "disk2s1"])");
    EXPECT_EQ(Kit::describe("/dev/disk2s1 on /Volumes/A\n", ""), R"((result: "/dev/disk2s1 on /Volumes/A\n", error: ""))");
    EXPECT_EQ(Kit::describe("", "Password:\"x\""), R"((result: "", error: "Password:\"x\""))");
}

TEST(Kit, DebugLogPrintsTheValuesTaggedWithTheMethod)
{
    ::testing::internal::CaptureStdout();
    Kit::debugLog({"first", "second"}, "viewDidLoad()");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("KitTests.cpp"), std::string::npos) << out;
    EXPECT_NE(out.find("viewDidLoad()"), std::string::npos) << out;
    EXPECT_LT(out.find("first"), out.find("second")) << out;
}

TEST(Kit, DelayRunsOnceOnTheMainQueueLater)
{
    int runs = 0;
    Kit::delay(0.05, DispatchQueue::main(), [&runs] { ++runs; });
    EXPECT_EQ(runs, 0) << "the call must return before the closure runs";
    EXPECT_TRUE(RunLoop::main().runUntil([&runs] { return runs > 0; }, 10));
    RunLoop::main().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(runs, 1);
}

TEST(Kit, DelayRunsOnTheGlobalQueueWithoutTheMainLoop)
{
    std::mutex lock;
    std::condition_variable done;
    std::thread::id ranOn;
    bool ran = false;
    Kit::delay(0.01, DispatchQueue::global(), [&] {
        std::lock_guard guard(lock);
        ranOn = std::this_thread::get_id();
        ran = true;
        done.notify_all();
    });
    std::unique_lock guard(lock);
    ASSERT_TRUE(done.wait_for(guard, std::chrono::seconds(10), [&] { return ran; }));
    EXPECT_NE(ranOn, std::this_thread::get_id());
}
