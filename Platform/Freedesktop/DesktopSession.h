#pragma once

#include <functional>
#include <string>

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
        // Shows the windows on the desktop's display, false where there is
        // none (the settings app hands in its GTK backend's installer).
        std::function<bool()> windows;
        // Hears where the status item went and what the windows run on.
        Report report;
    };

    static void install(const Choice& choice);
};
