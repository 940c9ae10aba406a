#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Decides which of many entries alike reach the log: the first for a key (a
// sender's user id, say), then at most one per interval, which carries the
// count of those left out since the last one.
class LogRateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit LogRateLimiter(Clock::duration interval = std::chrono::minutes(1));

    // Empty when the entry for `key` at `now` is left out; else how many for
    // `key` were left out since the last one logged.
    std::optional<size_t> admit(std::string_view key, Clock::time_point now);

private:
    struct State {
        Clock::time_point logged;
        size_t leftOut = 0;
    };

    Clock::duration m_interval;
    std::unordered_map<std::string, State> m_keys;
};
