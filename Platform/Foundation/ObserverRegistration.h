#pragma once

#include <functional>

// Owns one observer's place in a notification center; destroying it removes the
// observer, and nothing is delivered to it afterwards.
class ObserverRegistration {
public:
    explicit ObserverRegistration(std::function<void()> remove)
        : m_remove(std::move(remove))
    {
    }
    ~ObserverRegistration()
    {
        if (m_remove)
            m_remove();
    }
    ObserverRegistration(const ObserverRegistration&) = delete;
    ObserverRegistration& operator=(const ObserverRegistration&) = delete;

private:
    std::function<void()> m_remove;
};
