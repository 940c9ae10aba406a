#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Platform/Foundation/NSUserNotificationCenter.h"
#include "Platform/Foundation/SessionBus.h"

// A session with no bus to reach: the parts that would talk there hear why,
// and a notification fails at once rather than waiting for a daemon.
TEST(SessionBus, WhereThereIsNoneEveryCallerHearsWhy)
{
    const char* before = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = before ? before : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/parvex-test-bus", 1);

    auto bus = SessionBus::connection();
    ASSERT_FALSE(bus);
    EXPECT_EQ(bus.error().description.rfind("no session bus: ", 0), 0u) << bus.error().description;

    NSUserNotificationCenter center("Parvex", "parvex");
    auto shown = center.deliverNotificationNow({"标题", "正文", ""}, std::chrono::seconds(5));
    ASSERT_FALSE(shown);
    EXPECT_EQ(shown.error().description, bus.error().description);

    if (before)
        ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
    else
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}
