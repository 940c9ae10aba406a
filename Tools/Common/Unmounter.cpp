#include "Tools/Common/Unmounter.h"

#include "Platform/Foundation/LinkFreePath.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Tools {

Expected<void> Unmounter::unmount(const std::string& target, bool force)
{
    if (umount2(target.c_str(), UMOUNT_NOFOLLOW) == 0)
        return {};
    int error = errno;
    if (error == EBUSY && force && umount2(target.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0)
        return {};
    return Error{error, std::strerror(error)};
}

Expected<void> Unmounter::unmount(const MountEntry& mount, bool force)
{
    std::filesystem::path target(mount.target);
    std::string folder = target.parent_path().string();
    std::string name = target.filename().string();
    if (!target.is_absolute() || name.empty() || name == "." || name == "..")
        return Error::message(mount.target + ": not a mount point diskutil unmounts");
    auto directory = LinkFreePath::open(folder);
    if (!directory)
        return directory.error();
    // The cached attributes do: asking a FUSE daemon could hang on a dead one.
    struct statx found {};
    bool same = statx(directory->get(), name.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_MNT_ID, &found) == 0
        && (found.stx_mask & STATX_MNT_ID) && found.stx_mnt_id == static_cast<uint64_t>(mount.id);
    if (!same)
        return Error::message(mount.target + " is no longer the mount it was");
    // umount2 has no form relative to a folder, so work from inside it; a
    // mount point cannot be renamed or removed, so the name stays ours.
    FileDescriptor previous(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    Expected<void> done = fchdir(directory->get()) == 0 ? unmount(name, force) : Error::system(errno, folder);
    if (!previous || fchdir(previous.get()) != 0)
        [[maybe_unused]] int ignored = chdir("/");
    return done;
}

void Unmounter::waitForRelease(const std::string& node, int timeoutMilliseconds)
{
    for (int waited = 0; waited <= timeoutMilliseconds; waited += 50) {
        // An exclusive open fails while a file system (or ntfs-3g) holds the device.
        int fd = open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
        if (fd >= 0 || errno != EBUSY)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}
