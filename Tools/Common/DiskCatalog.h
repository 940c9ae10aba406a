#pragma once

#include "Tools/Common/DiskDescription.h"
#include "Tools/Common/DiskRegistry.h"
#include "Platform/Foundation/MountTable.h"
#include "Tools/Common/SysfsBlock.h"
#include "Tools/Common/ToolPaths.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tools {

// Everything known about the identified disks, gathered fresh on each call
// from the nodes, sysfs, the mount table (read once a call) and libblkid
// (through the probe cache, so that an unchanged device is not read again).
class DiskCatalog {
public:
    using Prober = std::function<Expected<ProbeResult>(const std::string& node, const BlockDeviceInfo& device)>;

    DiskCatalog(std::shared_ptr<DiskRegistry> registry, std::shared_ptr<SysfsBlock> sysfs, std::shared_ptr<MountTable> mounts, Prober prober);
    // The tools' catalog: the probe cache in its place under `paths`.
    static DiskCatalog standard(const ToolPaths& paths);

    std::vector<DiskDescription> disks() const;
    std::optional<DiskDescription> disk(const DiskIdentifier& identifier) const;
    // A partition, or a whole disk seen as a volume.
    std::optional<VolumeDescription> volume(const DiskIdentifier& identifier) const;
    // By identifier, device node, mount point or volume name, as the
    // original's mount and unmount verbs accept them.
    std::optional<VolumeDescription> findVolume(const std::string& target) const;

    // Whether `target` names `volume` other than by identifier.
    static bool matchesByName(const VolumeDescription& volume, const std::string& target);

private:
    std::optional<DiskDescription> describe(const RegisteredNode& disk, const std::vector<RegisteredNode>& nodes,
                                            const std::vector<MountEntry>& mounts) const;

    std::shared_ptr<DiskRegistry> m_registry;
    std::shared_ptr<SysfsBlock> m_sysfs;
    std::shared_ptr<MountTable> m_mounts;
    Prober m_prober;
};

}
