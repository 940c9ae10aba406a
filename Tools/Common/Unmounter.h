#pragma once

#include "Tools/Common/Expected.h"

#include <string>

namespace Tools {

class Unmounter {
public:
    // A busy mount is detached lazily only when `force` is set.
    static Outcome unmount(const std::string& target, bool force);
    // ntfs-3g lets go of the device a moment after its mount has gone; the
    // next mount or the removal of the disk must wait for that.
    static bool waitForRelease(const std::string& node, int timeoutMilliseconds = 10000);
};

}
