#pragma once

#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Sparkle/SUAppcastItem.h"

// What the user hears of an update check. Calls come on the main thread.
class SPUUserDriver {
public:
    virtual ~SPUUserDriver() = default;

    // The feed's newest release is newer than this version of the app.
    virtual void showUpdateFound(const SUAppcastItem& item, const std::string& currentVersion) = 0;
    // Nothing newer; `newest` is the feed's newest release.
    virtual void showUpdateNotFound(const SUAppcastItem& newest, const std::string& currentVersion) = 0;
    // The check could not be made: no feed set, or it could not be fetched or read.
    virtual void showUpdaterError(const Error& error) = 0;
};
