#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>

// The settings window as the X server sees it: found by its title among the
// screen's top-level windows, and whether the save button is drawn in it yet.
class SettingsOnDisplay {
public:
    explicit SettingsOnDisplay(const std::string& display);
    ~SettingsOnDisplay();
    SettingsOnDisplay(const SettingsOnDisplay&) = delete;
    SettingsOnDisplay& operator=(const SettingsOnDisplay&) = delete;

    bool isConnected() const;
    // Mapped, and the save button's blue on the screen where the window has it.
    bool isMappedAndDrawn();

private:
    std::optional<xcb_window_t> mappedWindow(const std::string& title);

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};
