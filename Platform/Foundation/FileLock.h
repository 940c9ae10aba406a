#pragma once

#include <string>

#include "Platform/Foundation/Expected.h"

// An exclusive advisory lock (flock) on the lock file of a shared file,
// "<folder>/.<name>.lock", held for the object's lifetime. Programs that update
// the same file take the same lock, so that each one's read-edit-write happens
// whole.
class FileLock {
public:
    // Waits until the lock is held; the lock file is made if missing.
    static Expected<FileLock> lock(const std::string& path);
    // Fails at once, with EWOULDBLOCK, while someone else holds it.
    static Expected<FileLock> tryLock(const std::string& path);
    static std::string lockFilePath(const std::string& path);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock();

private:
    static Expected<FileLock> take(const std::string& path, int operation);
    explicit FileLock(int fd)
        : m_fd(fd)
    {
    }

    int m_fd = -1;
};
