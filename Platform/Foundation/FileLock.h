#pragma once

#include <chrono>
#include <string>

#include "Platform/Foundation/Expected.h"

class FileHandle;

// An exclusive advisory lock (flock) on the lock file of a shared file,
// "<folder>/.<name>.lock", held for the object's lifetime. Programs that update
// the same file take the same lock, so that each one's read-edit-write happens
// whole. A file that all its writers open and append to (a shared log) is
// locked itself instead.
class FileLock {
public:
    // Waits until the lock is held; the lock file is made if missing.
    static Expected<FileLock> lock(const std::string& path);
    // Locks the open file itself. Anyone who may read a file may lock it, so
    // the wait ends after `patience` (EWOULDBLOCK): a stranger holding it
    // must not stall the caller for good.
    static Expected<FileLock> lock(const FileHandle& file, std::chrono::milliseconds patience);
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
