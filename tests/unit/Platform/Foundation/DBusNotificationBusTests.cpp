#include <gtest/gtest.h>

#include <cstdlib>

#include "Platform/Foundation/DBusNotificationBus.h"

TEST(DBusNotificationBus, WithoutABusPostingSaysSoOnceAndCarriesOn)
{
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/parvex-test-bus", 1);
    DBusNotificationBus bus;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(bus.post("n", std::string("a"), 2));
    EXPECT_FALSE(bus.post("n", std::string("b"), 2));
    EXPECT_EQ(bus.subscribe("n", [](Notification) {}), 0u);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no system bus"), std::string::npos);
    EXPECT_EQ(said.find("no system bus"), said.rfind("no system bus")) << "one line, not one per post";
    bus.lingerAfterLastPost();  // nothing was sent: returns at once
}
