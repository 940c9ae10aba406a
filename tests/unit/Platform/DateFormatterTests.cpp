#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "Platform/Foundation/DateFormatter.h"

namespace {

// Formats in a known zone for the length of one test.
class DateFormatterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* zone = std::getenv("TZ"))
            m_savedZone = zone;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (m_savedZone)
            ::setenv("TZ", m_savedZone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

    static std::chrono::system_clock::time_point at(long long milliseconds)
    {
        return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
    }

    std::optional<std::string> m_savedZone;
};

}  // namespace

TEST_F(DateFormatterTest, FormatsMillisecondsOnATwentyFourHourClock)
{
    DateFormatter formatter("yyyy-MM-dd HH:mm:ss.SSS");
    EXPECT_EQ(formatter.string(at(1706745599123)), "2024-01-31 23:59:59.123");
    EXPECT_EQ(formatter.string(at(1706745599007)), "2024-01-31 23:59:59.007");
    EXPECT_EQ(formatter.string(at(1704110400000)), "2024-01-01 12:00:00.000");
    // The fraction is cut, never rounded into the next second.
    auto almost = at(1706745599999) + std::chrono::microseconds(999);
    EXPECT_EQ(formatter.string(almost), "2024-01-31 23:59:59.999");
    EXPECT_EQ(formatter.string(at(-1)), "1969-12-31 23:59:59.999");
}

TEST_F(DateFormatterTest, UsesTheLocalZone)
{
    ::setenv("TZ", "Asia/Shanghai", 1);
    ::tzset();
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm").string(at(1706745599123)), "2024-02-01 07:59");
}

TEST_F(DateFormatterTest, CopiesEverythingElse)
{
    EXPECT_EQ(DateFormatter("[dd/MM/yyyy] at HH h, ss s!").string(at(1706745599123)), "[31/01/2024] at 23 h, 59 s!");
    EXPECT_EQ(DateFormatter("").string(at(0)), "");
}
