#pragma once

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/MountTable.h"

#include <string>

namespace Tools {

class Unmounter {
public:
    // A busy mount is detached lazily only when `force` is set.
    static Expected<void> unmount(const std::string& target, bool force);
    // Unmounts exactly this mount. Its folder may sit in a user's own folders
    // (a desktop mount), where the user could swap a folder on the way for a
    // symbolic link between our reading of the table and the unmount: the
    // path is walked without following links, and the mount found at its end
    // must be the one listed.
    static Expected<void> unmount(const MountEntry& mount, bool force);
    // ntfs-3g lets go of the device a moment after its mount has gone; the
    // next mount or the removal of the disk waits for that (at most the timeout).
    static void waitForRelease(const std::string& node, int timeoutMilliseconds = 10000);
};

}
