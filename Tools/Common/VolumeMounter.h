#pragma once

#include "Tools/Common/DiskDescription.h"
#include "Tools/Common/Expected.h"
#include "Tools/Common/ToolPaths.h"

#include <string>

namespace Tools {

struct MountResult {
    bool ok = false;
    std::string mountPoint;
    bool readOnly = false;
    std::string note;      // why a read-write request ended read-only, or why the mount failed
};

// Mounts volumes the way the system does on its own: under /Volumes/<name>,
// NTFS read-only unless the fstab asks for read-write by label.
class VolumeMounter {
public:
    explicit VolumeMounter(ToolPaths paths);

    MountResult mount(const VolumeDescription& volume) const;
    // Unmounts every mount of the volume, also one made elsewhere (the desktop
    // folder of a read-write mount), and removes the /Volumes folders left empty.
    Outcome unmount(const VolumeDescription& volume, bool force) const;

    // "/Volumes/Data", or "/Volumes/Data 1" when that folder is in use.
    std::string freeMountPoint(const std::string& name) const;
    bool isUnderVolumes(const std::string& path) const;

private:
    MountResult mountNtfs(const VolumeDescription& volume, const std::string& directory) const;
    MountResult mountKernel(const VolumeDescription& volume, const std::string& directory) const;

    ToolPaths m_paths;
};

}
