#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"

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

    // Empty when the table cannot be read.
    std::vector<MountEntry> entries() const;
    // Every mount of the block device `number`, whether it was made through
    // our /dev/disk node or another name for the same device.
    std::vector<MountEntry> mountsOf(dev_t number) const;
    // The same, from entries read before: one reading serves many devices.
    static std::vector<MountEntry> mountsOf(dev_t number, const std::vector<MountEntry>& entries);
    // The topmost mount at exactly `target`.
    std::optional<MountEntry> mountAt(const std::string& target) const;
    // Every mount of the device at the node `device` ("/dev/disk4s1"), made
    // through that node or another name for the same block device; fails
    // only when the table cannot be read.
    Expected<std::vector<MountEntry>> mountsOfNode(const std::string& device) const;
    // The same, from entries read before.
    static std::vector<MountEntry> mountsOfNode(const std::string& device, const std::vector<MountEntry>& entries);
    // The block device a node stands for, or 0 where it is none.
    static dev_t deviceNumber(const std::string& node);

    // The volume code's two questions, with `folder` named as given or with
    // its links resolved (the kernel lists resolved paths). Each fails only
    // when the table cannot be read.
    Expected<bool> isMountPoint(const std::string& folder) const;
    // Whether the topmost mount at `folder` is a read-write mount of
    // `device` (a node such as "/dev/disk4s1", or another name for the same
    // block device). What a command printed can say otherwise; this is what
    // the kernel holds.
    Expected<bool> isReadWriteMount(const std::string& folder, const std::string& device) const;

private:
    Expected<std::vector<MountEntry>> read() const;
    static const MountEntry* topmost(const std::vector<MountEntry>& entries, const std::string& folder);

    std::string m_path;
};
