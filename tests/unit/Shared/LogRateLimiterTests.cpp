#include <gtest/gtest.h>

#include "Shared/LogRateLimiter.h"

TEST(LogRateLimiter, OneEntryPerKeyAMinuteCarryingTheCountLeftOut)
{
    using namespace std::chrono_literals;
    LogRateLimiter limiter;
    const auto start = LogRateLimiter::Clock::now();
    EXPECT_EQ(limiter.admit("65534", start), 0u);
    for (int second = 1; second < 60; ++second)
        EXPECT_EQ(limiter.admit("65534", start + std::chrono::seconds(second)), std::nullopt);
    EXPECT_EQ(limiter.admit("1000", start + 30s), 0u) << "each key on its own";
    EXPECT_EQ(limiter.admit("65534", start + 60s), 59u);
    EXPECT_EQ(limiter.admit("65534", start + 61s), std::nullopt);
    EXPECT_EQ(limiter.admit("65534", start + 200s), 1u);
}
