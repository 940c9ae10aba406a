#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Tools {

struct BlockDeviceInfo {
    dev_t number = 0;
    std::string kernelName;      // "loop0", "loop0p1", "sdb1"
    bool isPartition = false;
    int partitionNumber = 0;
    dev_t parent = 0;            // the whole disk of a partition
    uint64_t sizeBytes = 0;
    bool removable = false;
    bool isLoop = false;
    bool isUsb = false;
    std::string backingFile;     // the image behind a loop device
    // The kernel's count for the whole disk, raised when it gets new media
    // (a loop device a new image); 0 where the kernel keeps none.
    uint64_t diskSequence = 0;
};

// What the kernel says about a block device, read from sysfs, which every
// user may read (the device itself is root's).
class SysfsBlock {
public:
    explicit SysfsBlock(std::string sysDir = "/sys");

    std::optional<BlockDeviceInfo> describe(dev_t number) const;
    std::optional<BlockDeviceInfo> describeByName(const std::string& kernelName) const;
    // Partitions of a whole disk in partition-number order.
    std::vector<BlockDeviceInfo> partitionsOf(dev_t disk) const;
    bool exists(dev_t number) const;

private:
    std::optional<BlockDeviceInfo> describePath(const std::string& path) const;

    std::string m_sysDir;
};

std::string deviceNumberText(dev_t number);

}
