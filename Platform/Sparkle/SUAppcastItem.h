#pragma once

#include <string>

// One release of an appcast: the machine version Sparkle compares with the
// app's CFBundleVersion, the version shown to people, and its title.
struct SUAppcastItem {
    std::string versionString;
    // The short version string when the feed gives one, else the version.
    std::string displayVersionString;
    std::string title;
};
