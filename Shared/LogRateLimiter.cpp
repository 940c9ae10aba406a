#include "Shared/LogRateLimiter.h"

namespace {

// Keys are senders' user ids, few on any machine; past this many, the quiet
// ones are forgotten so that the table stays small whatever comes.
constexpr size_t kMostKeys = 1024;

}  // namespace

LogRateLimiter::LogRateLimiter(Clock::duration interval)
    : m_interval(interval)
{
}

std::optional<size_t> LogRateLimiter::admit(std::string_view key, Clock::time_point now)
{
    auto found = m_keys.find(std::string(key));
    if (found == m_keys.end()) {
        if (m_keys.size() >= kMostKeys)
            std::erase_if(m_keys, [&](const auto& entry) { return now - entry.second.logged >= m_interval; });
        if (m_keys.size() >= kMostKeys)
            m_keys.erase(m_keys.begin());
        m_keys.emplace(std::string(key), State{now, 0});
        return 0;
    }
    State& state = found->second;
    if (now - state.logged < m_interval) {
        ++state.leftOut;
        return std::nullopt;
    }
    size_t leftOut = state.leftOut;
    state = State{now, 0};
    return leftOut;
}
