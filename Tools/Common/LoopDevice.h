#pragma once

#include "Platform/Foundation/Expected.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace Tools {

// Disk images on loop devices. The kernel here adds no partitions for a loop
// device even with partition scanning on, so they are added and removed one
// by one from the table libblkid reads, as `partx` does.
class LoopDevice {
public:
    // Returns the loop device's node ("/dev/loop3").
    static Expected<std::string> attach(const std::string& imagePath);
    static Expected<void> addPartitions(const std::string& loopNode);
    static Expected<void> removePartitions(const std::string& loopNode);
    static Expected<void> detach(const std::string& loopNode);
    // The loop device that has this image already (the same file, by
    // whatever path), if one does: two of them would mean two writers.
    static std::optional<std::string> holding(const std::string& imagePath, const std::string& sysDir = "/sys");
    // Whether the device still has its image. The kernel keeps a device that
    // something holds open and lets it go when the last holder closes it.
    static bool isBound(const std::string& loopNode);
};

}
