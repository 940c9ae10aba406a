#include "Tools/Common/DiskRegistry.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <grp.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace Tools {

DiskRegistry::DiskRegistry(std::string devDir, std::shared_ptr<SysfsBlock> sysfs)
    : m_devDir(std::move(devDir))
    , m_sysfs(std::move(sysfs))
{
}

std::vector<DiskRegistry::RawNode> DiskRegistry::rawNodes() const
{
    std::vector<RawNode> nodes;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(m_devDir, error)) {
        auto identifier = DiskIdentifier::parse(entry.path().filename().string());
        if (!identifier)
            continue;
        struct stat info {};
        if (lstat(entry.path().c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
            continue;
        nodes.push_back({ *identifier, info.st_rdev });
    }
    std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a.identifier < b.identifier; });
    return nodes;
}

std::vector<RegisteredNode> DiskRegistry::nodes() const
{
    // A partition node counts only while its disk's node does: when a disk
    // goes, the nodes of all its partitions are stale together.
    std::vector<RegisteredNode> live;
    std::set<int> liveDisks;
    for (const auto& node : rawNodes()) {
        if (!m_sysfs->exists(node.number))
            continue;
        if (node.identifier.isWholeDisk())
            liveDisks.insert(node.identifier.disk());
        else if (!liveDisks.contains(node.identifier.disk()))
            continue;
        live.push_back({ node.identifier, node.number });
    }
    return live;
}

std::optional<dev_t> DiskRegistry::deviceOf(const DiskIdentifier& identifier) const
{
    struct stat info {};
    if (lstat(identifier.nodePath(m_devDir).c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return std::nullopt;
    if (!m_sysfs->exists(info.st_rdev))
        return std::nullopt;
    if (!identifier.isWholeDisk() && !deviceOf(identifier.wholeDisk()))
        return std::nullopt;
    return info.st_rdev;
}

std::optional<DiskIdentifier> DiskRegistry::identifierOf(dev_t number) const
{
    for (const auto& node : nodes()) {
        if (node.number == number)
            return node.identifier;
    }
    return std::nullopt;
}

Expected<void> DiskRegistry::makeNode(const DiskIdentifier& identifier, dev_t number) const
{
    std::string path = identifier.nodePath(m_devDir);
    if (mknod(path.c_str(), S_IFBLK | 0660, number) != 0)
        return Error::system(errno, path);
    // Block devices belong to the "disk" group on Debian; keep that custom.
    if (struct group* disk = getgrnam("disk"))
        (void)chown(path.c_str(), 0, disk->gr_gid);
    (void)chmod(path.c_str(), 0660);
    return {};
}

Expected<DiskIdentifier> DiskRegistry::assign(dev_t disk)
{
    auto info = m_sysfs->describe(disk);
    if (!info)
        return Error::message("no such block device " + deviceNumberText(disk));
    if (info->isPartition)
        return assignPartition(disk);

    std::optional<DiskIdentifier> identifier = identifierOf(disk);
    if (!identifier) {
        auto existing = rawNodes();
        std::set<int> taken;
        for (const auto& node : nodes())
            taken.insert(node.identifier.disk());
        // Nodes left by a device that went without telling us are stale: drop them
        // so their numbers can be reused.
        for (const auto& node : existing) {
            if (!taken.contains(node.identifier.disk()))
                unlink(node.identifier.nodePath(m_devDir).c_str());
        }
        for (int number = firstDiskNumber; number < 100000 && !identifier; ++number) {
            if (taken.contains(number))
                continue;
            // mknod is the claim: another tool racing for the same number gets EEXIST.
            Expected<void> made = makeNode(DiskIdentifier(number), disk);
            if (made)
                identifier = DiskIdentifier(number);
            else if (made.error().code != EEXIST)
                return made.error();
        }
        if (!identifier)
            return Error::message("no free disk identifier");
    }
    for (const auto& partition : m_sysfs->partitionsOf(disk)) {
        DiskIdentifier partitionIdentifier(identifier->disk(), partition.partitionNumber);
        if (deviceOf(partitionIdentifier) == partition.number)
            continue;
        unlink(partitionIdentifier.nodePath(m_devDir).c_str());
        if (Expected<void> made = makeNode(partitionIdentifier, partition.number); !made)
            return made.error();
    }
    return *identifier;
}

Expected<DiskIdentifier> DiskRegistry::assignPartition(dev_t partition)
{
    auto info = m_sysfs->describe(partition);
    if (!info || !info->isPartition)
        return Error::message("no such partition " + deviceNumberText(partition));
    auto disk = identifierOf(info->parent);
    if (!disk)
        return Error::message("the disk of " + info->kernelName + " has no identifier");
    DiskIdentifier identifier(disk->disk(), info->partitionNumber);
    if (deviceOf(identifier) == partition)
        return identifier;
    unlink(identifier.nodePath(m_devDir).c_str());
    if (Expected<void> made = makeNode(identifier, partition); !made)
        return made.error();
    return identifier;
}

void DiskRegistry::release(const DiskIdentifier& disk)
{
    for (const auto& node : rawNodes()) {
        if (node.identifier.disk() == disk.disk())
            unlink(node.identifier.nodePath(m_devDir).c_str());
    }
}

std::vector<RegisteredNode> DiskRegistry::nodesOf(dev_t number) const
{
    const auto raw = rawNodes();
    std::set<int> disks;
    for (const auto& node : raw) {
        if (node.number == number && node.identifier.isWholeDisk())
            disks.insert(node.identifier.disk());
    }
    std::vector<RegisteredNode> nodes;
    for (const auto& node : raw) {
        if (node.number == number || disks.contains(node.identifier.disk()))
            nodes.push_back({ node.identifier, node.number });
    }
    return nodes;
}

void DiskRegistry::releaseDevice(dev_t number)
{
    for (const auto& node : nodesOf(number))
        unlink(node.identifier.nodePath(m_devDir).c_str());
}

}
