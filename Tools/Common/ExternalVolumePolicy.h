#pragma once

#include "Platform/Foundation/Expected.h"
#include "Tools/Common/DiskDescription.h"
#include "Tools/Common/ToolPaths.h"

#include <optional>
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
    // An unmount for a user takes down only mounts where the system or that
    // user put them: in a folder of the system's volumes, or in the user's `home`. Any other
    // mount of the volume (root's bind mount elsewhere, say) makes it fail.
    static Expected<void> checkUnmount(const VolumeDescription& volume, const ToolPaths& paths,
                                       const std::optional<std::string>& home);
};

}
