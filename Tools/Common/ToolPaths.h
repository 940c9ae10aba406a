#pragma once

#include <filesystem>
#include <string>

namespace Tools {

// The fixed places the tools work in. The programs use the defaults; unit
// tests hand in temporary folders, and end-to-end tests meet these paths
// inside a private mount namespace.
struct ToolPaths {
    std::string devDir = "/dev";
    std::string sysDir = "/sys";
    std::string mountInfo = "/proc/self/mountinfo";
    std::string fstab = "/etc/fstab";
    std::string volumesDir = "/Volumes";
    // What the tools learnt probing each device (see ProbeCache).
    std::string probeCacheDir = "/run/parvex/probes";

    // A folder directly in volumesDir: where the system mounts volumes.
    bool isVolumeFolder(const std::string& path) const
    {
        return std::filesystem::path(path).parent_path() == std::filesystem::path(volumesDir);
    }
};

}
