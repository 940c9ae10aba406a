#include "Tools/Common/DiskCatalog.h"

#include "Tools/Common/ProbeCache.h"

namespace Tools {

DiskCatalog::DiskCatalog(std::shared_ptr<DiskRegistry> registry, std::shared_ptr<SysfsBlock> sysfs, std::shared_ptr<MountTable> mounts, Prober prober)
    : m_registry(std::move(registry))
    , m_sysfs(std::move(sysfs))
    , m_mounts(std::move(mounts))
    , m_prober(std::move(prober))
{
}

DiskCatalog DiskCatalog::standard(const ToolPaths& paths)
{
    auto sysfs = std::make_shared<SysfsBlock>(paths.sysDir);
    auto cache = std::make_shared<ProbeCache>(paths.probeCacheDir, paths.devDir);
    return DiskCatalog(std::make_shared<DiskRegistry>(paths.devDir, sysfs), sysfs, std::make_shared<MountTable>(paths.mountInfo),
                       [cache](const std::string& node, const BlockDeviceInfo& device) { return cache->probe(node, device); });
}

std::optional<DiskDescription> DiskCatalog::describe(const RegisteredNode& diskNode, const std::vector<RegisteredNode>& nodes,
                                                     const std::vector<MountEntry>& mounts) const
{
    auto info = m_sysfs->describe(diskNode.number);
    if (!info)
        return std::nullopt;
    DiskDescription disk;
    disk.identifier = diskNode.identifier;
    disk.node = diskNode.identifier.nodePath(m_registry->devDir());
    disk.number = diskNode.number;
    disk.size = info->sizeBytes;
    disk.diskImage = info->isLoop;
    disk.removable = info->removable;
    disk.usb = info->isUsb;
    if (auto probe = m_prober(disk.node, *info))
        disk.probe = *probe;
    if (!disk.probe.fsType.empty())
        disk.mounts = MountTable::mountsOf(disk.number, mounts);

    for (const auto& node : nodes) {
        if (node.identifier.disk() != diskNode.identifier.disk() || node.identifier.isWholeDisk())
            continue;
        auto partitionInfo = m_sysfs->describe(node.number);
        if (!partitionInfo)
            continue;
        VolumeDescription volume;
        volume.identifier = node.identifier;
        volume.node = node.identifier.nodePath(m_registry->devDir());
        volume.number = node.number;
        volume.size = partitionInfo->sizeBytes;
        volume.diskImage = disk.diskImage;
        volume.removable = disk.removable || disk.usb;
        if (auto probe = m_prober(volume.node, *partitionInfo))
            volume.probe = *probe;
        if (volume.probe.entryScheme.empty())
            volume.probe.entryScheme = disk.probe.tableType;
        volume.mounts = MountTable::mountsOf(volume.number, mounts);
        disk.partitions.push_back(std::move(volume));
    }
    return disk;
}

std::vector<DiskDescription> DiskCatalog::disks() const
{
    std::vector<DiskDescription> disks;
    auto nodes = m_registry->nodes();
    auto mounts = m_mounts->entries();
    for (const auto& node : nodes) {
        if (!node.identifier.isWholeDisk())
            continue;
        if (auto disk = describe(node, nodes, mounts))
            disks.push_back(std::move(*disk));
    }
    return disks;
}

std::optional<DiskDescription> DiskCatalog::disk(const DiskIdentifier& identifier) const
{
    auto nodes = m_registry->nodes();
    for (const auto& node : nodes) {
        if (node.identifier == identifier.wholeDisk())
            return describe(node, nodes, m_mounts->entries());
    }
    return std::nullopt;
}

std::optional<VolumeDescription> DiskCatalog::volume(const DiskIdentifier& identifier) const
{
    auto whole = disk(identifier);
    if (!whole)
        return std::nullopt;
    if (identifier.isWholeDisk())
        return whole->asVolume();
    for (const auto& partition : whole->partitions) {
        if (partition.identifier == identifier)
            return partition;
    }
    return std::nullopt;
}

bool DiskCatalog::matchesByName(const VolumeDescription& volume, const std::string& target)
{
    if (target.empty())
        return false;
    if (target == volume.node)
        return true;
    for (const auto& mount : volume.mounts) {
        if (target == mount.target)
            return true;
    }
    return volume.hasFileSystem() && target == volume.name();
}

std::optional<VolumeDescription> DiskCatalog::findVolume(const std::string& target) const
{
    if (auto identifier = DiskIdentifier::parse(target)) {
        if (auto found = volume(*identifier))
            return found;
    }
    for (const auto& disk : disks()) {
        VolumeDescription whole = disk.asVolume();
        if (matchesByName(whole, target))
            return whole;
        for (const auto& partition : disk.partitions) {
            if (matchesByName(partition, target))
                return partition;
        }
    }
    return std::nullopt;
}

}
