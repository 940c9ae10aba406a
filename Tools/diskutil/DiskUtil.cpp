#include "Tools/diskutil/DiskUtil.h"

#include "Tools/Common/DiskInfoFormatter.h"
#include "Tools/Common/DiskListFormatter.h"
#include "Tools/Common/ExternalVolumePolicy.h"
#include "Tools/Common/Privileges.h"
#include "Tools/Common/SudoRelay.h"
#include "Tools/Common/VolumeMounter.h"

#include <cerrno>

namespace Tools {

DiskUtil::Caller DiskUtil::Caller::current()
{
    return { Privileges::isRoot(), Privileges::actsForUser(), SudoRelay::ownExecutable() };
}

DiskUtil::DiskUtil(ToolPaths paths, Caller caller)
    : m_paths(std::move(paths))
    , m_caller(std::move(caller))
{
    m_catalog = std::make_shared<DiskCatalog>(DiskCatalog::standard(m_paths));
}

int DiskUtil::run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return usage(err);
    const std::string& verb = arguments[0];
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (verb == "list")
        return list(rest, out, err);
    if (verb == "info")
        return info(rest, out, err);
    if (verb == "mount")
        return mount(rest, out, err);
    if (verb == "umount" || verb == "unmount")
        return unmount(verb, rest, out, err);
    return usage(err);
}

int DiskUtil::usage(std::ostream& err)
{
    err << "Usage:  diskutil <verb> <options>\n"
           "  list [diskN]\n"
           "  info <device | volume name>\n"
           "  mount <device | volume name>\n"
           "  umount | unmount [force] <device | volume name>\n";
    return 1;
}

int DiskUtil::list(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (!arguments.empty()) {
        auto identifier = DiskIdentifier::parse(arguments[0]);
        auto disk = identifier ? m_catalog->disk(*identifier) : std::nullopt;
        if (!disk) {
            err << "Could not find disk: " << arguments[0] << "\n";
            return 1;
        }
        out << DiskListFormatter::format(*disk);
        return 0;
    }
    for (const auto& disk : m_catalog->disks())
        out << DiskListFormatter::format(disk);
    return 0;
}

int DiskUtil::info(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return usage(err);
    auto volume = m_catalog->findVolume(arguments[0]);
    auto disk = volume ? m_catalog->disk(volume->identifier) : std::nullopt;
    if (!volume || !disk) {
        err << "Could not find disk: " << arguments[0] << "\n";
        return 1;
    }
    if (volume->identifier.isWholeDisk())
        out << DiskInfoFormatter::formatDisk(*disk);
    else
        out << DiskInfoFormatter::formatVolume(*volume, *disk);
    return 0;
}

int DiskUtil::mount(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return usage(err);
    auto volume = findPermittedVolume(arguments[0], err);
    if (!volume)
        return 1;
    std::string id = volume->identifier.name();
    if (!volume->hasFileSystem()) {
        err << "Volume on " << id << " failed to mount; if it has a partitioning scheme, use \"diskutil mountDisk\"\n";
        return 1;
    }
    std::string subject = "Volume " + volume->name() + " on " + id;
    if (!m_caller.root)
        return relayToRoot({ "mount", arguments[0] }, subject + " failed to mount\n" + Privileges::requirement("diskutil", "mounting a volume") + "\n", out, err);
    auto mounted = VolumeMounter(m_paths).mount(*volume);
    if (!mounted) {
        err << subject << " failed to mount\n" << mounted.error().description << "\n";
        return 1;
    }
    if (!mounted->note.empty())
        err << mounted->note << "\n";
    out << subject << " mounted\n";
    return 0;
}

int DiskUtil::unmount(const std::string& verb, const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    bool force = !arguments.empty() && arguments[0] == "force";
    if (arguments.size() != (force ? 2u : 1u))
        return usage(err);
    const std::string& target = arguments.back();
    auto volume = findPermittedVolume(target, err);
    if (!volume)
        return 1;
    std::string id = volume->identifier.name();
    if (volume->mounts.empty()) {
        err << id << " was already unmounted or it has a partitioning scheme so use \"diskutil unmountDisk\" instead\n";
        return 1;
    }
    if (!m_caller.root) {
        std::vector<std::string> relayed { verb };
        relayed.insert(relayed.end(), arguments.begin(), arguments.end());
        return relayToRoot(relayed, "Unmount of " + id + " failed: " + Privileges::requirement("diskutil", "unmounting a volume") + "\n", out, err);
    }
    if (m_caller.forUser) {
        Expected<void> accepted = ExternalVolumePolicy::checkUnmount(*volume, m_paths, Privileges::invokingUsersHome());
        if (!accepted) {
            err << accepted.error().description << "\n";
            return 1;
        }
    }
    Expected<void> done = VolumeMounter(m_paths).unmount(*volume, force);
    if (!done) {
        // Then which mount, and why: one in use is for the user to free.
        err << "Unmount of " << id << " failed: at least one volume could not be unmounted\n"
            << done.error().description << (done.error().code == EBUSY ? " (a program is using it)" : "") << "\n";
        return 1;
    }
    out << "Volume " << volume->name() << " on " << id << " unmounted\n";
    return 0;
}

std::optional<VolumeDescription> DiskUtil::findPermittedVolume(const std::string& target, std::ostream& err) const
{
    if (restricted()) {
        Expected<void> accepted = ExternalVolumePolicy::checkTarget(target);
        if (!accepted) {
            err << accepted.error().description << "\n";
            return std::nullopt;
        }
    }
    auto volume = m_catalog->findVolume(target);
    auto disk = volume ? m_catalog->disk(volume->identifier) : std::nullopt;
    if (!volume || !disk) {
        err << "Unable to find disk for " << target << "\n";
        return std::nullopt;
    }
    if (restricted()) {
        Expected<void> accepted = ExternalVolumePolicy::checkVolume(*volume, *disk);
        if (!accepted) {
            err << accepted.error().description << "\n";
            return std::nullopt;
        }
    }
    return volume;
}

int DiskUtil::relayToRoot(const std::vector<std::string>& arguments, const std::string& refusal, std::ostream& out, std::ostream& err) const
{
    SudoRelay relay(m_caller.executable);
    if (relay.permitted(arguments)) {
        out.flush();
        err.flush();
        relay.replaceProcess(arguments);
    }
    err << refusal;
    return 1;
}

}
