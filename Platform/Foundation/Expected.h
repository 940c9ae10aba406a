#pragma once

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

// Why a platform call failed: the errno value (0 when the failure has none) and
// a sentence that a log line or a tool's message can show as it is.
struct Error {
    int code = 0;
    std::string description;

    // "<what>: <strerror(code)>"; take `code` right after the failing call,
    // before anything else can change errno.
    static Error system(int code, const std::string& what)
    {
        return {code, what + ": " + std::strerror(code)};
    }
};

// The one result shape of fallible platform calls: a value, or the Error that
// says why there is none. [[nodiscard]] so that no caller drops a failure.
template<typename T>
class [[nodiscard]] Expected {
public:
    Expected(T value)
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
