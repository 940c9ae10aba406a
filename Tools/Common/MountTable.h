#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Tools {

struct MountEntry {
    std::string source;      // "/dev/disk4s1"
    std::string target;      // "/Volumes/Data"
    std::string fsType;      // "fuseblk" for ntfs-3g
    std::string vfsOptions;  // per-mount options: "ro,relatime"
    std::string fsOptions;   // super-block options
    dev_t device = 0;        // the st_dev the mount reports
    int id = 0;              // the mount's own number, as statx reports it

    bool isReadWrite() const;
};

// The mounts of this process's namespace as the kernel lists them now.
class MountTable {
public:
    explicit MountTable(std::string mountInfoPath = "/proc/self/mountinfo");

    std::vector<MountEntry> entries() const;
    // Every mount of the block device `number`, whether it was made through
    // our /dev/disk node or another name for the same device.
    std::vector<MountEntry> mountsOf(dev_t number) const;
    // The same, from entries read before: one reading serves many devices.
    static std::vector<MountEntry> mountsOf(dev_t number, const std::vector<MountEntry>& entries);
    std::optional<MountEntry> mountAt(const std::string& target) const;

private:
    std::string m_path;
};

}
