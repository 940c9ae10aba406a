#pragma once

#include <string_view>

// Sparkle's way of ordering version strings: each is cut into runs of
// digits, of letters and of other characters; runs are compared in turn,
// numbers by value and letters by text. Where the kinds differ, a number is
// newer than letters ("1.0" > "1.0b") and a separator, and letters are older
// than anything else. When one version is the other plus more, a following
// letter run makes it older ("1.0b1" < "1.0"), anything else newer
// ("1.0.1" > "1.0").
class SUStandardVersionComparator {
public:
    // Negative when `a` is older than `b`, 0 when equal, positive when newer.
    static int compareVersions(std::string_view a, std::string_view b);
};
