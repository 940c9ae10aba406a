#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Platform/Foundation/Expected.h"

typedef struct xcb_connection_t xcb_connection_t;
class FileDescriptorSource;

// Whether the X screen has a system tray (a manager owns the screen's
// _NET_SYSTEM_TRAY selection), and when one comes or goes: a tray manager
// announces itself to the root window, and its window goes when it quits.
// Plain xcb, so watching costs no toolkit.
class XTrayWatcher {
public:
    // Watches the display in DISPLAY; fails when there is none or it does
    // not answer. `changed` hears each coming and going of a tray.
    static Expected<std::unique_ptr<XTrayWatcher>> connect(std::function<void(bool present)> changed);
    ~XTrayWatcher();
    XTrayWatcher(const XTrayWatcher&) = delete;
    XTrayWatcher& operator=(const XTrayWatcher&) = delete;

    bool isPresent() const { return m_owner != 0; }

private:
    XTrayWatcher(xcb_connection_t* connection, int screenNumber, std::function<void(bool)> changed);
    void readEvents();
    void update();

    std::function<void(bool)> m_changed;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_selection = 0;
    std::uint32_t m_manager = 0;
    std::uint32_t m_owner = 0;
    std::unique_ptr<FileDescriptorSource> m_source;
};
