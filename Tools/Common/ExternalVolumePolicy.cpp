#include "Tools/Common/ExternalVolumePolicy.h"

#include <algorithm>
#include <filesystem>

namespace Tools {

namespace {

// `path` is `folder` or below it; no folder holds everything.
bool isWithin(const std::string& path, const std::string& folder)
{
    std::filesystem::path base = std::filesystem::path(folder).lexically_normal();
    if (base.empty() || base == base.root_path())
        return false;
    auto relative = std::filesystem::path(path).lexically_normal().lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

bool holdsTheSystem(const std::vector<MountEntry>& mounts)
{
    return std::any_of(mounts.begin(), mounts.end(), [](const MountEntry& mount) { return mount.target == "/"; });
}

}

Expected<void> ExternalVolumePolicy::checkTarget(const std::string& target)
{
    if (target.empty())
        return Error::message("diskutil: an empty disk or volume name is not accepted");
    // sudo hands the arguments on as they are; one that looks like an option
    // must never reach a program as one.
    if (target[0] == '-')
        return Error::message("diskutil: " + target + " looks like an option; name a disk (diskNsM) or a volume");
    if (target.find_first_of(std::string("\n\0", 2)) != std::string::npos)
        return Error::message("diskutil: a disk or volume name cannot hold a line break");
    // A path other than an identifier's node (a mount point, another device)
    // would let the caller pick what is unmounted.
    if (target[0] == '/' && !DiskIdentifier::parse(target))
        return Error::message("diskutil: " + target + " is not a disk identifier; only the volumes of external disks (diskNsM or their volume names) may be mounted or unmounted without root");
    return {};
}

Expected<void> ExternalVolumePolicy::checkVolume(const VolumeDescription& volume, const DiskDescription& disk)
{
    std::string id = volume.identifier.name();
    if (!(disk.diskImage || disk.removable || disk.usb))
        return Error::message("diskutil: " + id + " is on an internal disk; only the volumes of external disks and disk images may be mounted or unmounted without root");
    bool system = holdsTheSystem(disk.mounts);
    for (const auto& partition : disk.partitions)
        system = system || holdsTheSystem(partition.mounts);
    if (system)
        return Error::message("diskutil: " + id + " is on the system's disk and is never mounted or unmounted for a user");
    return {};
}

Expected<void> ExternalVolumePolicy::checkUnmount(const VolumeDescription& volume, const ToolPaths& paths,
                                                  const std::optional<std::string>& home)
{
    for (const auto& mount : volume.mounts) {
        if (!paths.isVolumeFolder(mount.target) && !(home && isWithin(mount.target, *home)))
            return Error::message("diskutil: " + volume.identifier.name() + " is mounted on " + mount.target
                                  + ", which is neither under " + paths.volumesDir
                                  + " nor in your home folder; only root may unmount it");
    }
    return {};
}

}
