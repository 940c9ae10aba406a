#pragma once

#include <memory>
#include <string>

class DistributedNotificationCenter;

// The system's light or dark appearance: the center the change is announced
// on, the announcement's name, and the current appearance read fresh from the
// global preferences each time.
class NSAppleInterfaceTheme {
public:
    static constexpr const char* styleKey = "AppleInterfaceStyle";

    // Made on first use with the default distributed center and the user's
    // global domain, unless a host or a test handed one in before.
    static NSAppleInterfaceTheme& shared();
    static void setShared(std::shared_ptr<NSAppleInterfaceTheme> theme);
    static const std::string& themeChangedNotificationName();
    // ~/Library/Preferences/.GlobalPreferences.plist
    static std::string globalDomainPath();

    // The center is not owned: it outlives every theme.
    NSAppleInterfaceTheme(DistributedNotificationCenter& notification, std::string globalDomainPath);

    DistributedNotificationCenter& notification() const { return m_notification; }
    // False only when the global domain holds the string "Dark" under the
    // style key; no domain, no key, another type or another string read light.
    bool isLight() const;

private:
    DistributedNotificationCenter& m_notification;
    std::string m_globalDomainPath;
};
