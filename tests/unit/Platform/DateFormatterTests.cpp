#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "Platform/Foundation/DateFormatter.h"

namespace {

std::chrono::system_clock::time_point at(long long milliseconds)
{
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
}

void setZone(const char* zone)
{
    zone ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(DateFormatter, FormatsMillisecondsInTheLocalZone)
{
    const char* saved = std::getenv("TZ");
    std::string savedZone = saved ? saved : "";
    setZone("UTC");
    DateFormatter formatter("yyyy-MM-dd HH:mm:ss.SSS");
    EXPECT_EQ(formatter.string(at(1706745599007)), "2024-01-31 23:59:59.007");
    EXPECT_EQ(formatter.string(at(1704110400000)), "2024-01-01 12:00:00.000");
    // The fraction is cut, never rounded into the next second.
    EXPECT_EQ(formatter.string(at(1706745599999) + std::chrono::microseconds(999)), "2024-01-31 23:59:59.999");
    EXPECT_EQ(formatter.string(at(-1)), "1969-12-31 23:59:59.999");
    EXPECT_EQ(DateFormatter("[dd/MM/yyyy] at HH h, ss s!").string(at(1706745599123)), "[31/01/2024] at 23 h, 59 s!");

    setZone("Asia/Shanghai");
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm").string(at(1706745599123)), "2024-02-01 07:59");
    setZone(saved ? savedZone.c_str() : nullptr);
}

}  // namespace
