#include "Platform/Foundation/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "Platform/Foundation/FileHandle.h"
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

Expected<FileLock> FileLock::lock(const FileHandle& file, std::chrono::milliseconds patience)
{
    // A descriptor of our own on the same open file: the lock belongs to the
    // open file, so it is the handle's too, and is let go explicitly.
    int fd = ::fcntl(file.descriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return Error::system(errno, "The file ", file.path(), " couldn't be locked");
    FileLock held(fd);
    auto deadline = std::chrono::steady_clock::now() + patience;
    // A lock held for an entry's write goes within a millisecond; one held
    // longer is waited for in growing steps, not with a wake-up each.
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int code = errno;
        if (code == EINTR)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (code != EWOULDBLOCK || now >= deadline)
            return Error::system(code, "The file ", file.path(), " couldn't be locked");
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return held;
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
    // Explicitly: the open file the lock belongs to may have other descriptors.
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}
