#include <gtest/gtest.h>

#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "support/InProcessNotificationBus.h"

TEST(DistributedNotificationCenter, DeliversByNameOnTheRunLoopWithTheSender)
{
    auto bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter sender(bus);
    DistributedNotificationCenter receiver(bus);
    std::vector<Notification> got;
    auto registration = receiver.addObserver("wanted", [&](const Notification& n) { got.push_back(n); });

    bus->setSenderUid(501);
    ASSERT_TRUE(sender.post("wanted", std::string("add,Data"), DistributedNotificationCenter::deliverToAllSessions));
    ASSERT_TRUE(sender.post("other", std::string("x")));
    ASSERT_TRUE(sender.post("wanted", PropertyListValue(std::int64_t{7})));
    ASSERT_TRUE(sender.post("wanted"));
    EXPECT_TRUE(got.empty()) << "delivery waits for the run loop";
    RunLoop::main().runUntil([&] { return got.size() == 3; }, 2);

    ASSERT_EQ(got.size(), 3u);
    ASSERT_NE(got[0].objectText(), nullptr);
    EXPECT_EQ(*got[0].objectText(), "add,Data");
    EXPECT_EQ(got[0].senderUid, 501u);
    EXPECT_EQ(got[1].objectText(), nullptr) << "a number is not a text";
    EXPECT_TRUE(got[1].object.has_value());
    EXPECT_FALSE(got[2].object.has_value());
    EXPECT_EQ(bus->posts()[0].options, 2u);

    // Nothing reaches a removed observer, even what was already queued.
    ASSERT_TRUE(sender.post("wanted", std::string("queued")));
    registration.reset();
    ASSERT_TRUE(sender.post("wanted", std::string("later")));
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(got.size(), 3u);
}
