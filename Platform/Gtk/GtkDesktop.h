#pragma once

#include <functional>
#include <string>

#include "Platform/Freedesktop/DesktopAppearance.h"

class DistributedNotificationCenter;

// A program's windows on the desktop. Where GTK can open the display, the
// GTK window backend is installed and the desktop's light or dark preference
// (the settings portal, else GTK's settings) is mirrored into the global
// domain; without a display nothing changes and the headless backend stays.
// Call it on the main thread before the first window shows.
class GtkDesktop {
public:
    struct Identity {
        // The bundle identifier: the windows' class and the desktop entry's name.
        std::string identifier;
        // The program's name, as screen readers list it.
        std::string name;
        // Used when the icon theme has none by the identifier's name.
        std::string iconPath;
    };
    using Report = std::function<void(const std::string& line)>;

    // False when there is no display.
    static bool install(const Identity& identity, DesktopAppearance::Domain appearance,
                        DistributedNotificationCenter& center, Report report);
};
