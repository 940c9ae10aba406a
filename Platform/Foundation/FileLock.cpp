#include "Platform/Foundation/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

FileError lockError(int code, const std::string& path)
{
    return FileError{code, "The lock file “" + FileManager::lastPathComponent(path) + "” couldn’t be locked: "
                               + std::strerror(code) + " (" + path + ")"};
}

}  // namespace

FileLock::FileLock(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = lockError(errno, path);
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        m_error = lockError(errno, path);
        ::close(fd);
        return;
    }
    m_fd = fd;
}

FileLock::~FileLock()
{
    // Closing the only descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}
