#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Kit/Kit.h"

TEST(Kit, QuotesAndDescribesLikeTheLogReaderExpects)
{
    EXPECT_EQ(Kit::quoted(""), "\"\"");
    EXPECT_EQ(Kit::quoted("say \"hi\"\\now\n"), R"("say \"hi\"\\now\n")");
    EXPECT_EQ(Kit::quoted(std::string("a\tb\rc\0d\x1b", 8)), R"("a\tb\rc\0d\u{1b}")");
    EXPECT_EQ(Kit::quoted("é 密"), "\"é 密\"");
    EXPECT_EQ(Kit::describe(std::vector<std::string>{}), "[]");
    EXPECT_EQ(Kit::describe({"disk2", "disk2s1"}), R"(["disk2", "disk2s1"])");
    EXPECT_EQ(Kit::describe("/dev/disk2s1 on /Volumes/A\n", ""), R"((result: "/dev/disk2s1 on /Volumes/A\n", error: ""))");
    EXPECT_EQ(Kit::describe("", "Password:\"x\""), R"((result: "", error: "Password:\"x\""))");
}

TEST(Kit, DelayRunsOnceLaterOnTheGivenQueue)
{
    int runs = 0;
    Kit::delay(0.05, DispatchQueue::main(), [&runs] { ++runs; });
    EXPECT_EQ(runs, 0) << "the call must return before the closure runs";
    EXPECT_TRUE(RunLoop::main().runUntil([&runs] { return runs > 0; }, 10));
    RunLoop::main().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(runs, 1);

    // The global queue needs no main loop.
    std::promise<std::thread::id> ranOn;
    Kit::delay(0.01, DispatchQueue::global(), [&] { ranOn.set_value(std::this_thread::get_id()); });
    auto future = ranOn.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_NE(future.get(), std::this_thread::get_id());
}
