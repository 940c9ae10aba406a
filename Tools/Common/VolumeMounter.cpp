#include "Tools/Common/VolumeMounter.h"

#include "Tools/Common/Fstab.h"
#include "Platform/Foundation/MountTable.h"
#include "Platform/Foundation/UTF8.h"
#include "Tools/Common/NtfsDriver.h"
#include "Tools/Common/Unmounter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace Tools {

VolumeMounter::VolumeMounter(ToolPaths paths)
    : m_paths(std::move(paths))
{
}

std::string VolumeMounter::freeMountPoint(const std::string& name) const
{
    MountTable table(m_paths.mountInfo);
    for (int suffix = 0;; ++suffix) {
        // A name too long for a folder (100 CJK characters are 300 bytes)
        // keeps as much of itself as fits.
        std::string number = suffix ? " " + std::to_string(suffix) : "";
        std::string candidate = m_paths.volumesDir + "/" + UTF8::prefixWithin(name, NAME_MAX - number.size()) + number;
        std::error_code error;
        if (!fs::exists(candidate, error))
            return candidate;
        if (fs::is_directory(candidate, error) && fs::is_empty(candidate, error) && !table.mountAt(candidate))
            return candidate;
    }
}

Expected<MountedVolume> VolumeMounter::mount(const VolumeDescription& volume) const
{
    if (const MountEntry* existing = volume.firstMount())
        return MountedVolume{existing->target, !existing->isReadWrite()};
    if (!volume.hasFileSystem())
        return Error::message("no file system");
    // "/" in a label would make a path out of the folder name.
    std::string name = volume.name();
    std::replace(name.begin(), name.end(), '/', ':');
    // A label of "." or ".." would name /Volumes itself or its parent.
    if (name == "." || name == "..")
        return Error::message("a volume named " + name + " has no folder under " + m_paths.volumesDir);
    std::error_code error;
    fs::create_directories(m_paths.volumesDir, error);
    std::string directory = freeMountPoint(name);
    bool created = fs::create_directory(directory, error);
    if (error)
        return Error{error.value(), directory + ": " + error.message()};
    auto mounted = volume.probe.fsType == "ntfs" ? mountNtfs(volume, directory) : mountKernel(volume, directory);
    if (!mounted && created)
        fs::remove(directory, error);
    return mounted;
}

Expected<MountedVolume> VolumeMounter::mountNtfs(const VolumeDescription& volume, const std::string& directory) const
{
    MountedVolume result{directory};
    bool readWrite = Fstab(m_paths.fstab).requestsReadWrite(volume.name());
    if (readWrite) {
        NtfsState state = NtfsDriver::probeReadWrite(volume.node);
        if (state != NtfsState::Writable) {
            readWrite = false;
            result.note = NtfsDriver::explanation(state, volume.node) + " It is mounted read-only.";
        }
    }
    Expected<void> mounted = NtfsDriver::mount(volume.node, directory, readWrite);
    auto entry = MountTable(m_paths.mountInfo).mountAt(directory);
    if (!mounted)
        return mounted.error();
    if (!entry)
        return Error::message("ntfs-3g made no mount");
    result.readOnly = !entry->isReadWrite();
    if (readWrite && result.readOnly)
        result.note = volume.node + " was mounted read-only although the fstab asks for read-write.";
    return result;
}

Expected<MountedVolume> VolumeMounter::mountKernel(const VolumeDescription& volume, const std::string& directory) const
{
    const std::string& type = volume.probe.fsType;
    unsigned long flags = MS_NOSUID | MS_NODEV;
    int status = ::mount(volume.node.c_str(), directory.c_str(), type.c_str(), flags, nullptr);
    if (status != 0 && (errno == EROFS || errno == EACCES)) {
        flags |= MS_RDONLY;
        status = ::mount(volume.node.c_str(), directory.c_str(), type.c_str(), flags, nullptr);
    }
    if (status != 0)
        return Error{errno, std::strerror(errno)};
    return MountedVolume{directory, (flags & MS_RDONLY) != 0};
}

Expected<void> VolumeMounter::unmount(const VolumeDescription& volume, bool force) const
{
    if (volume.mounts.empty())
        return Error::message("not mounted");
    bool fuse = false;
    bool lazily = false;
    // The newest mount first, so stacked mounts come off in order.
    for (auto entry = volume.mounts.rbegin(); entry != volume.mounts.rend(); ++entry) {
        Expected<void> done = Unmounter::unmount(*entry, false);
        if (!done && done.error().code == EBUSY && force) {
            done = Unmounter::unmount(*entry, true);
            lazily = lazily || done;
        }
        // Which mount was busy is what the caller needs to say.
        if (!done)
            return Error{done.error().code, entry->target + ": " + done.error().description};
        fuse = fuse || entry->fsType.starts_with("fuse");
        std::error_code error;
        if (m_paths.isVolumeFolder(entry->target) && fs::is_empty(entry->target, error) && !MountTable(m_paths.mountInfo).mountAt(entry->target))
            fs::remove(entry->target, error);
    }
    // A mount detached while in use holds the device until its last file
    // closes: no use waiting for that here.
    if (fuse && !lazily)
        Unmounter::waitForRelease(volume.node);
    return {};
}

}
