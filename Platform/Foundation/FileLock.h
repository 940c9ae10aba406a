#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/FileManager.h"

// An exclusive advisory lock (flock) on a lock file, held for the object's
// lifetime. Programs that update a shared file take the same lock file so that
// each one's read-edit-write happens whole.
class FileLock {
public:
    // Waits until the lock is held; the lock file is created if missing. When it
    // cannot be opened or locked, `isLocked()` is false and `error()` says why.
    explicit FileLock(const std::string& path);
    ~FileLock();

    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isLocked() const { return m_fd >= 0; }
    const std::optional<FileError>& error() const { return m_error; }

private:
    int m_fd = -1;
    std::optional<FileError> m_error;
};
