#pragma once

#include <cstdint>
#include <functional>

typedef struct xcb_connection_t xcb_connection_t;

// Whether the X screen has a system tray (a manager owns the screen's
// _NET_SYSTEM_TRAY selection), and when one comes or goes: a tray manager
// announces itself to the root window, and its window goes when it quits.
// Plain xcb, so watching costs no toolkit.
class XTrayWatcher {
public:
    // No display, or none that answers: isConnected() is false.
    explicit XTrayWatcher(std::function<void(bool present)> changed);
    ~XTrayWatcher();
    XTrayWatcher(const XTrayWatcher&) = delete;
    XTrayWatcher& operator=(const XTrayWatcher&) = delete;

    bool isConnected() const { return m_connection != nullptr; }
    bool isPresent() const { return m_owner != 0; }

private:
    void readEvents();
    void update();

    std::function<void(bool)> m_changed;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_selection = 0;
    std::uint32_t m_manager = 0;
    std::uint32_t m_owner = 0;
    unsigned m_source = 0;
};
