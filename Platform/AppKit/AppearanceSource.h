#pragma once

#include <functional>

// One place where the desktop keeps the user's choice of a light or dark
// look: what it says now, and a call when that may have changed (on the main
// run loop).
class AppearanceSource {
public:
    enum class Preference {
        none,
        light,
        dark,
    };

    virtual ~AppearanceSource() = default;
    virtual Preference preference() = 0;
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};
