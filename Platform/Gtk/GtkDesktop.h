#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/AppKit/AppearanceSource.h"

// A program's windows on the desktop. Where GTK can open the display, the
// GTK window backend is installed; without a display nothing changes and
// the headless backend stays. Call it on the main thread before the first
// window shows.
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

    // GTK's own light or dark setting, for the session to follow beside the
    // desktop's; none when there is no display.
    static std::unique_ptr<AppearanceSource> install(const Identity& identity, Report report);
};
