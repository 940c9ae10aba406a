#pragma once

#include "Platform/Foundation/Expected.h"
#include "Tools/Common/DiskDescription.h"
#include "Tools/Common/ToolPaths.h"

#include <string>

namespace Tools {

struct MountedVolume {
    std::string mountPoint;
    bool readOnly = false;
    std::string note;      // why a read-write request ended read-only
};

// Mounts volumes the way the system does on its own: under /Volumes/<name>,
// NTFS read-only unless the fstab asks for read-write by label.
class VolumeMounter {
public:
    explicit VolumeMounter(ToolPaths paths);

    Expected<MountedVolume> mount(const VolumeDescription& volume) const;
    // Unmounts every mount of the volume, also one made elsewhere (the desktop
    // folder of a read-write mount), and removes the /Volumes folders left
    // empty. A mount in use fails (EBUSY, naming it) unless `force` is set,
    // which detaches it from the tree at once and leaves the rest to the
    // kernel when its last file closes.
    Expected<void> unmount(const VolumeDescription& volume, bool force) const;

    // "/Volumes/Data", or "/Volumes/Data 1" when that folder is in use.
    std::string freeMountPoint(const std::string& name) const;

private:
    Expected<MountedVolume> mountNtfs(const VolumeDescription& volume, const std::string& directory) const;
    Expected<MountedVolume> mountKernel(const VolumeDescription& volume, const std::string& directory) const;

    ToolPaths m_paths;
};

}
