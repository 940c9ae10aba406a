#include "Tools/disknode/DiskNodeHelper.h"

#include "Tools/Common/DiskCatalog.h"
#include "Tools/Common/ExternalVolumePolicy.h"
#include "Tools/Common/VolumeMounter.h"

#include <cstdio>
#include <sys/sysmacros.h>

namespace Tools {

DiskNodeHelper::DiskNodeHelper(ToolPaths paths)
    : m_paths(std::move(paths))
{
}

int DiskNodeHelper::run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    unsigned majorNumber = 0;
    unsigned minorNumber = 0;
    if (arguments.size() != 2 || std::sscanf(arguments[1].c_str(), "%u:%u", &majorNumber, &minorNumber) != 2) {
        err << "usage: parvex-disknode add|mount|remove MAJOR:MINOR\n";
        return 1;
    }
    dev_t number = makedev(majorNumber, minorNumber);
    const std::string& action = arguments[0];
    if (action == "add")
        return add(number, out, err);
    if (action == "mount")
        return mount(number, err);
    if (action == "remove")
        return remove(number, err);
    err << "parvex-disknode: unknown action " << action << "\n";
    return 1;
}

DiskRegistry DiskNodeHelper::registry() const
{
    return DiskRegistry(m_paths.devDir, std::make_shared<SysfsBlock>(m_paths.sysDir));
}

int DiskNodeHelper::add(dev_t number, std::ostream& out, std::ostream& err)
{
    DiskRegistry disks = registry();
    auto identifier = disks.assign(number);
    if (!identifier) {
        err << "parvex-disknode: " << identifier.error().description << "\n";
        return 1;
    }
    // Users list disks through libblkid's cache; fill it while we may read the devices.
    BlockProbe::remember(identifier->nodePath(m_paths.devDir));
    if (identifier->isWholeDisk()) {
        for (const auto& node : disks.nodes()) {
            if (node.identifier.disk() == identifier->disk() && !node.identifier.isWholeDisk())
                BlockProbe::remember(node.identifier.nodePath(m_paths.devDir));
        }
    }
    // And the probe cache, so that listings read the disk no more.
    (void)DiskCatalog::standard(m_paths).disk(*identifier);
    out << identifier->name() << "\n";
    return 0;
}

int DiskNodeHelper::mount(dev_t number, std::ostream& err)
{
    auto identifier = registry().identifierOf(number);
    DiskCatalog catalog = DiskCatalog::standard(m_paths);
    auto volume = identifier ? catalog.volume(*identifier) : std::nullopt;
    auto disk = volume ? catalog.disk(volume->identifier) : std::nullopt;
    if (!volume || !disk || !volume->hasFileSystem())
        return 0;
    // What a user may have diskutil mount, and nothing else: the rule
    // picks removable disks, and this holds whatever a rule asks.
    if (Expected<void> accepted = ExternalVolumePolicy::checkVolume(*volume, *disk); !accepted) {
        err << "parvex-disknode: not mounted: " << accepted.error().description << "\n";
        return 1;
    }
    auto mounted = VolumeMounter(m_paths).mount(*volume);
    std::string note = mounted ? mounted->note : mounted.error().description;
    if (!note.empty())
        err << "parvex-disknode: " << volume->identifier.name() << ": " << note << "\n";
    return mounted ? 0 : 1;
}

int DiskNodeHelper::remove(dev_t number, std::ostream& err)
{
    // A disk pulled out leaves its mounts dead: they go with it, as
    // hdiutil detach takes a disk image's down first.
    DiskRegistry disks = registry();
    for (const auto& node : disks.nodesOf(number)) {
        VolumeDescription volume;
        volume.node = node.identifier.nodePath(m_paths.devDir);
        volume.mounts = MountTable(m_paths.mountInfo).mountsOf(node.number);
        if (volume.mounts.empty())
            continue;
        if (Expected<void> done = VolumeMounter(m_paths).unmount(volume, true); !done)
            err << "parvex-disknode: " << node.identifier.name() << ": " << done.error().description << "\n";
    }
    disks.releaseDevice(number);
    return 0;
}

}
