#include "Tools/mount_ntfs/MountNtfs.h"

#include "Platform/Foundation/LinkFreePath.h"
#include "Platform/Foundation/MountTable.h"
#include "Tools/Common/NtfsDriver.h"
#include "Tools/Common/Privileges.h"
#include "Tools/Common/Unmounter.h"

#include <filesystem>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace Tools {

MountNtfs::MountNtfs(ToolPaths paths)
    : m_paths(std::move(paths))
{
}

Expected<MountNtfsRequest> MountNtfs::parse(const std::vector<std::string>& arguments)
{
    // nodev and nosuid are asked for by being named, and are in force anyway.
    static const std::set<std::string> ignored = { "nobrowse", "noowners", "owners", "auto", "noauto", "nodev", "nosuid" };
    MountNtfsRequest request;
    std::vector<std::string> operands;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument != "-o") {
            if (argument.starts_with("-"))
                return Error::message("unknown flag " + argument);
            operands.push_back(argument);
            continue;
        }
        if (++index == arguments.size())
            return Error::message("-o needs a list of options");
        std::istringstream list(arguments[index]);
        std::string option;
        while (std::getline(list, option, ',')) {
            if (option == "rw")
                request.readWrite = true;
            else if (option == "ro" || option == "rdonly")
                request.readWrite = false;
            else if (!ignored.contains(option) && !option.empty())
                return Error::message("unsupported option " + option);
        }
    }
    if (operands.size() != 2)
        return Error::message("usage: mount_ntfs [-o options] special node");
    request.node = operands[0];
    request.directory = operands[1];
    return request;
}

bool MountNtfs::areSystemMounts(const std::vector<MountEntry>& mounts) const
{
    for (const auto& entry : mounts) {
        if (entry.isReadWrite() || !m_paths.isVolumeFolder(entry.target))
            return false;
    }
    return true;
}

void MountNtfs::restoreSystemMounts(const std::string& node, const std::vector<MountEntry>& mounts, std::ostream& err) const
{
    for (const auto& entry : mounts) {
        if (MountTable(m_paths.mountInfo).mountAt(entry.target))
            continue;
        if (Expected<void> restored = NtfsDriver::mount(node, entry.target, false); !restored)
            err << "mount_ntfs: " << node << " could not be mounted back on " << entry.target << ": " << restored.error().description << "\n";
    }
}

Expected<FileDescriptor> MountNtfs::openUsersFolder(const std::string& directory, uid_t user)
{
    auto folder = LinkFreePath::open(directory);
    if (!folder)
        return Error::message(directory + ": " + folder.error().description);
    struct stat info {};
    if (fstat(folder->get(), &info) != 0)
        return Error::system(errno, directory);
    if (!S_ISDIR(info.st_mode) || info.st_uid != user)
        return Error::message(directory + " is not a folder of the user's own (uid " + std::to_string(user) + ")");
    return folder;
}

Expected<void> MountNtfs::mountInstead(const std::vector<MountEntry>& existing, const MountNtfsRequest& request,
                                       dev_t device, const std::string& target, std::ostream& err) const
{
    for (const auto& entry : existing) {
        if (!Unmounter::unmount(entry.target, false))
            return Error::message(request.node + " is in use on " + entry.target);
    }
    if (!existing.empty())
        Unmounter::waitForRelease(request.node);

    if (request.readWrite) {
        NtfsState state = NtfsDriver::probeReadWrite(request.node);
        if (state != NtfsState::Writable)
            return Error::message(NtfsDriver::explanation(state, request.node) + " Nothing was mounted.");
    }
    Expected<void> mounted = NtfsDriver::mount(request.node, target, request.readWrite);
    // Found by the device, not by the folder's name: the mount went to the
    // folder opened, wherever its name leads by now. The device's earlier
    // mounts are gone, so it has this one alone.
    auto made = MountTable(m_paths.mountInfo).mountsOf(device);
    if (!mounted || made.empty())
        return Error::message(request.node + " on " + request.directory + ": "
                              + (mounted ? "no mount was made" : mounted.error().description));
    if (request.readWrite && !made.back().isReadWrite()) {
        // ntfs-3g fell back to read-only after all; take it down rather than
        // leave a read-only mount where a writable one was asked for.
        if (Expected<void> undone = Unmounter::unmount(made.back(), true); !undone)
            err << "mount_ntfs: " << made.back().target << ": " << undone.error().description << "\n";
        Unmounter::waitForRelease(request.node);
        return Error::message(request.node + " could only be mounted read-only, so it was not mounted. "
                              "Windows probably did not shut down fully: start Windows and shut it down fully "
                              "(turn off Fast Startup), then try again.");
    }
    return {};
}

int MountNtfs::run(const std::vector<std::string>& arguments, std::ostream& err)
{
    auto request = parse(arguments);
    if (!request) {
        err << "mount_ntfs: " << request.error().description << "\n";
        return 1;
    }
    if (!Privileges::isRoot()) {
        err << Privileges::requirement("mount_ntfs", "mounting " + request->node) << "\n";
        return 1;
    }
    struct stat node {};
    if (stat(request->node.c_str(), &node) != 0 || !S_ISBLK(node.st_mode)) {
        err << "mount_ntfs: " << request->node << ": not a block device\n";
        return 1;
    }
    struct stat directory {};
    if (stat(request->directory.c_str(), &directory) != 0 || !S_ISDIR(directory.st_mode)) {
        err << "mount_ntfs: " << request->directory << ": No such directory\n";
        return 1;
    }
    // Through sudo the mount goes where that user could have made it: on a
    // folder of theirs, reached without a link that could lead root into
    // someone else's folders. It is made through the folder opened and
    // checked here, so a name swapped meanwhile changes nothing.
    std::string target = request->directory;
    FileDescriptor usersFolder;
    if (auto user = Privileges::invokingUser()) {
        auto folder = openUsersFolder(request->directory, *user);
        if (!folder) {
            err << "mount_ntfs: " << folder.error().description << "; nothing was mounted\n";
            return 1;
        }
        usersFolder = std::move(*folder);
        target = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(usersFolder.get());
    }
    auto existing = MountTable(m_paths.mountInfo).mountsOf(node.st_rdev);
    if (!existing.empty() && !(request->readWrite && areSystemMounts(existing))) {
        err << "mount_ntfs: " << request->node << " is already mounted on " << existing.front().target << "; unmount it first\n";
        return 1;
    }
    // The volume code first asks `diskutil umount` for the system's read-only
    // mount, which a user may not do; run as root here, we take that mount
    // over ourselves, and give it back if the volume cannot be made writable.
    if (Expected<void> mounted = mountInstead(existing, *request, node.st_rdev, target, err); !mounted) {
        err << "mount_ntfs: " << mounted.error().description << "\n";
        restoreSystemMounts(request->node, existing, err);
        return 1;
    }
    for (const auto& released : existing) {
        std::error_code error;
        if (std::filesystem::is_empty(released.target, error))
            std::filesystem::remove(released.target, error);
    }
    return 0;
}

}
