#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/AppKit/AppearanceSource.h"
#include "Platform/Freedesktop/DesktopAppearance.h"

// The one place that picks a program's backends, once, at start, as GLFW
// picks its platform: every program gets the headless backends first (they
// keep real state without a display); on a desktop session this puts in
// what the program asks for and the session offers. Both programs' main call it.
class DesktopSession {
public:
    using Report = std::function<void(const std::string& line)>;

    struct Choice {
        // The status item in the panel's tray, whichever kind the panel has
        // (StatusNotifierItem, else an X system tray); the menu-bar app's.
        bool statusItem = false;
        // Shows the windows on the desktop's display and gives the toolkit's
        // own light or dark setting; none where there is no display (the
        // settings app hands in its GTK backend's installer).
        std::function<std::unique_ptr<AppearanceSource>()> windows;
        // With windows on a display: the desktop's light or dark preference
        // (the settings portal, else the toolkit's) mirrored into this domain.
        std::optional<DesktopAppearance::Domain> appearance;
        // Hears where the status item went and what the windows run on.
        Report report;
    };

    static void install(const Choice& choice);
};
