#include "Platform/Foundation/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/Foundation/FileManager.h"

Expected<FileLock> FileLock::lock(const std::string& path)
{
    return take(path, LOCK_EX);
}

Expected<FileLock> FileLock::tryLock(const std::string& path)
{
    return take(path, LOCK_EX | LOCK_NB);
}

Expected<FileLock> FileLock::take(const std::string& path, int operation)
{
    std::string lockFile = lockFilePath(path);
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Error::system(errno, "The lock file ", lockFile, " couldn't be opened");
    while (::flock(fd, operation) != 0) {
        int code = errno;
        if (code == EINTR)
            continue;
        ::close(fd);
        return Error::system(code, "The lock file ", lockFile, " couldn't be locked");
    }
    return FileLock(fd);
}

std::string FileLock::lockFilePath(const std::string& path)
{
    std::string folder = FileManager::folder(path);
    return folder + (folder.ends_with('/') ? "." : "/.") + FileManager::lastPathComponent(path) + ".lock";
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

FileLock::~FileLock()
{
    // Closing the only descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}
