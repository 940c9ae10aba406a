#pragma once

#include <memory>

class NSView;

// Installs the mouse tracking that drives a widget's hover look.
class TrackingArea {
public:
    // Entered and exited, in the key window, over the visible rectangle.
    static constexpr unsigned options = 0x221;

    explicit TrackingArea(std::weak_ptr<NSView> base)
        : m_base(std::move(base))
    {
    }

    std::shared_ptr<NSView> base() const { return m_base.lock(); }
    // Adds to the base a tracking area over its bounds as they are now, owned
    // by the base.
    void enable() const;

private:
    std::weak_ptr<NSView> m_base;
};
