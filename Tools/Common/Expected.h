#pragma once

#include <optional>
#include <string>
#include <utility>

namespace Tools {

// A value or the text that says why there is none; the tools print that
// text as it is, so it is written for the user.
template<typename T>
class Expected {
public:
    Expected(T value)
        : m_value(std::move(value))
    {
    }

    static Expected failure(std::string error)
    {
        Expected result;
        result.m_error = std::move(error);
        return result;
    }

    explicit operator bool() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const std::string& error() const { return m_error; }

private:
    Expected() = default;

    std::optional<T> m_value;
    std::string m_error;
};

// The result of an action that yields nothing but may fail.
struct Outcome {
    bool ok = true;
    std::string error;

    static Outcome success() { return {}; }
    static Outcome failure(std::string error) { return { false, std::move(error) }; }
};

}
