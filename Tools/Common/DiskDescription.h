#pragma once

#include "Tools/Common/BlockProbe.h"
#include "Tools/Common/DiskIdentifier.h"
#include "Platform/Foundation/MountTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Tools {

// One partition, or the file system a whole disk carries without a table.
struct VolumeDescription {
    DiskIdentifier identifier { 0 };
    std::string node;
    dev_t number = 0;
    uint64_t size = 0;
    ProbeResult probe;
    std::vector<MountEntry> mounts;
    bool diskImage = false;
    bool removable = false;

    bool hasFileSystem() const;
    // The volume's label, its control characters escaped ("\n"); "Untitled"
    // for a file system without one, as the original names it.
    std::string name() const;
    const MountEntry* firstMount() const { return mounts.empty() ? nullptr : &mounts.front(); }
};

// A whole disk: what it has of a volume describes the disk itself (its
// mounts are those of a file system on the whole disk).
struct DiskDescription : VolumeDescription {
    bool usb = false;
    std::vector<VolumeDescription> partitions;

    // "disk image", "external, physical" or "internal, physical".
    std::string kind() const;
    // The whole disk seen as a volume: what mount, unmount and info act on.
    VolumeDescription asVolume() const;
};

}
