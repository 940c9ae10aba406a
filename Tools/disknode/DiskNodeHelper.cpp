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
    auto sysfs = std::make_shared<SysfsBlock>(m_paths.sysDir);
    auto registry = std::make_shared<DiskRegistry>(m_paths.devDir, sysfs);
    const std::string& action = arguments[0];

    if (action == "remove") {
        // A disk pulled out leaves its mounts dead: they go with it, as
        // hdiutil detach takes a disk image's down first.
        for (const auto& node : registry->nodesOf(number)) {
            VolumeDescription volume;
            volume.node = node.identifier.nodePath(m_paths.devDir);
            volume.mounts = MountTable(m_paths.mountInfo).mountsOf(node.number);
            if (volume.mounts.empty())
                continue;
            if (Expected<void> done = VolumeMounter(m_paths).unmount(volume, true); !done)
                err << "parvex-disknode: " << node.identifier.name() << ": " << done.error().description << "\n";
        }
        registry->releaseDevice(number);
        return 0;
    }
    if (action == "add") {
        auto identifier = registry->assign(number);
        if (!identifier) {
            err << "parvex-disknode: " << identifier.error().description << "\n";
            return 1;
        }
        // Users list disks through libblkid's cache; fill it while we may read the devices.
        BlockProbe::remember(identifier->nodePath(m_paths.devDir));
        if (identifier->isWholeDisk()) {
            for (const auto& node : registry->nodes()) {
                if (node.identifier.disk() == identifier->disk() && !node.identifier.isWholeDisk())
                    BlockProbe::remember(node.identifier.nodePath(m_paths.devDir));
            }
        }
        // And the probe cache, so that listings read the disk no more.
        (void)DiskCatalog::standard(m_paths).disk(*identifier);
        out << identifier->name() << "\n";
        return 0;
    }
    if (action == "mount") {
        auto identifier = registry->identifierOf(number);
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
    err << "parvex-disknode: unknown action " << action << "\n";
    return 1;
}

}
