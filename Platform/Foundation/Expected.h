#pragma once

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

// Why a platform call failed: the errno value (0 when the failure has none; a
// layer with codes of its own, as blessing has, says so) and a sentence that a
// log line or a tool's message can show as it is.
struct Error {
    int code = 0;
    std::string description;

    // "<what>: <strerror(code)>", `what` joined from its pieces. Pass errno
    // right after the failing call, with pieces that need no call to build
    // (literals, strings), so that nothing can change errno before it is read.
    template<typename... Pieces>
    static Error system(int code, const Pieces&... what)
    {
        std::string description;
        ((description += what), ...);
        return {code, description + ": " + std::strerror(code)};
    }
    // A failure no errno value stands behind.
    static Error message(std::string description) { return {0, std::move(description)}; }
};

// The one result shape of fallible platform calls: a value, or the Error that
// says why there is none. [[nodiscard]] so that no caller drops a failure.
template<typename T>
class [[nodiscard]] Expected {
public:
    Expected(const T& value)
        : m_value(value)
    {
    }
    Expected(T&& value)
        : m_value(std::move(value))
    {
    }
    Expected(Error error)
        : m_error(std::move(error))
    {
    }

    explicit operator bool() const { return m_value.has_value(); }
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }
    const Error& error() const { return m_error; }

    // Equal to a value only when it holds that value.
    template<typename U>
    friend bool operator==(const Expected& expected, const U& value)
    {
        return expected.m_value && *expected.m_value == value;
    }

private:
    std::optional<T> m_value;
    Error m_error;
};

// A call that yields nothing but may fail.
template<>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error)
        : m_failed(true)
        , m_error(std::move(error))
    {
    }

    explicit operator bool() const { return !m_failed; }
    const Error& error() const { return m_error; }

private:
    bool m_failed = false;
    Error m_error;
};
