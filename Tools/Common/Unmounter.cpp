#include "Tools/Common/Unmounter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace Tools {

Outcome Unmounter::unmount(const std::string& target, bool force)
{
    if (umount2(target.c_str(), UMOUNT_NOFOLLOW) == 0)
        return Outcome::success();
    int error = errno;
    if (error == EBUSY && force && umount2(target.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0)
        return Outcome::success();
    return Outcome::failure(std::strerror(error));
}

bool Unmounter::waitForRelease(const std::string& node, int timeoutMilliseconds)
{
    for (int waited = 0;; waited += 50) {
        // An exclusive open fails while a file system (or ntfs-3g) holds the device.
        int fd = open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        if (errno != EBUSY || waited >= timeoutMilliseconds)
            return errno != EBUSY;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}
