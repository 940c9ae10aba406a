#pragma once

#include "Platform/Foundation/Expected.h"
#include "Tools/Common/DiskIdentifier.h"
#include "Tools/Common/SysfsBlock.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Tools {

struct RegisteredNode {
    DiskIdentifier identifier;
    dev_t number = 0;
};

// The identifiers are the block device nodes /dev/diskN and /dev/diskNsM
// themselves, carrying the numbers of the Linux device they stand for, so the
// mapping needs no state of its own and "/dev/" + identifier opens the device.
class DiskRegistry {
public:
    DiskRegistry(std::string devDir, std::shared_ptr<SysfsBlock> sysfs);

    // Nodes whose device still exists, whole disks before their partitions.
    std::vector<RegisteredNode> nodes() const;
    std::optional<dev_t> deviceOf(const DiskIdentifier& identifier) const;
    std::optional<DiskIdentifier> identifierOf(dev_t number) const;

    // Gives a whole disk the smallest free diskN from 2 (or keeps the one it
    // has) and its partitions diskNsM.
    Expected<DiskIdentifier> assign(dev_t disk);
    // Makes the node of one partition whose disk already has an identifier.
    Expected<DiskIdentifier> assignPartition(dev_t partition);
    // Removes diskN and every diskNsM.
    void release(const DiskIdentifier& disk);
    // The nodes of a device, gone or not, and of a whole disk's partitions.
    std::vector<RegisteredNode> nodesOf(dev_t number) const;
    // Removes the nodes of a device that has gone (and of its partitions).
    void releaseDevice(dev_t number);

    const std::string& devDir() const { return m_devDir; }

    static constexpr int firstDiskNumber = 2;

private:
    struct RawNode {
        DiskIdentifier identifier;
        dev_t number;
    };
    std::vector<RawNode> rawNodes() const;
    Expected<void> makeNode(const DiskIdentifier& identifier, dev_t number) const;

    std::string m_devDir;
    std::shared_ptr<SysfsBlock> m_sysfs;
};

}
