#pragma once

#include "Platform/Foundation/Expected.h"
#include "Tools/Common/DiskDescription.h"

#include <string>

namespace Tools {

// What diskutil may mount or unmount for a user who is not root. The sudo
// rule installed with the tools lets such a user run `diskutil mount|umount
// TARGET` as root with any TARGET, so diskutil itself keeps that to the
// volumes of disk images and removable disks it has identified, named by
// identifier or volume name: no options, no paths, never the system's disk.
class ExternalVolumePolicy {
public:
    // Before anything is looked up: "disk4s1", "/dev/disk4s1" or a volume name.
    static Expected<void> checkTarget(const std::string& target);
    // The volume the target named, and the disk it is on.
    static Expected<void> checkVolume(const VolumeDescription& volume, const DiskDescription& disk);
};

}
