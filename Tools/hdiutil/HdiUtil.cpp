#include "Tools/hdiutil/HdiUtil.h"

#include "Tools/Common/DiskCatalog.h"
#include "Tools/Common/LoopDevice.h"
#include "Tools/Common/PartitionTypeName.h"
#include "Tools/Common/Privileges.h"
#include "Tools/Common/VolumeMounter.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace Tools {

namespace {

std::string padded(const std::string& text, size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}

HdiUtil::HdiUtil(ToolPaths paths)
    : m_paths(std::move(paths))
{
}

std::string HdiUtil::attachLine(const std::string& node, const std::string& content, const std::string& mountPoint)
{
    return padded(node, 20) + "\t" + padded(content, 31) + "\t" + mountPoint;
}

int HdiUtil::run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return usage(err);
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "attach")
        return attach(rest, out, err);
    if (arguments[0] == "detach" || arguments[0] == "eject")
        return detach(rest, out, err);
    return usage(err);
}

int HdiUtil::usage(std::ostream& err)
{
    err << "Usage: hdiutil attach [-nomount] <image>\n"
           "       hdiutil detach [-force] <diskN>\n";
    return 1;
}

int HdiUtil::attach(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    bool mount = true;
    std::string image;
    for (const auto& argument : arguments) {
        if (argument == "-nomount")
            mount = false;
        else if (argument.starts_with("-"))
            continue;
        else
            image = argument;
    }
    if (image.empty())
        return usage(err);
    if (!Privileges::isRoot()) {
        err << "hdiutil: attach failed - " << Privileges::requirement("hdiutil", "attaching a disk image") << "\n";
        return 1;
    }
    std::error_code error;
    std::string path = std::filesystem::absolute(image, error).string();
    auto sysfs = std::make_shared<SysfsBlock>(m_paths.sysDir);
    auto registry = std::make_shared<DiskRegistry>(m_paths.devDir, sysfs);
    // A second device on the same image would be a second writer on one file
    // system behind the first one's back: what one writes, the other undoes.
    if (auto holder = LoopDevice::holding(path, m_paths.sysDir)) {
        struct stat node {};
        auto disk = stat(holder->c_str(), &node) == 0 ? registry->identifierOf(node.st_rdev) : std::nullopt;
        err << "hdiutil: attach failed - " << path;
        if (disk)
            err << " is attached already as " << disk->name() << "\n";
        else
            err << " is still attached at " << *holder << ": a detach is pending until the last file on it closes\n";
        return 1;
    }
    auto loop = LoopDevice::attach(path);
    if (!loop) {
        err << "hdiutil: attach failed - " << loop.error().description << "\n";
        return 1;
    }
    Expected<void> partitions = LoopDevice::addPartitions(*loop);
    if (!partitions)
        err << "hdiutil: " << partitions.error().description << "\n";

    struct stat info {};
    stat(loop->c_str(), &info);
    auto identifier = registry->assign(info.st_rdev);
    if (!identifier) {
        err << "hdiutil: attach failed - " << identifier.error().description << "\n";
        // Undone as far as it goes; the failure to report is the one above.
        (void)LoopDevice::removePartitions(*loop);
        (void)LoopDevice::detach(*loop);
        return 1;
    }
    // Reading the new disk once fills the probe cache, so that listings read it no more.
    auto disk = DiskCatalog::standard(m_paths).disk(*identifier);
    if (!disk) {
        err << "hdiutil: attach failed - " << identifier->name() << " vanished\n";
        return 1;
    }

    // Users list disks through libblkid's cache; fill it while we may read the device.
    BlockProbe::remember(disk->node);
    for (const auto& partition : disk->partitions)
        BlockProbe::remember(partition.node);

    VolumeMounter mounter(m_paths);
    auto mountOf = [&](const VolumeDescription& volume) -> std::string {
        if (!mount || !volume.hasFileSystem())
            return {};
        auto mounted = mounter.mount(volume);
        std::string note = mounted ? mounted->note : mounted.error().description;
        if (!note.empty())
            err << "hdiutil: " << volume.identifier.name() << ": " << note << "\n";
        return mounted ? mounted->mountPoint : std::string();
    };
    out << attachLine(disk->node, PartitionTypeName::content(disk->probe), mountOf(disk->asVolume())) << "\n";
    for (const auto& partition : disk->partitions)
        out << attachLine(partition.node, PartitionTypeName::content(partition.probe), mountOf(partition)) << "\n";
    return 0;
}

int HdiUtil::detach(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    std::string target;
    bool force = false;
    for (const auto& argument : arguments) {
        if (argument == "-force")
            force = true;
        else if (!argument.starts_with("-"))
            target = argument;
    }
    auto identifier = DiskIdentifier::parse(target);
    if (!identifier)
        return usage(err);
    if (!Privileges::isRoot()) {
        err << "hdiutil: detach failed - " << Privileges::requirement("hdiutil", "detaching a disk image") << "\n";
        return 1;
    }
    auto sysfs = std::make_shared<SysfsBlock>(m_paths.sysDir);
    auto registry = std::make_shared<DiskRegistry>(m_paths.devDir, sysfs);
    DiskCatalog catalog(registry, sysfs, std::make_shared<MountTable>(m_paths.mountInfo), [](const std::string&, const BlockDeviceInfo&) { return Expected<ProbeResult>(ProbeResult {}); });
    auto disk = catalog.disk(identifier->wholeDisk());
    auto info = disk ? sysfs->describe(disk->number) : std::nullopt;
    if (!disk || !info) {
        err << "hdiutil: detach failed - No such file or directory\n";
        return 1;
    }
    if (!info->isLoop) {
        err << "hdiutil: detach failed - " << disk->identifier.name() << " is not a disk image\n";
        return 1;
    }

    // A volume in use (a file open on its desktop mount, say) keeps the disk:
    // detaching it anyway would leave its writer running on a disk we call
    // gone. -force detaches such mounts from the tree all the same; the disk
    // is then released when their last file closes.
    VolumeMounter mounter(m_paths);
    std::vector<VolumeDescription> volumes = disk->partitions;
    volumes.push_back(disk->asVolume());
    // Any mount left in place keeps the disk, -force or not: only one in use
    // can be let go lazily, and the mounter has done that already.
    bool busy = false;
    bool kept = false;
    for (auto& volume : volumes) {
        if (volume.mounts.empty())
            continue;
        Expected<void> done = mounter.unmount(volume, force);
        if (done)
            continue;
        kept = true;
        bool inUse = done.error().code == EBUSY;
        busy = busy || inUse;
        err << "hdiutil: detach failed - " << done.error().description << (inUse ? " (a program is using it)" : "")
            << "\n";
    }
    if (kept) {
        err << "hdiutil: " << disk->identifier.name()
            << (busy ? " stays attached; close what uses it, or detach with -force to let it go once that closes\n"
                     : " stays attached\n");
        return 1;
    }
    std::string loopNode = "/dev/" + info->kernelName;
    registry->release(disk->identifier);
    // With partition scanning on, the kernel drops what is left of the
    // partitions itself once the device is released.
    (void)LoopDevice::removePartitions(loopNode);
    if (Expected<void> detached = LoopDevice::detach(loopNode); !detached) {
        err << "hdiutil: detach failed - " << detached.error().description << "\n";
        return 1;
    }
    // The kernel lets a device that is still held go only when its last
    // holder closes it: that is not ejected yet.
    bool released = false;
    for (int waited = 0; waited < 1000 && !released; waited += 50) {
        released = !LoopDevice::isBound(loopNode);
        if (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!released) {
        (force ? out : err) << "\"" << disk->identifier.name() << "\" detached; " << loopNode
                            << " is still in use: its release is pending until the last file on it closes.\n";
        return force ? 0 : 1;
    }
    out << "\"" << disk->identifier.name() << "\" ejected.\n";
    return 0;
}

}
