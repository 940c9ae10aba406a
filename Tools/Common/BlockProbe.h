#pragma once

#include "Platform/Foundation/Expected.h"

#include <cstdint>
#include <string>

namespace Tools {

// What libblkid finds on one block device.
struct ProbeResult {
    std::string fsType;       // "ntfs", "vfat", ... empty when none
    std::string label;
    std::string uuid;
    std::string tableType;    // "dos", "gpt" for a whole disk with a partition table
    std::string entryScheme;  // for a partition: the table it sits in
    std::string entryType;    // "0x7", or a GPT type GUID
    std::string entryName;
    uint64_t size = 0;
    bool fromCache = false;   // read from libblkid's cache, not the device
};

class BlockProbe {
public:
    // Reads the device; a user who may not read it gets what libblkid's
    // cache last learnt as root, as `blkid` does.
    static Expected<ProbeResult> probe(const std::string& node);
    // Stores the device's tags in libblkid's cache so that users can list it.
    static void remember(const std::string& node);
};

}
