#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/AppKit/AppearanceSource.h"

class DistributedNotificationCenter;

// Mirrors the desktop's light or dark preference into the user's global
// preferences as the original platform keeps it: the style key holds "Dark"
// while the desktop prefers dark and is absent otherwise, and the theme
// notification is posted each time that changes, so the code that asks
// NSAppleInterfaceTheme sees the desktop's choice. The first source with an
// opinion wins (the settings portal, then the toolkit's own settings); none
// means light.
class DesktopAppearance {
public:
    // Where the choice is kept and announced.
    struct Domain {
        std::string path;
        std::string styleKey;
        std::string notificationName;
    };
    using Report = std::function<void(const std::string& line)>;

    DesktopAppearance(std::vector<std::unique_ptr<AppearanceSource>> sources, Domain domain,
                      DistributedNotificationCenter& center, Report report = {});

    // Writes the preference of now (announcing it when the domain said
    // otherwise) and follows the sources from then on.
    void start();
    bool prefersDark() const;

private:
    void apply();

    std::vector<std::unique_ptr<AppearanceSource>> m_sources;
    Domain m_domain;
    DistributedNotificationCenter& m_center;
    Report m_report;
};
